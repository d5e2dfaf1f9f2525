#include "bench/ScaledConfiguration.h"

#include <algorithm>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "network/SiteLayout.h"

namespace fs = std::filesystem;

namespace {

const char* const iniName = "omnetpp.ini";
// The longest LUN_WWN an array accepts.
const size_t maxLunWwnLength = 16;

[[noreturn]] void fail(const std::string& what)
{
    throw std::runtime_error(what);
}

int to_int(const std::string& text)
{
    size_t used = 0;
    int value = std::stoi(text, &used);
    if (used != text.size())
        fail("not a whole number: " + text);
    return value;
}

std::string times(const std::string& number, int factor)
{
    return std::to_string(to_int(number) * factor);
}

std::string field(const std::string& line, size_t index)
{
    std::vector<std::string> fields = fields_of(line);
    if (index >= fields.size())
        fail("too few columns in: " + line);
    return fields[index];
}

// Multiplies column `index` of every data line of section `marker` by `factor`.
void multiply_column(ConfigText& text, const std::string& marker, size_t index, int factor)
{
    for (size_t row : text.data_lines(marker))
        text.lines()[row] = with_field(text.lines()[row], index, times(field(text.lines()[row], index), factor));
}

// The confFile of every device in the ini, by module path below the network.
std::map<std::string, std::string> conf_files(const ConfigText& ini)
{
    static const std::regex confLine(R"(^\s*Velmora\.(\S+)\.confFile\s*=\s*"([^"]*)\"\s*$)");
    std::map<std::string, std::string> files;
    std::smatch m;
    for (const std::string& line : ini.lines())
        if (std::regex_match(line, m, confLine))
            files.emplace(m[1], m[2]);
    return files;
}

std::string quoted_root_setting(const ConfigText& ini, const std::string& name)
{
    const std::regex settingLine(R"(^\s*Velmora\.)" + name + R"(\s*=\s*"([^"]*)\"\s*$)");
    std::smatch m;
    for (const std::string& line : ini.lines())
        if (std::regex_match(line, m, settingLine))
            return m[1];
    fail("omnetpp.ini sets no " + name);
}

int numeric_root_setting(const ConfigText& ini, const std::string& name)
{
    const std::regex settingLine(R"(^\s*Velmora\.)" + name + R"(\s*=\s*([0-9]+)\s*$)");
    std::smatch m;
    for (const std::string& line : ini.lines())
        if (std::regex_match(line, m, settingLine))
            return to_int(m[1]);
    fail("omnetpp.ini sets no " + name);
}

// Multiplies the number of a "key = <number><unit>" line of the ini.
void multiply_limit(ConfigText& ini, const std::string& key, const std::string& unit, int factor)
{
    const std::regex limitLine(R"(^(\s*)" + key + R"(\s*=\s*)([0-9]+)()" + unit + R"()\s*$)");
    std::smatch m;
    for (std::string& line : ini.lines())
        if (std::regex_match(line, m, limitLine)) {
            line = m.str(1) + times(m.str(2), factor) + m.str(3);
            return;
        }
    fail("omnetpp.ini has no " + key + " in " + unit);
}

std::vector<const SiteDevice*> devices_of_type(const SiteTable& table, const char* type)
{
    std::vector<const SiteDevice*> found;
    for (const SiteDevice& d : table.devices)
        if (std::string(d.type) == type)
            found.push_back(&d);
    return found;
}

// The host sites of the test bed: instance name and table.
std::vector<std::pair<std::string, const SiteTable*>> host_sites()
{
    return {{"DataCtr1", &data_centre1_table()}, {"DataCtr2", &data_centre2_table()}};
}

std::string lun_copy_name(const std::string& wwn, int copy)
{
    std::string name = wwn + "_" + std::to_string(copy + 1);
    if (name.size() > maxLunWwnLength)
        fail("LUN_WWN " + name + " would be longer than 16 characters");
    return name;
}

std::vector<std::string> split_list(const std::string& list)
{
    std::vector<std::string> items;
    std::stringstream in(list);
    for (std::string item; std::getline(in, item, ',');)
        items.push_back(item);
    return items;
}

std::string join_list(const std::vector<std::string>& items)
{
    std::string out;
    for (const std::string& item : items)
        out += (out.empty() ? "" : ",") + item;
    return out;
}

// The preferred initiator port of copy j of a LUN: "NxPort[p]" moves to the
// same port of copy j; with no preference, copy j prefers its first port, as
// the original LUN gets port 0 while every port is up.
std::string copy_initiator(const std::string& name, int copy, int ports)
{
    static const std::regex portName(R"(NxPort\[([0-9]+)\])");
    std::smatch m;
    if (name == "-")
        return "NxPort[" + std::to_string(copy * ports) + "]";
    if (!std::regex_match(name, m, portName))
        fail("unexpected initiator port " + name);
    return "NxPort[" + std::to_string(to_int(m[1]) + copy * ports) + "]";
}

// Every node port of a host with `ports` ports: "0,1,2,3".
std::string all_ports(int ports)
{
    std::vector<std::string> all;
    for (int p = 0; p < ports; ++p)
        all.push_back(std::to_string(p));
    return join_list(all);
}

// A disk list "000,010" with every board digit moved up by `shift`.
std::string shifted_disks(const std::string& list, int shift)
{
    std::vector<std::string> disks = split_list(list);
    for (std::string& d : disks) {
        if (d.empty() || d[0] == '-')
            continue;
        if (d.size() != 3 || d[0] < '0' || d[0] > '9')
            fail("unexpected disk " + d);
        const int board = d[0] - '0' + shift;
        if (board > 9)
            fail("disk " + d + " has no room for its copy: more than 10 boards");
        d[0] = static_cast<char>('0' + board);
    }
    return join_list(disks);
}

// The row with the number in its first column moved up by `shift`.
std::string with_first_number_shifted(const std::string& row, int shift)
{
    return with_field(row, 0, std::to_string(to_int(field(row, 0)) + shift));
}

} // namespace

void copy_inputs(const fs::path& from, const fs::path& to)
{
    fs::create_directories(to);
    for (const fs::directory_entry& f : fs::directory_iterator(from))
        if (f.is_regular_file())
            fs::copy_file(f.path(), to / f.path().filename(), fs::copy_options::overwrite_existing);
}

void write_io_scaled_copy(const fs::path& from, const fs::path& to, int factor)
{
    if (factor < 1)
        fail("the I/O factor must be at least 1");
    ConfigText ini = ConfigText::read(from / iniName);
    const std::map<std::string, std::string> files = conf_files(ini);
    copy_inputs(from, to);
    for (const auto& [site, table] : host_sites())
        for (const SiteDevice* host : devices_of_type(*table, "ClientHost")) {
            const std::string path = site + "." + host->name;
            auto file = files.find(path);
            if (file == files.end())
                fail("omnetpp.ini names no confFile for " + path);
            ConfigText conf = ConfigText::read(from / file->second);
            multiply_column(conf, "[3]", 1, factor);
            conf.write(to / file->second);
        }
    multiply_limit(ini, "sim-time-limit", "s", factor);
    multiply_limit(ini, "cpu-time-limit", "min", factor);
    ini.write(to / iniName);
}

struct HostScaledTestBed::Site {
    int number;
    std::string name;
    const SiteTable& table;
};

HostScaledTestBed::HostScaledTestBed(const fs::path& from, int k) : from_(from), k_(k)
{
    if (k < 1)
        fail("the port factor must be at least 1");
    confFiles_ = conf_files(edited(iniName));
    int number = 1;
    for (const auto& [name, table] : host_sites())
        scale_site(Site{number++, name, *table});
    scale_zone_set();
    write_ini_overrides();
}

void HostScaledTestBed::write_copy(const fs::path& to) const
{
    copy_inputs(from_, to);
    for (const auto& [name, text] : edited_)
        text.write(to / name);
}

ConfigText& HostScaledTestBed::edited(const std::string& file)
{
    auto it = edited_.find(file);
    if (it == edited_.end())
        it = edited_.emplace(file, ConfigText::read(from_ / file)).first;
    return it->second;
}

std::string HostScaledTestBed::conf_file(const std::string& path) const
{
    auto it = confFiles_.find(path);
    if (it == confFiles_.end())
        fail("omnetpp.ini names no confFile for " + path);
    return it->second;
}

void HostScaledTestBed::scale_site(const Site& site)
{
    std::map<std::string, int> hostPorts, nextSwitchPort;
    for (const SiteDevice* host : devices_of_type(site.table, "ClientHost")) {
        const std::string path = site.name + "." + host->name;
        hostPorts[host->name] = static_cast<int>(edited(conf_file(path)).data_lines("[2]").size());
        scale_host(path, hostPorts[host->name]);
    }
    for (const SiteDevice* array : devices_of_type(site.table, "StorageDevice"))
        scale_array(site.name + "." + array->name);
    for (const SiteDevice* sw : devices_of_type(site.table, "FcSwitch"))
        nextSwitchPort[sw->name] =
            static_cast<int>(edited(conf_file(site.name + "." + sw->name)).data_lines("[2]").size());

    std::vector<Cable> cableTable = site.table.cables;
    std::map<std::string, std::vector<std::string>> addedSwitchRows;
    for (int j = 1; j < k_; ++j)
        for (const Cable& c : site.table.cables) {
            if (hostPorts.count(c.b))
                fail(std::string("a host cable must name the host first: ") + c.b);
            if (!hostPorts.count(c.a))
                continue;
            const int hostPort = c.portA + j * hostPorts[c.a];
            const int swPort = nextSwitchPort.at(c.b)++;
            cableTable.push_back({c.a, hostPort, c.b, swPort, c.colour, c.delay});
            // The new switch port is set up like the one that the original port uses.
            ConfigText& sw = edited(conf_file(site.name + "." + c.b));
            std::string row;
            for (size_t r : sw.data_lines("[2]"))
                if (to_int(field(sw.lines()[r], 0)) == c.portB)
                    row = sw.lines()[r];
            if (row.empty())
                fail(std::string("no section [2] row for port ") + std::to_string(c.portB) + " of " + c.b);
            row = with_field(with_field(row.substr(0, row.find(';')), 0, std::to_string(swPort)), 1,
                             std::to_string(swPort));
            addedSwitchRows[c.b].push_back(row + "; " + c.a + " port " + std::to_string(hostPort));
        }
    for (const SiteDevice* sw : devices_of_type(site.table, "FcSwitch"))
        scale_switch(site.name + "." + sw->name, nextSwitchPort[sw->name], addedSwitchRows[sw->name]);
    sites_.emplace(site.number, site_description(site.table.devices, cableTable, site.table.displayString));
}

void HostScaledTestBed::scale_host(const std::string& path, int ports)
{
    ConfigText& conf = edited(conf_file(path));
    multiply_column(conf, "[1]", 3, k_); // MaxTarLun: every LUN of the array is reported on each path
    // Every port of the host reaches every LUN of the array, and a LUN is
    // announced ready over whichever path finds it first; a port outside
    // the LUN's mask would have its first I/Os aborted for want of a path,
    // so each LUN, the original ones too, is masked to all the ports.
    for (size_t r : conf.data_lines("[2.1]"))
        conf.lines()[r] = with_field(conf.lines()[r], 1, all_ports(ports * k_));
    // The host's I/Os are shared out over the copies of its streams.
    for (size_t r : conf.data_lines("[3]")) {
        const int ios = to_int(field(conf.lines()[r], 1));
        conf.lines()[r] = with_field(conf.lines()[r], 1, std::to_string((ios + k_ - 1) / k_));
    }
    std::vector<std::string> portRows, maskRows, streamRows;
    for (int j = 1; j < k_; ++j) {
        const int shift = j * ports;
        for (size_t r : conf.data_lines("[2]"))
            portRows.push_back(with_first_number_shifted(conf.lines()[r], shift));
        for (size_t r : conf.data_lines("[2.1]")) {
            std::string row = conf.lines()[r];
            row = with_field(row, 0, lun_copy_name(field(row, 0), j));
            maskRows.push_back(with_field(row, 2, copy_initiator(field(row, 2), j, ports)));
        }
        for (size_t r : conf.data_lines("[3]")) {
            const std::string& row = conf.lines()[r];
            streamRows.push_back(with_field(row, 0, lun_copy_name(field(row, 0), j)));
        }
    }
    if (k_ > 1) {
        conf.append_to_section("[2]", portRows);
        conf.append_to_section("[2.1]", maskRows);
        conf.append_to_section("[3]", streamRows);
    }
    portCounts_[path] = ports * k_;
    ownPorts_[path] = ports;
}

void HostScaledTestBed::scale_array(const std::string& path)
{
    ConfigText& conf = edited(conf_file(path));
    const int boards = static_cast<int>(conf.data_lines("[4]").size());
    const int luns = static_cast<int>(conf.data_lines("[6]").size());
    // Each target port takes k times as many host ports logging in.
    for (size_t r : conf.data_lines("[2]"))
        if (field(conf.lines()[r], 4) == "T")
            conf.lines()[r] = with_field(conf.lines()[r], 9, times(field(conf.lines()[r], 9), k_));
    const size_t controlRow = conf.data_lines("[3]").at(0);
    conf.lines()[controlRow] = with_field(conf.lines()[controlRow], 0, std::to_string(luns * k_ + 1));
    std::vector<std::string> boardRows, groupRows, lunRows;
    for (int j = 1; j < k_; ++j) {
        const int shift = j * boards;
        for (size_t r : conf.data_lines("[4]"))
            boardRows.push_back(with_first_number_shifted(conf.lines()[r], shift));
        for (size_t r : conf.data_lines("[5]"))
            groupRows.push_back(with_first_number_shifted(conf.lines()[r], shift));
        for (size_t r : conf.data_lines("[6]")) {
            std::string row = conf.lines()[r];
            row = with_field(row, 0, lun_copy_name(field(row, 0), j));
            row = with_field(row, 5, shifted_disks(field(row, 5), shift));
            lunRows.push_back(with_field(row, 6, shifted_disks(field(row, 6), shift)));
        }
    }
    if (k_ > 1) {
        conf.append_to_section("[4]", boardRows);
        conf.append_to_section("[5]", groupRows);
        conf.append_to_section("[6]", lunRows);
    }
    acpCounts_[path] = boards * k_;
}

void HostScaledTestBed::scale_switch(const std::string& path, int ports, const std::vector<std::string>& addedRows)
{
    if (!addedRows.empty())
        edited(conf_file(path)).append_to_section("[2]", addedRows);
    portCounts_[path] = ports;
}

void HostScaledTestBed::scale_zone_set()
{
    ConfigText& zones = edited(quoted_root_setting(edited(iniName), "zoneSetFile"));
    std::vector<std::string>& lines = zones.lines();
    for (const auto& [host, ports] : ownPorts_) {
        const std::string prefix = host + ".NxPort[";
        size_t last = lines.size();
        std::vector<int> listed;
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].compare(0, prefix.size(), prefix) == 0) {
                listed.push_back(to_int(lines[i].substr(prefix.size(), lines[i].find(']') - prefix.size())));
                last = i;
            }
        std::vector<std::string> added;
        for (int j = 1; j < k_; ++j)
            for (int p : listed)
                added.push_back(prefix + std::to_string(p + j * ports) + "]");
        if (last < lines.size())
            zones.insert_after(last, added);
    }
}

void HostScaledTestBed::write_ini_overrides()
{
    ConfigText& ini = edited(iniName);
    std::vector<std::string> overrides{"# Scaled copy: every host with " + std::to_string(k_) +
                                           " times its node ports and LUNs; these lines",
                                       "# come first, so they hold over the settings of the same names below."};
    for (const auto& [path, ports] : portCounts_)
        overrides.push_back("Velmora." + path + (ownPorts_.count(path) ? ".nxPortNum = " : ".swPortNum = ") +
                            std::to_string(ports));
    for (const auto& [path, boards] : acpCounts_)
        overrides.push_back("Velmora." + path + ".acpNum = " + std::to_string(boards));
    overrides.push_back("Velmora.maxZoneMem = " + std::to_string(numeric_root_setting(ini, "maxZoneMem") * k_));
    auto section = std::find(ini.lines().begin(), ini.lines().end(), "[Parameters]");
    if (section == ini.lines().end())
        fail("omnetpp.ini has no [Parameters] section");
    ini.insert_after(static_cast<size_t>(section - ini.lines().begin()), overrides);
}
