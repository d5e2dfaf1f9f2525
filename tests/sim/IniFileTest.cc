#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "sim/cIniFile.h"
#include "sim/cException.h"
#include "tests/shared/ScratchDirectory.h"

namespace {

TEST(IniFile, SingleStarStaysInOneComponentDoubleStarCrossesThem)
{
    EXPECT_TRUE(cIniFile::matchPattern("Velmora.*.confFile", "Velmora.DataCtr1.confFile"));
    EXPECT_FALSE(cIniFile::matchPattern("Velmora.*.confFile", "Velmora.DataCtr1.Host1.confFile"));
    EXPECT_TRUE(cIniFile::matchPattern("**.confFile", "Velmora.DataCtr1.Host1.confFile"));
    EXPECT_TRUE(cIniFile::matchPattern("Velmora.DataCtr?.Host*.nxPortNum", "Velmora.DataCtr2.Host10.nxPortNum"));
    EXPECT_FALSE(cIniFile::matchPattern("**.confFile", "Velmora.confFileX"));
    EXPECT_TRUE(cIniFile::matchPattern("Velmora.Sw[3].x", "Velmora.Sw[3].x"));
}

TEST(IniFile, FirstMatchingLineInFileOrderWins)
{
    cIniFile ini;
    ini.readText("[General]\n"
                 "network = Velmora   # the network\n"
                 "[Parameters]\n"
                 "Velmora.DataCtr1.Host1.confFile = \"special.conf\" ; comment\n"
                 "**.confFile = \"generic.conf\"\n"
                 "Velmora.DataCtr1.Host2.confFile = \"never.conf\"\n");
    EXPECT_STREQ(ini.get("General", "network"), "Velmora");
    EXPECT_STREQ(ini.findParameter("Velmora.DataCtr1.Host1.confFile"), "\"special.conf\"");
    EXPECT_STREQ(ini.findParameter("Velmora.DataCtr1.Host2.confFile"), "\"generic.conf\"");
    EXPECT_EQ(ini.findParameter("Velmora.DataCtr1.Host2.nxPortNum"), nullptr);
}

TEST(IniFile, TypedGettersAndTheirErrors)
{
    cIniFile ini;
    ini.readText("[General]\nsim-time-limit = 250ms\nseed = 7\nflag = yes\nbad = x1\n");
    EXPECT_DOUBLE_EQ(ini.getAsDouble("General", "sim-time-limit", 0), 0.25);
    EXPECT_EQ(ini.getAsLong("General", "seed", 0), 7);
    EXPECT_TRUE(ini.getAsBool("General", "flag", false));
    EXPECT_EQ(ini.getAsLong("General", "absent", -3), -3);
    EXPECT_THROW(ini.getAsLong("General", "bad", 0), cRuntimeError);
    EXPECT_THROW(ini.getAsBool("General", "bad", false), cRuntimeError);
}

TEST(IniFile, IncludeReadsAnotherFileInPlaceRelativeToTheIncludingFile)
{
    ScratchDirectory scratch;
    ASSERT_NO_FATAL_FAILURE(scratch.make("ini"));
    const std::string dir = scratch.path().string();
    {
        std::ofstream inc(dir + "/inc_part.ini");
        inc << "[Parameters]\n**.rounds = 5\n";
        std::ofstream main(dir + "/inc_main.ini");
        main << "[General]\nnetwork = PingPong\ninclude inc_part.ini\n**.rounds = 9\n";
    }
    cIniFile ini;
    ini.readFile(dir + "/inc_main.ini");
    EXPECT_STREQ(ini.findParameter("PingPong.Ping.rounds"), "5");
    ASSERT_EQ(ini.entries().size(), 3u);
    EXPECT_EQ(ini.entries()[2].section, "General"); // the including file's section resumes
}

TEST(IniFile, BadLinesAndMissingFilesNameTheFileAndLine)
{
    cIniFile ini;
    try {
        ini.readText("[General]\nnetwork = X\nthis line has no equals sign\n", "broken.ini");
        FAIL();
    } catch (const cRuntimeError& e) {
        EXPECT_NE(std::string(e.what()).find("broken.ini line 3"), std::string::npos) << e.what();
    }
    EXPECT_THROW(ini.readFile("/nonexistent/omnetpp.ini"), cRuntimeError);
    EXPECT_THROW(ini.readText("[General\n"), cRuntimeError);
}

} // namespace
