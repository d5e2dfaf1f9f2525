#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "sim/cException.h"
#include "sim/cIniFile.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestHelpers.h"

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

TEST(IniFile, StarsAndQuestionMarksMatchWhatTheyShouldInEveryCombination)
{
    struct Case {
        const char* pattern;
        const char* text;
        bool matches;
    };
    const Case cases[] = {
        {"a*b*c", "aXbYc", true},
        {"a*b*c", "aXbY.c", false},
        {"a**c", "aX.Y.c", true},
        {"a*b", "a.b", false},
        {"?", ".", false},
        {"?", "x", true},
        {"**", "", true},
        {"*", "", true},
        {"a**", "a", true},
        {"a***", "a.b.c", true},
        {"*.*", "x.y", true},
        {"*.*", "x.y.z", false},
        {"**.y.**", "a.b.y.c", true},
        {"**.y.**", "a.b.y", false},
        {"a*a*a*b", "aaaaaaaaaaab", true},
        {"a*a*a*b", "aaaaaaaaaaaa", false},
        {"**a**b", "x.a.y.b", true},
        {"**a**b", "x.b.y.a", false},
        {"Velmora.**.Sw[3].*", "Velmora.D1.Sw[3].x", true},
        {"Velmora", "Velmora", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(cIniFile::matchPattern(c.pattern, c.text), c.matches) << c.pattern << " on " << c.text;
}

TEST(IniFile, ManyStarsTakeStepsInProportionToPatternTimesTextNotExponentially)
{
    // Backtracking over 36 stars that cross components, or over a dozen
    // "*a" within one, takes billions of steps.
    const std::string path = "PingPong.Ping.rounds";
    const std::string as = "PingPong." + std::string(30, 'a');
    std::string starA = "PingPong.";
    for (int i = 0; i < 12; ++i)
        starA += "*a";
    struct Case {
        std::string pattern;
        const std::string& text;
        bool matches;
    };
    const Case cases[] = {
        {"PingPong." + std::string(36, '*') + "x", path, false},
        {"PingPong." + std::string(44, '*') + "x", path, false},
        {"PingPong." + std::string(44, '*') + "s", path, true},
        {starA + "*b", as, false},
        {starA, as, true},
    };
    for (const Case& c : cases) {
        size_t steps = 0;
        EXPECT_EQ(cIniFile::matchPattern(c.pattern.c_str(), c.text.c_str(), &steps), c.matches) << c.pattern;
        EXPECT_GT(steps, 0u) << c.pattern;
        EXPECT_LT(steps, 2000u) << c.pattern;
    }
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

TEST(IniFile, NumbersAreDecimalAndFitOrTheValueIsRefusedNamingKeySectionFileAndLine)
{
    struct Case {
        const char* value;
        bool asLong;
        double expected; // when no error
        const char* error;
    };
    const Case cases[] = {
        {"010", true, 10, nullptr},
        {"-7", true, -7, nullptr},
        {"\"12\"", true, 12, nullptr},
        {"250ms", false, 0.25, nullptr},
        {"2 min", false, 120, nullptr},
        {".5h", false, 1800, nullptr},
        {"1e-400", false, 0, nullptr},
        {"0x10", true, 0, "must be a decimal whole number, not \"0x10\""},
        {"", true, 0, "must be a decimal whole number, not \"\""},
        {"2.7", true, 0, "must be a decimal whole number, not \"2.7\""},
        {"99999999999999999999", true, 0, "is out of range, not \"99999999999999999999\""},
        {"nan", false, 0, "must be a decimal number, not \"nan\""},
        {"-inf", false, 0, "must be a decimal number, not \"-inf\""},
        {"0x1p3", false, 0, "must be a decimal number with an optional unit s, ms, us, m, min or h, not \"0x1p3\""},
        {"s", false, 0, "must be a decimal number, not \"s\""},
        {"1e400", false, 0, "is out of range, not \"1e400\""},
        {"1e306h", false, 0, "is out of range, not \"1e306h\""},
    };
    for (const Case& c : cases) {
        cIniFile ini;
        ini.readText(std::string("[General]\n\nkey = ") + c.value + "\n", "run.ini");
        std::string error;
        double got = 0;
        try {
            got = c.asLong ? ini.getAsLong("General", "key", -1) : ini.getAsDouble("General", "key", -1);
        } catch (const cRuntimeError& e) {
            error = e.what();
        }
        if (c.error)
            EXPECT_EQ(error, std::string("Value of key in section [General] (run.ini line 3) ") + c.error) << c.value;
        else
            EXPECT_EQ(got, c.expected) << c.value << ": " << error;
    }
}

TEST(IniFile, AByteOrderMarkIsPassedOverAndDirectoriesAndEndlessLinesAreRefused)
{
    ScratchDirectory scratch;
    ASSERT_NO_FATAL_FAILURE(scratch.enter("/tmp/velmora_ini_XXXXXX"));
    writeFile("bom.ini", "\xEF\xBB\xBF[General]\nnetwork = PingPong\n");
    cIniFile ini;
    ini.readFile("bom.ini");
    EXPECT_STREQ(ini.get("General", "network"), "PingPong");
    ASSERT_EQ(ini.headings().size(), 1u);
    EXPECT_EQ(ini.headings()[0].line, 1);

    std::filesystem::create_directory("conf.d");
    writeFile("inc.ini", "[General]\ninclude conf.d\n");
    writeFile("endless.ini", "[General]\nnetwork = " + std::string(100000, 'x'));
    struct Case {
        const char* file;
        const char* error;
    };
    const Case cases[] = {
        {"conf.d", "Cannot read ini file conf.d: it is a directory"},
        {"inc.ini", "Error in ini file inc.ini line 2: included file conf.d is a directory"},
        {"endless.ini", "Error in ini file endless.ini line 2: line is longer than 65536 characters"},
        {"/dev/zero", "Cannot open ini file /dev/zero: it is a device, not a regular file"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(errorOf([&] { cIniFile().readFile(c.file); }), c.error);
    scratch.leave();
}

} // namespace
