// Run settings and parameter values as a user may get them wrong, each
// through the whole command-line program on the ping-pong example: what the
// run says and how it exits.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/env/CmdenvRun.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestHelpers.h"

namespace {

class RunSettings : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(scratch.enter("/tmp/velmora_settings_XXXXXX")); }
    void TearDown() override { scratch.leave(); }

    ScratchDirectory scratch;
};

// The ini of a ping-pong run of three rounds, with `general` as the second
// line of [General] and `params` before the defaults, of which those that
// `params` gives are left out (a line behind another of its key is warned
// about).
std::string pingPongIni(const std::string& general, const std::string& params = "")
{
    std::string ini = "[General]\n" + general + "\nnetwork = PingPong\n[Parameters]\n" + params + "\n";
    for (const char* line :
         {"PingPong.cableDelay = 0.001\n", "PingPong.Ping.rounds = 3\n", "PingPong.Pong.serviceTime = 0.0005\n"}) {
        const std::string key = std::string(line).substr(0, std::string(line).find(" ="));
        if (params.find(key + " =") == std::string::npos)
            ini += line;
    }
    return ini;
}

struct Case {
    const char* general;
    const char* params;
    int rc;
    const char* said; // found on stderr, or on stdout for a good run
};

const Case cases[] = {
    // Good runs.
    {"", "", 0, "PingPong.Ping: 3 round trips in 0.007500 s"},
    {"seed = 7", "PingPong.Ping.rounds = 010", 0, "PingPong.Ping: 10 round trips in"},
    {"sim-time-limit = 2.5ms", "", 0, ""},
    {"gen29-seed = 4", "PingPong.Ping.rounds = 1e1", 0, "PingPong.Ping: 10 round trips in"},
    // Time limits.
    {"sim-time-limit = -1", "", 1,
     "Value of sim-time-limit in section [General] (omnetpp.ini line 2) must not be negative, not \"-1\""},
    {"sim-time-limit = -inf", "", 1,
     "Value of sim-time-limit in section [General] (omnetpp.ini line 2) must be a decimal number, not \"-inf\""},
    {"sim-time-limit = nan", "", 1,
     "Value of sim-time-limit in section [General] (omnetpp.ini line 2) must be a decimal number, not \"nan\""},
    {"sim-time-limit = ms", "", 1,
     "Value of sim-time-limit in section [General] (omnetpp.ini line 2) must be a decimal number, not \"ms\""},
    {"sim-time-limit = 1e999", "", 1,
     "Value of sim-time-limit in section [General] (omnetpp.ini line 2) is out of range, not \"1e999\""},
    {"cpu-time-limit = -0.5", "", 1,
     "Value of cpu-time-limit in section [General] (omnetpp.ini line 2) must not be negative, not \"-0.5\""},
    // Seeds and stacks.
    {"seed =", "", 1,
     "Value of seed in section [General] (omnetpp.ini line 2) must be a decimal whole number, not \"\""},
    {"seed = 99999999999999999999", "", 1,
     "Value of seed in section [General] (omnetpp.ini line 2) is out of range, not \"99999999999999999999\""},
    {"seed = -3", "", 1, "Value of seed in section [General] (omnetpp.ini line 2) must be at least 0, not \"-3\""},
    {"gen29-seed = 0x1d", "", 1,
     "Value of gen29-seed in section [General] (omnetpp.ini line 2) must be a decimal whole number, not \"0x1d\""},
    {"min-stack-size = 1e11", "", 1,
     "Value of min-stack-size in section [General] (omnetpp.ini line 2) must be a decimal whole number, not "
     "\"1e11\""},
    {"min-stack-size = 100000000000", "", 1,
     "min-stack-size in [General] must be at most 1073741824 bytes, not 100000000000"},
    // Parameters.
    {"", "PingPong.Ping.rounds = 2.7", 1,
     "Value 2.7 given for parameter PingPong.Ping.rounds in \"omnetpp.ini\" line 5 is not a whole number"},
    {"", "PingPong.Ping.rounds = 1e300", 1,
     "Value 1e300 given for parameter PingPong.Ping.rounds in \"omnetpp.ini\" line 5 is out of range"},
    {"", "PingPong.Ping.rounds = 99999999999999999999999", 1,
     "Value 99999999999999999999999 given for parameter PingPong.Ping.rounds in \"omnetpp.ini\" line 5 is out of "
     "range"},
    {"", "PingPong.Ping.rounds = nan", 1,
     "Value nan given for parameter PingPong.Ping.rounds in \"omnetpp.ini\" line 5 is not a number"},
    {"", "PingPong.Pong.serviceTime = 0x10", 1,
     "Value 0x10 given for parameter PingPong.Pong.serviceTime in \"omnetpp.ini\" line 5 is not a number"},
    {"", "PingPong.Pong.serviceTime = 1e999", 1,
     "Value 1e999 given for parameter PingPong.Pong.serviceTime in \"omnetpp.ini\" line 5 is out of range"},
    // Connections.
    {"", "PingPong.cableDelay = -1", 1,
     "Connection PingPong.Ping.out --> PingPong.Pong.in: delay -1 is negative or not finite"},
    {"", "PingPong.cableDelay = inf", 1,
     "Value inf given for parameter PingPong.cableDelay in \"omnetpp.ini\" line 5 is not a number"},
    // Files.
    {"include conf.d", "", 1, "Error in ini file omnetpp.ini line 2: included file conf.d is a directory"},
};

TEST_F(RunSettings, EachBadValueEndsTheRunWithItsMessageAndEachGoodOneRuns)
{
    std::filesystem::create_directory("conf.d");
    for (const Case& c : cases) {
        const CmdenvOutcome o = runCmdenv(pingPongIni(c.general, c.params));
        const std::string label = std::string(c.general) + " | " + c.params;
        EXPECT_EQ(o.rc, c.rc) << label << "\n" << o.err;
        const std::string& where = c.rc == 0 ? o.out : o.err;
        EXPECT_NE(where.find(c.said), std::string::npos) << label << "\n" << where;
        if (c.rc == 0) {
            EXPECT_EQ(o.err.find("Warning"), std::string::npos) << label << "\n" << o.err;
        }
    }
}

TEST_F(RunSettings, AParameterLineThatMatchesNoParameterIsWarnedAboutByLineAndTheRunGoesOn)
{
    const CmdenvOutcome o =
        runCmdenv(pingPongIni("", "PingPong.Ping.queueDepth = 64\nPingPong.Pong.serviceTme = 1\n**.rounds = 5"));
    EXPECT_EQ(o.rc, 0) << o.err;
    EXPECT_NE(o.out.find("PingPong.Ping: 5 round trips"), std::string::npos) << o.out;
    EXPECT_EQ(o.err, "<!> Warning: no parameter matches PingPong.Ping.queueDepth in section [Parameters] at "
                     "omnetpp.ini line 5: it is ignored\n"
                     "<!> Warning: no parameter matches PingPong.Pong.serviceTme in section [Parameters] at "
                     "omnetpp.ini line 6: it is ignored\n"
                     "<!> Warning: PingPong.Ping.rounds in section [Parameters] at omnetpp.ini line 9 is shadowed by "
                     "the earlier line **.rounds at omnetpp.ini line 7, which gives every parameter it matches its "
                     "value: it is ignored\n");
}

// The first line for a setting or parameter wins; a later one is named with
// the line that took its place: a setting repeated, a parameter line repeated
// and a particular line behind a general one, or a general one behind a
// particular one when every parameter it matches has its value already.
TEST_F(RunSettings, ALineThatAnEarlierOneOverridesIsWarnedAboutNamingBoth)
{
    const CmdenvOutcome o = runCmdenv("[General]\nnetwork = PingPong\nseed = 1\nseed = 2\n[Parameters]\n"
                                      "PingPong.**.rounds = 5\nPingPong.Ping.rounds = 3\nPingPong.cableDelay = 0.001\n"
                                      "PingPong.cableDelay = 0.002\nPingPong.Pong.serviceTime = 0.0005\n"
                                      "**.serviceTime = 1\n");
    EXPECT_EQ(o.rc, 0) << o.err;
    EXPECT_NE(o.out.find("PingPong.Ping: 5 round trips in 0.012500 s"), std::string::npos) << o.out;
    EXPECT_EQ(o.err,
              "<!> Warning: seed in section [General] at omnetpp.ini line 4 repeats the setting at omnetpp.ini "
              "line 3, whose value is used: it is ignored\n"
              "<!> Warning: PingPong.Ping.rounds in section [Parameters] at omnetpp.ini line 7 is shadowed by the "
              "earlier line PingPong.**.rounds at omnetpp.ini line 6, which gives every parameter it matches its "
              "value: it is ignored\n"
              "<!> Warning: PingPong.cableDelay in section [Parameters] at omnetpp.ini line 9 is shadowed by the "
              "earlier line PingPong.cableDelay at omnetpp.ini line 8, which gives every parameter it matches its "
              "value: it is ignored\n"
              "<!> Warning: **.serviceTime in section [Parameters] at omnetpp.ini line 11 is shadowed by the "
              "earlier line PingPong.Pong.serviceTime at omnetpp.ini line 10, which gives every parameter it "
              "matches its value: it is ignored\n");
}

// A set-up that stops on a parameter without a value still names the line
// that was meant for it, misspelt; lines for parameters the set-up never
// came to are not called unmatched.
TEST_F(RunSettings, ASetUpThatFailsStillWarnsOfAMisspeltParameterLine)
{
    const CmdenvOutcome o = runCmdenv("[General]\nnetwork = PingPong\n[Parameters]\nPingPong.cableDelay = 0.001\n"
                                      "PingPong.Ping.rouns = 3\nPingPong.Pong.serviceTime = 0.0005\n"
                                      "PingPong.Pong.serviceTime = 0.0007\n");
    EXPECT_EQ(o.rc, 1);
    const std::string misspelt = "<!> Warning: no parameter matches PingPong.Ping.rouns in section [Parameters] at "
                                 "omnetpp.ini line 5: it is ignored\n";
    EXPECT_EQ(o.err.find("<!> Error: Parameter PingPong.Ping.rounds has no value: give it in \"omnetpp.ini\"\n"), 0u)
        << o.err;
    EXPECT_NE(o.err.find(misspelt), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find("cableDelay"), std::string::npos) << o.err;
}

TEST_F(RunSettings, UnknownSectionsAndSettingsAreWarnedAboutByLineAndTheRunGoesOn)
{
    const CmdenvOutcome o = runCmdenv("[General]\nnetwork = PingPong\nsim-time-limt = 1s\n[Genral]\nseed = 3\n"
                                      "[Parameters]\nrounds = 4\nPingPong.cableDelay = 0.001\n"
                                      "PingPong.Ping.rounds = 3\nPingPong.Pong.serviceTime = 0.0005\n"
                                      "[Cmdenv]\nexpress-mode = true\nexpres-mode = false\n");
    EXPECT_EQ(o.rc, 0) << o.err;
    EXPECT_NE(o.out.find("PingPong.Ping: 3 round trips in 0.007500 s"), std::string::npos) << o.out;
    EXPECT_EQ(o.err, "<!> Warning: unknown section [Genral] at omnetpp.ini line 4: its settings are ignored\n"
                     "<!> Warning: unknown setting sim-time-limt in section [General] at omnetpp.ini line 3: it is "
                     "ignored\n"
                     "<!> Warning: unknown setting rounds in section [Parameters] at omnetpp.ini line 7: it is "
                     "ignored\n"
                     "<!> Warning: unknown setting expres-mode in section [Cmdenv] at omnetpp.ini line 13: it is "
                     "ignored\n");
}

TEST_F(RunSettings, AnIniThatIsADirectoryOrHasNoLineEndsIsRefusedAndOneWithAByteOrderMarkRuns)
{
    std::filesystem::create_directory("conf.d");
    CmdenvOutcome o = runCmdenvWith({"-f", "conf.d"});
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.err, "<!> Error: Cannot read ini file conf.d: it is a directory\n");

    o = runCmdenvWith({"-f", "/dev/zero", "--quiet"});
    EXPECT_EQ(o.rc, 1);
    EXPECT_EQ(o.err, "<!> Error: Cannot open ini file /dev/zero: it is a device, not a regular file\n");

    o = runCmdenv("\xEF\xBB\xBF" + pingPongIni(""));
    EXPECT_EQ(o.rc, 0) << o.err;
    EXPECT_NE(o.out.find("PingPong.Ping: 3 round trips"), std::string::npos) << o.out;
}

// The ini and its includes are opened as every other input is: what is no
// regular file, and text that cannot be read by lines, are refused naming the
// file, and so is a NUL byte, behind which a value would lose its end. One
// configuration file is read: a second -f is refused.
TEST_F(RunSettings, AnIniThatIsNoPlainTextFileOrASecondConfigurationFileIsRefused)
{
    ASSERT_EQ(mkfifo("pipe.ini", 0600), 0);
    std::string crIni = pingPongIni("");
    for (char& c : crIni)
        if (c == '\n')
            c = '\r';
    writeFile("mac.ini", crIni);
    std::string utf16 = "\xFF\xFE";
    for (char c : pingPongIni(""))
        utf16 += std::string{c, '\0'};
    writeFile("utf16.ini", utf16);
    writeFile("nul.ini", pingPongIni("", std::string("PingPong.Ping.rounds = 16\0junk\n", 31)));
    writeFile("inc.ini", "include pipe.ini\n");
    writeFile("a.ini", pingPongIni(""));
    const char* const usage = "Usage: ";
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const Case cases[] = {
        {{"-f", "pipe.ini"}, "<!> Error: Cannot open ini file pipe.ini: it is a FIFO, not a regular file\n"},
        {{"-f", "inc.ini"},
         "<!> Error: Error in ini file inc.ini line 1: cannot open included file pipe.ini: it is a "
         "FIFO, not a regular file\n"},
        {{"-f", "mac.ini"},
         "<!> Error: ---> The file \"mac.ini\" ends its lines with CR alone, as old Mac editors "
         "save them, so that they read as one line. Please save it with LF line ends\n"},
        {{"-f", "utf16.ini"},
         "<!> Error: ---> The file \"utf16.ini\" is saved as UTF-16, which no reader takes. "
         "Please save it as plain text (ASCII or UTF-8)\n"},
        {{"-f", "nul.ini"}, "<!> Error: Error in ini file nul.ini line 5: line holds a NUL byte at column 26\n"},
        {{"-f", "a.ini", "-f", "b.ini"},
         "<!> Error: -f is given twice (a.ini and b.ini): a run reads one configuration file\n" + std::string(usage)},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.push_back("--quiet");
        const CmdenvOutcome o = runCmdenvWith(args);
        EXPECT_EQ(o.rc, 1) << c.args[1];
        EXPECT_EQ(o.err.substr(0, c.error.size()), c.error) << c.args[1];
        EXPECT_EQ(o.out, "") << c.args[1];
    }
}

} // namespace
