#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "device/SettingCatalogue.h"
#include "sim/cException.h"
#include "tests/env/CmdenvRun.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestHelpers.h"

// Every numeric setting of the catalogue, tried at its edges in a copy of the
// shipped test bed: the one field is replaced in the shipped file that holds
// it and the whole program sets the network up and initialises every module,
// so each value goes through the reader that uses it.
namespace {

const char* shipped_file(SettingFile file)
{
    switch (file) {
    case SettingFile::HOST: return "Host1.conf";
    case SettingFile::ARRAY: return "Dev1.conf";
    case SettingFile::SWITCH: return "Sw1.conf";
    case SettingFile::CPU_MODEL: return "HostCpu.ini";
    case SettingFile::DISK_MODEL: return "VM36G15K.params.ini";
    case SettingFile::LINK_EVENTS: return "LinkEvents.txt";
    default: return "omnetpp.ini";
    }
}

bool is_skipped(const std::string& line)
{
    return line.empty() || line[0] == ';' || line[0] == ' ' || line[0] == '\t' || line[0] == '\r';
}

// `text` with the field at `column` of the first data row of `section`
// replaced by `value`.
std::string with_field(const std::string& text, const char* section, int column, const std::string& value)
{
    std::istringstream in(text);
    std::ostringstream out;
    std::string line;
    enum { BEFORE, HEADER, ROW, AFTER } at = BEFORE;
    while (std::getline(in, line)) {
        if (at == BEFORE && line.rfind(section, 0) == 0)
            at = HEADER;
        else if (at == HEADER && !is_skipped(line))
            at = ROW;
        else if (at == ROW && !is_skipped(line)) {
            std::istringstream fields(line.substr(0, line.find(';')));
            std::vector<std::string> row;
            for (std::string f; fields >> f;)
                row.push_back(f);
            EXPECT_LT(column, static_cast<int>(row.size())) << section << " " << line;
            if (column < static_cast<int>(row.size()))
                row[column] = value;
            line.clear();
            for (const std::string& f : row)
                line += f + "  ";
            at = AFTER;
        }
        out << line << "\n";
    }
    EXPECT_EQ(at, AFTER) << "no data row in section " << section;
    return out.str();
}

// `text`, a disk model's file, with its value at `column` (counted after
// the two free lines) set to `value`.
std::string with_value(const std::string& text, int column, const std::string& value)
{
    std::istringstream in(text);
    std::string free1, free2;
    std::getline(in, free1);
    std::getline(in, free2);
    std::vector<std::string> values;
    for (std::string v; in >> v;)
        values.push_back(v);
    EXPECT_LT(column, static_cast<int>(values.size()));
    if (column < static_cast<int>(values.size()))
        values[column] = value;
    std::string out = free1 + "\n" + free2 + "\n";
    for (const std::string& v : values)
        out += v + " ";
    return out + "\n";
}

// `text`, a link-event file, with the time of the first event line of its
// first port section set to `value`.
std::string with_event_time(const std::string& text, const std::string& value)
{
    std::istringstream in(text);
    std::ostringstream out;
    enum { BEFORE, SECTION, AFTER } at = BEFORE;
    for (std::string line; std::getline(in, line);) {
        if (at == BEFORE && line.rfind('@', 0) == 0)
            at = SECTION;
        else if (at == SECTION && !is_skipped(line)) {
            line = line.substr(0, 1) + " " + value;
            at = AFTER;
        }
        out << line << "\n";
    }
    EXPECT_EQ(at, AFTER) << "no event line in a port section";
    return out.str();
}

// `text` with the omnetpp.ini line of `Velmora.<key>` set to `value`.
std::string with_key(const std::string& text, const std::string& key, const std::string& value)
{
    std::istringstream in(text);
    std::ostringstream out;
    bool found = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind(key + " ", 0) == 0 || line.rfind(key + "=", 0) == 0) {
            line = key + " = " + value;
            found = true;
        }
        out << line << "\n";
    }
    EXPECT_TRUE(found) << key;
    return out.str();
}

bool is_integral(const Setting& s)
{
    return s.type != SettingType::DOUBLE;
}

std::string number_text(double v)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", v);
    return buf;
}

// The values tried: the minimum less one step, the maximum plus one, 2^31,
// 2^32, 2^63 and 1e308; a value below the side the reader checks itself
// when the first is not; and 2^32 plus the minimum, which a reader that cut
// the value to 32 bits would take for the minimum.
std::vector<std::string> edges(const Setting& s)
{
    const double below = is_integral(s) || s.min <= 0 ? s.min - 1 : s.min / 2;
    std::vector<std::string> values{number_text(below),
                                    number_text(s.max + 1),
                                    "2147483648",
                                    "4294967296",
                                    "9223372036854775808",
                                    "1e308",
                                    number_text(4294967296.0 + s.min)};
    if (below >= s.ownBelow)
        values.push_back(number_text(s.ownBelow == ABOVE_ZERO ? 0 : s.ownBelow - 1));
    return values;
}

// What the field's reader makes of `text`, when it reads it as a number: an
// integral field of a device file takes the leading digits, so "1e308" is 1;
// omnetpp.ini and a disk model's file take whole numbers only.
bool read_value(const Setting& s, const std::string& text, double& value)
{
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    if (is_integral(s) && s.file != SettingFile::INI && s.file != SettingFile::DISK_MODEL) {
        const size_t digits = text.find_first_not_of("-0123456789");
        value = std::strtod(text.substr(0, digits).c_str(), nullptr);
        if (std::fabs(value) >= 9223372036854775807.0)
            return false;
    }
    return std::isfinite(value);
}

bool mentions(const std::string& text, const char* word)
{
    return word && text.find(word) != std::string::npos;
}

class SettingCatalogue : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(scratch_.enter("/tmp/velmora_catalogue_XXXXXX", VELMORA_EXAMPLE_DATA));
        // Set up and initialised, the network stops at its first events.
        writeFile("omnetpp.ini", with_general(readFile("omnetpp.ini")));
    }
    static std::string with_general(const std::string& ini)
    {
        std::istringstream in(ini);
        std::ostringstream out;
        for (std::string line; std::getline(in, line);)
            out << (line.rfind("sim-time-limit", 0) == 0 ? "sim-time-limit = 0s" : line) << "\n";
        return out.str();
    }

    static std::string edited(const Setting& s, const std::string& shipped, const std::string& text)
    {
        if (s.file == SettingFile::INI)
            return with_key(shipped, std::string("Velmora.") + s.name, text);
        if (s.file == SettingFile::DISK_MODEL)
            return with_value(shipped, s.column, text);
        if (s.file == SettingFile::LINK_EVENTS)
            return with_event_time(shipped, text);
        // The row is made one that the reader's own check applies to.
        const std::string row =
            s.ownIfColumn < 0 ? shipped : with_field(shipped, s.section, s.ownIfColumn, s.ownIfText);
        return with_field(row, s.section, s.column, text);
    }

    // Tries every edge of every numeric setting of `file`, of the sections
    // in `sections` when it is given. A value in range is read, or refused
    // by a rule that joins it to other fields, naming the file; one outside
    // is refused naming the file and the field, unless the reader takes it
    // with a meaning of its own ("not given").
    void walk(SettingFile file, std::vector<std::string> sections = {})
    {
        const std::string name = shipped_file(file);
        const std::string shipped = readFile(name);
        int tried = 0;
        for (const Setting& s : setting_catalogue()) {
            if (s.file != file ||
                (!sections.empty() && std::find(sections.begin(), sections.end(), s.section) == sections.end()))
                continue;
            for (const std::string& text : edges(s)) {
                SCOPED_TRACE(std::string(s.section) + " " + s.name + " = " + text);
                writeFile(name, edited(s, shipped, text));
                const CmdenvOutcome run = runCmdenvWith({"-f", "omnetpp.ini", "--quiet"});
                double value = 0;
                const bool read = read_value(s, text, value);
                const bool inRange = read && value >= s.min && value <= s.max;
                const bool taken = inRange || (read && value < s.ownBelow && s.ownBelowMeans);
                if (taken) {
                    if (run.rc != 0) {
                        EXPECT_TRUE(mentions(run.err, name.c_str())) << run.err;
                    }
                } else {
                    EXPECT_EQ(run.rc, 1) << "read as " << value;
                    EXPECT_TRUE(mentions(run.err, name.c_str())) << run.err;
                    EXPECT_TRUE(mentions(run.err, s.name) || mentions(run.err, s.words)) << run.err;
                }
                ++tried;
            }
        }
        writeFile(name, shipped);
        EXPECT_GT(tried, 0);
    }

    ScratchDirectory scratch_;
};

TEST_F(SettingCatalogue, HostFileFieldsAtTheirEdges)
{
    walk(SettingFile::HOST);
}
TEST_F(SettingCatalogue, ArrayBoardFieldsAtTheirEdges)
{
    walk(SettingFile::ARRAY, {"[1]", "[2]", "[4]"});
}
TEST_F(SettingCatalogue, ArrayCacheFieldsAtTheirEdges)
{
    walk(SettingFile::ARRAY, {"[3]", "[3.1]", "[3.2]"});
}
TEST_F(SettingCatalogue, ArrayDiskFieldsAtTheirEdges)
{
    walk(SettingFile::ARRAY, {"[5]", "[6]"});
}
TEST_F(SettingCatalogue, SwitchFileFieldsAtTheirEdges)
{
    walk(SettingFile::SWITCH);
}
TEST_F(SettingCatalogue, CpuModelFieldsAtTheirEdges)
{
    walk(SettingFile::CPU_MODEL);
}
TEST_F(SettingCatalogue, DiskModelFieldsAtTheirEdges)
{
    walk(SettingFile::DISK_MODEL);
}
TEST_F(SettingCatalogue, RunSettingsAtTheirEdges)
{
    walk(SettingFile::INI);
}
TEST_F(SettingCatalogue, LinkEventTimesAtTheirEdges)
{
    walk(SettingFile::LINK_EVENTS);
    // Event times stay below the bound, which the range shows open.
    EXPECT_EQ(range_text(setting(SettingFile::LINK_EVENTS, "@port", "time")), "[0,1e+12) ms");
}

// The README's table of ranges, one row per section of a file, as the
// catalogue gives them.
std::string ranges_table()
{
    std::vector<std::pair<std::string, std::string>> rows; // in the order of their first setting
    for (const Setting& s : setting_catalogue()) {
        const std::string here = std::string("| ") + file_kind_name(s.file) + " | " + s.section + " | ";
        auto row = std::find_if(rows.begin(), rows.end(), [&](const auto& r) { return r.first == here; });
        if (row == rows.end())
            row = rows.insert(rows.end(), {here, ""});
        else
            row->second += ", ";
        std::string& text = row->second;
        text += std::string("`") + s.name + "` ";
        if (s.column >= 0)
            text += opp_format("(%s %d) ", s.file == SettingFile::DISK_MODEL ? "value" : "field", s.column + 1);
        text += range_text(s);
        if (s.ownBelowMeans)
            text += std::string(" (below ") + opp_format("%g", s.ownBelow) + ": " + s.ownBelowMeans + ")";
    }
    std::string table = "| File | Section | Settings and their ranges |\n| --- | --- | --- |\n";
    for (const auto& [at, text] : rows)
        table += at + text + " |\n";
    return table;
}

// The table that follows the README's line `heading`: its lines up to the
// first blank one.
std::string table_after(const std::string& readme, const std::string& heading)
{
    const size_t at = readme.find(heading);
    if (at == std::string::npos)
        return "";
    const size_t start = readme.find("\n| ", at);
    if (start == std::string::npos)
        return "";
    const size_t end = readme.find("\n\n", start);
    return readme.substr(start + 1, end == std::string::npos ? std::string::npos : end - start);
}

TEST(SettingCatalogueReadme, ListsEveryRangeOfTheCatalogue)
{
    EXPECT_EQ(table_after(readFile(VELMORA_README), "Ranges of the settings"), ranges_table());
}

} // namespace
