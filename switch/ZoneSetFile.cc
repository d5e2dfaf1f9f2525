#include "switch/ZoneSetFile.h"

#include <iomanip>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "device/InputFile.h"
#include "device/OutputFile.h"
#include "device/SettingCatalogue.h"
#include "device/WarningsLog.h"
#include "sim/LineReader.h"
#include "sim/Sim.h"
#include "switch/ZoneSet.h"

namespace {

constexpr size_t MAX_ZONE_LINE = 255;
// Past their first MAX_ZONE_LINE characters lines are read only to see that
// they hold blanks, and no further than this: a file without line ends would
// otherwise be read into memory whole.
constexpr size_t MAX_READ_LINE = 65536;

std::string printable_non_blank(const std::string& line)
{
    std::string out;
    for (char c : line)
        if (c > ' ' && c < 127)
            out += c;
    return out;
}

// The initiator N_Ports of the network that have a cable to a switch port.
void collect_cabled_initiators(cModule* mod, std::vector<cModule*>& ports)
{
    for (cModule* sub : mod->submodules()) {
        if (std::string(sub->name()) == "NxPort" && sub->hasPar("fcpIni") && sub->par("fcpIni").boolValue()) {
            double delay;
            cGate* far = sub->findGate("link_out") >= 0 ? sub->gate("link_out")->route(delay) : nullptr;
            cModule* fc1 = far ? far->ownerModule()->parentModule() : nullptr;
            cModule* farPort = fc1 ? fc1->parentModule() : nullptr;
            if (farPort && farPort->hasPar("areaId"))
                ports.push_back(sub);
            continue;
        }
        collect_cabled_initiators(sub, ports);
    }
}

} // namespace

// Only the first MAX_ZONE_LINE characters of a line are read. Blanks beyond
// them are lost harmlessly; anything else would change a name unseen.
void ZoneSetFile::cut_to_zone_line_length(std::string& line, int lineNo, const std::string& path) const
{
    if (line.size() <= MAX_ZONE_LINE)
        return;
    if (!printable_non_blank(line.substr(MAX_ZONE_LINE)).empty())
        reader_->error("---> ZoneSet file \"%s\" line %d is longer than %d characters. Please check ZoneSet file",
                       path.c_str(), lineNo, static_cast<int>(MAX_ZONE_LINE));
    line.resize(MAX_ZONE_LINE);
}

// A zone named twice is one zone with the members under both names, which
// joins ports that two zones of the same name in two sites' parts of the
// file were meant to keep apart.
void ZoneSetFile::warn_if_named_before(const std::string& zoneName, int lineNo, const std::string& path,
                                       std::map<std::string, int>& nameLines) const
{
    if (zoneName.empty())
        return;
    const auto [first, fresh] = nameLines.emplace(zoneName, lineNo);
    if (!fresh)
        user_warning_once(reader_, opp_format("---> Zone[%s] : the zone name on line %d of the ZoneSet file \"%s\" "
                                              "repeats that of line %d, so the members under both lines make one zone",
                                              zoneName.c_str(), lineNo, path.c_str(), first->second));
}

ZoneSetFile::ZoneSetFile(const cModule* reader, cModule* root, bool first) : reader_(reader), root_(root), first_(first)
{
}

void ZoneSetFile::read_into(ZoneSet& zones) const
{
    init_zone_set(zones);
    load_zone_set(zones);
    if (first_) {
        display_zone_set(zones);
        warn_of_unzoned_initiators(zones);
    }
}

void ZoneSetFile::init_zone_set(ZoneSet& zones) const
{
    const long maxZoneNum = root_long_setting(reader_, root_, "maxZoneNum");
    if (maxZoneNum <= 0)
        reader_->error("---> maxZoneNum should > 0. Please check the file \"omnetpp.ini\"");
    const long maxZoneMem = root_long_setting(reader_, root_, "maxZoneMem");
    if (maxZoneMem <= 0)
        reader_->error("---> maxZoneMem should > 0. Please check the file \"omnetpp.ini\"");
    zones.create(static_cast<int>(maxZoneNum), static_cast<int>(maxZoneMem));
    if (first_) {
        EV << "\n========== Zone Set Activation ==========\n";
    }
}

void ZoneSetFile::load_zone_set(ZoneSet& zones) const
{
    const std::string path = root_->par("zoneSetFile").stringValue();
    std::ifstream in = open_input_file(reader_, path, "---> Couldn't open ZoneSet file \"%s\"");
    refuse_empty_file(reader_, in, path);
    std::string zoneName;
    std::map<std::string, int> nameLines; // the line that first named each zone
    std::string line;
    bool more = true;
    int lineNo = 0;
    LineReader lines(in, MAX_READ_LINE);
    while (more) {
        // The read that meets the end of the file gives an empty member line.
        const LineReader::Result got = lines.next(line);
        more = got != LineReader::END;
        ++lineNo;
        if (got == LineReader::TOO_LONG)
            reader_->error("---> ZoneSet file \"%s\" line %d is longer than %d characters. Please check ZoneSet file",
                           path.c_str(), lineNo, static_cast<int>(MAX_ZONE_LINE));
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == ';')
            continue;
        cut_to_zone_line_length(line, lineNo, path);
        if (!line.empty() && line[0] == '[') {
            if (line.back() != ']')
                reader_->error("---> ZoneSet file \"%s\" line %d : the zone name line \"%s\" must end with ']'; a "
                               "comment needs a line of its own, beginning with ';'",
                               path.c_str(), lineNo, line.c_str());
            zoneName = line.size() > 2 ? line.substr(1, line.size() - 2) : std::string();
            warn_if_named_before(zoneName, lineNo, path, nameLines);
            continue;
        }
        if (zoneName.empty())
            reader_->error("---> build_zone_set : expecting zone name presented before building zone set. Please "
                           "check ZoneSet file");
        const std::string member = printable_non_blank(line);
        if (member.empty())
            continue;
        cModule* nxPort = root_->moduleByRelativePath(member.c_str());
        // The kernel's look-up reads "NxPort[0]junk" as NxPort[0].
        if (nxPort && nxPort->fullPath() != root_->fullPath() + "." + member)
            reader_->error("---> Zone[%s] : \"%s\" on line %d of the ZoneSet file \"%s\" names no module exactly; the "
                           "nearest is %s",
                           zoneName.c_str(), member.c_str(), lineNo, path.c_str(), nxPort->fullPath().c_str());
        if (!nxPort)
            reader_->error("---> Zone[%s] : found no module %s.%s", zoneName.c_str(), root_->fullPath().c_str(),
                           member.c_str());
        if (std::string(nxPort->name()) != "NxPort")
            reader_->error("---> Zone[%s] : %s  is not an N_Port", zoneName.c_str(), nxPort->fullPath().c_str());
        cGate* out = nxPort->gate("link_out");
        cModule* receiver = out ? out->destinationGate()->ownerModule() : nullptr;
        cModule* swPort = receiver && receiver != nxPort && receiver->parentModule()
                              ? receiver->parentModule()->parentModule()
                              : nullptr;
        // An N_Port without a cable to a switch port is no member.
        if (!swPort || !swPort->hasPar("areaId") || !swPort->parentModule()->hasPar("domainId"))
            continue;
        const long id = (swPort->parentModule()->par("domainId").longValue() << 16) +
                        swPort->par("areaId").longValue() * 256 + swPort->index();
        switch (zones.add_member(zoneName, nxPort->fullPath(), id)) {
        case ZoneSet::AddResult::ADDED: break;
        case ZoneSet::AddResult::OVERWRITTEN:
            if (first_) {
                EV << "WARNING: Overwriting old zone member!\n";
            }
            break;
        case ZoneSet::AddResult::NO_FREE_ZONE:
            reader_->error("---> maxZoneNum[%d] is exceeded. Please check the file \"omnetpp.ini\"",
                           static_cast<int>(zones.zones().size()));
        case ZoneSet::AddResult::ZONE_FULL:
            reader_->error("---> Zone[%s] : maximum %d zone members can be setup for each zone. Please consider a "
                           "larger value for \"maxZoneMem\" in the file \"omnetpp.ini\"",
                           zoneName.c_str(), zones.max_members());
        }
    }
}

// An initiator that no zone holds finds no target: its host's I/Os never run.
void ZoneSetFile::warn_of_unzoned_initiators(const ZoneSet& zones) const
{
    std::set<std::string> members;
    for (const Zone& z : zones.zones())
        if (z.used)
            for (const ZoneMember& m : z.members)
                if (m.used)
                    members.insert(m.name);
    std::vector<cModule*> initiators;
    collect_cabled_initiators(root_, initiators);
    const std::string file = root_->par("zoneSetFile").stringValue();
    for (cModule* port : initiators)
        if (!members.count(port->fullPath()))
            user_warning(reader_, "No zone holds the initiator port \"" + port->fullPath() +
                                      "\"; it can reach no target and its I/Os will not run. Please check the file \"" +
                                      file + "\"");
}

void ZoneSetFile::display_zone_set(const ZoneSet& zones) const
{
    const std::string path = root_->par("zoneSetConfFile").stringValue();
    OutputStream out(reader_, path, std::ios::out | std::ios::trunc);
    if (!out)
        reader_->error("---> Couldn't open ZoneSet Config file \"%s\" for write: %s", path.c_str(),
                       out.openFailure().c_str());
    out << std::left;
    const std::string equals(70, '='), dashes(70, '-');
    out << root_->fullPath() << " ZoneSet Configuration ... \n";
    for (const Zone& z : zones.zones()) {
        if (!z.used)
            continue;
        out << equals << "\n[" << z.name << "]\n" << dashes << "\n";
        out << std::setw(20) << "NxPort_AddrID" << std::setw(50) << "NxPort_ModuleName(WWPN)"
            << "\n";
        for (const ZoneMember& m : z.members)
            if (m.used)
                out << std::setw(20) << m.portId << std::setw(50) << m.name << "\n";
    }
    out << equals << "\n";
    out.finish();
}
