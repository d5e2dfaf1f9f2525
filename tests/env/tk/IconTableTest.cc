#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "env/tk/DisplayString.h"
#include "env/tk/IconTable.h"
#include "sim/Sim.h"
#include "sim/cIniFile.h"
#include "tests/shared/ArrayStandIns.h"
#include "tests/shared/ScratchDirectory.h"

namespace {

std::vector<uint8_t> from_base64(const std::string& text)
{
    static const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<uint8_t> out;
    uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        size_t v = digits.find(c);
        if (v == std::string::npos)
            continue; // padding
        bits = bits << 6 | static_cast<uint32_t>(v);
        if ((count += 6) >= 8) {
            count -= 8;
            out.push_back(static_cast<uint8_t>(bits >> count));
        }
    }
    return out;
}

uint32_t big_endian(const std::vector<uint8_t>& b, size_t at)
{
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

void collect_icons(const cModule& mod, std::set<std::string>& names)
{
    std::string icon = DisplayString(mod.displayString()).arg("i", 0);
    if (!icon.empty())
        names.insert(icon);
    for (const cModule* sub : mod.submodules())
        collect_icons(*sub, names);
}

TEST(IconTable, EachIconIsAPngImageOfItsOwnSizeUnderAUniqueName)
{
    ASSERT_GT(ICON_COUNT, 0u);
    std::set<std::string> names;
    for (size_t i = 0; i < ICON_COUNT; ++i) {
        const Icon& icon = ICONS[i];
        EXPECT_TRUE(names.insert(icon.name).second) << icon.name << " twice";
        std::vector<uint8_t> png = from_base64(icon.png);
        ASSERT_GT(png.size(), 33u) << icon.name;
        const std::vector<uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
        EXPECT_EQ(std::vector<uint8_t>(png.begin(), png.begin() + 8), signature) << icon.name;
        EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR") << icon.name;
        EXPECT_EQ(big_endian(png, 16), 32u) << icon.name;
        EXPECT_EQ(big_endian(png, 20), 32u) << icon.name;
        EXPECT_EQ(icon.width, 32) << icon.name;
        EXPECT_EQ(icon.height, 32) << icon.name;
        EXPECT_EQ(std::string(png.end() - 8, png.end() - 4), "IEND") << icon.name;
        EXPECT_EQ(find_icon(icon.name), &icon);
    }
    EXPECT_EQ(find_icon("no-such-icon"), nullptr) << "drawn as a labelled box";
    EXPECT_EQ(find_icon(""), nullptr);
}

// Every "i" tag of the test bed, as far as it builds with the array's
// missing modules stood in for, names an icon of the table.
TEST(IconTable, EveryIconTheTestBedNamesIsThere)
{
    ScratchDirectory scratch;
    ASSERT_NO_FATAL_FAILURE(scratch.enter("/tmp/velmora_icons_XXXXXX"));
    ArrayStandInsInPlace standIns;
    cIniFile ini;
    ini.readFile(VELMORA_TESTS_DIR "/network/data/omnetpp.ini");
    simulation.setIniFile(&ini);
    std::string stopped;
    try {
        simulation.setupNetwork("Velmora");
    } catch (const cRuntimeError& e) {
        stopped = e.what();
    }
    ASSERT_NE(simulation.systemModule(), nullptr) << stopped;
    std::set<std::string> used;
    collect_icons(*simulation.systemModule(), used);
    simulation.deleteNetwork();
    simulation.setIniFile(nullptr);

    EXPECT_GE(used.size(), 25u) << "the bed was built only up to: " << stopped;
    for (const std::string& name : used)
        EXPECT_NE(find_icon(name), nullptr) << "no icon for i=" << name;
}

} // namespace
