#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <utility>

#include "sim/Sim.h"
#include "tests/env/CmdenvRun.h"
#include "tests/shared/ScratchDirectory.h"

namespace {

int finishCalls = 0;

class Talker : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    void activity() override
    {
        wait(par("delay").doubleValue());
        EV << "talker says hello at " << simTime() << "\n";
        if (par("fail").boolValue())
            error("---> fail must be false. Please check the file \"omnetpp.ini\"");
        // Left alive on purpose; kept reachable so that leak checkers stay quiet.
        static auto* leaked = new std::vector<cMessage*>;
        leaked->push_back(new cMessage("leaked"));
    }
    void finish() override { ++finishCalls; }
};
const sDescrItem talkerItems[] = {
    {'M', "default", nullptr, 0}, {'P', "delay", "LD", 0}, {'P', "fail", "B", 0}, {'E', nullptr, nullptr, 0}};
Define_Module_Interface(Talker, talkerItems);
Define_Module(Talker, 8192);

void setupTalkNet()
{
    cModule* root = findModuleType("Talker")->create("TalkNet", nullptr);
    simulation.setSystemModule(root);
    root->readInputParams();
}
Define_Network(TalkNet, setupTalkNet);

int abandonCalls = 0;

// Ticks once a second for a minute, printing an unended line each time, and
// raises the signal `signal` at t = 3 s, as Ctrl-C or a kill would.
class Ticker : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    void activity() override
    {
        for (int t = 1; t <= 60; ++t) {
            wait(1.0);
            EV << "tick " << t; // a line left open
            if (t == 3)
                std::raise(static_cast<int>(par("signal").longValue()));
        }
    }
    void finish() override { ++finishCalls; }
    void abandonRun() override { ++abandonCalls; }
};
const sDescrItem tickerItems[] = {{'M', "default", nullptr, 0}, {'P', "signal", "LD", 0}, {'E', nullptr, nullptr, 0}};
Define_Module_Interface(Ticker, tickerItems);
Define_Module(Ticker, 8192);

void setupTickNet()
{
    cModule* root = findModuleType("Ticker")->create("TickNet", nullptr);
    simulation.setSystemModule(root);
    root->readInputParams();
}
Define_Network(TickNet, setupTickNet);

// Raises the signal `signal` while the network is set up: in the middle of
// building it, or, with `inInitialize`, in its initialisation. Its run would
// print at t = 1 s.
class SetUpInterrupter : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    void initialize() override
    {
        if (par("inInitialize").boolValue())
            std::raise(static_cast<int>(par("signal").longValue()));
    }
    void activity() override
    {
        wait(1.0);
        EV << "the run went on\n";
    }
    void finish() override { ++finishCalls; }
    void abandonRun() override { ++abandonCalls; }
};
const sDescrItem setUpInterrupterItems[] = {
    {'M', "default", nullptr, 0}, {'P', "signal", "LD", 0}, {'P', "inInitialize", "B", 0}, {'E', nullptr, nullptr, 0}};
Define_Module_Interface(SetUpInterrupter, setUpInterrupterItems);
Define_Module(SetUpInterrupter, 8192);

void setupInterruptedNet()
{
    cModule* root = findModuleType("SetUpInterrupter")->create("InterruptedNet", nullptr);
    simulation.setSystemModule(root);
    root->readInputParams();
    if (!root->par("inInitialize").boolValue())
        std::raise(static_cast<int>(root->par("signal").longValue()));
}
Define_Network(InterruptedNet, setupInterruptedNet);

// Each case runs in its own working directory.
class Cmdenv : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(scratch.enter("/tmp/velmora_cmdenv_XXXXXX"));
        finishCalls = 0;
    }
    void TearDown() override { scratch.leave(); }
    CmdenvOutcome runCmdenv(const std::string& ini, std::vector<std::string> args = {})
    {
        finishCalls = 0;
        return ::runCmdenv(ini, std::move(args));
    }

    ScratchDirectory scratch;
};

const char* goodIni = "[General]\nnetwork = TalkNet\n[Parameters]\nTalkNet.delay = 2.5\nTalkNet.fail = false\n";

TEST_F(Cmdenv, NormalRunExitsZeroCallsFinishAndReportsLeakedMessages)
{
    CmdenvOutcome o = runCmdenv(goodIni);
    EXPECT_EQ(o.rc, 0) << o.err;
    EXPECT_EQ(finishCalls, 1);
    EXPECT_EQ(o.out.find("talker says hello"), std::string::npos); // express mode by default
    EXPECT_NE(o.err.find("1 message(s) still alive"), std::string::npos) << o.err;
}

TEST_F(Cmdenv, ModuleOutputShowsOutsideExpressMode)
{
    CmdenvOutcome o = runCmdenv(goodIni, {"--express-mode=false"});
    EXPECT_NE(o.out.find("talker says hello at 2.5"), std::string::npos) << o.out;
    CmdenvOutcome fromIni = runCmdenv(std::string(goodIni) + "[Cmdenv]\nexpress-mode = false\n");
    EXPECT_NE(fromIni.out.find("talker says hello"), std::string::npos);
}

TEST_F(Cmdenv, EachEventIsHeadedByABannerOutsideExpressModeOnly)
{
    CmdenvOutcome o = runCmdenv(goodIni, {"-n"});
    EXPECT_NE(o.out.find("** Event #1  T=0.000000000000  TalkNet (Talker, id=0)\n"
                         "** Event #2  T=2.500000000000  TalkNet (Talker, id=0)\n"
                         "talker says hello at 2.5\n"),
              std::string::npos)
        << o.out;
    EXPECT_EQ(o.out.find("** Event #3"), std::string::npos) << o.out;
    // Times to the picosecond; a line a module left open is ended first.
    CmdenvOutcome close = runCmdenv(
        "[General]\nnetwork = TalkNet\n[Parameters]\nTalkNet.delay = 2.000000000001\nTalkNet.fail = false\n", {"-n"});
    EXPECT_NE(close.out.find("** Event #2  T=2.000000000001  TalkNet"), std::string::npos) << close.out;
    CmdenvOutcome open =
        runCmdenv("[General]\nnetwork = TickNet\nsim-time-limit = 2.5s\n[Parameters]\nTickNet.signal = 0\n", {"-n"});
    EXPECT_NE(open.out.find("tick 1\n** Event #3  T=2.000000000000  TickNet (Ticker, id=0)\ntick 2"), std::string::npos)
        << open.out;
    EXPECT_EQ(runCmdenv(goodIni, {"-x"}).out.find("** Event"), std::string::npos);
    // A failed run leaves no observer behind for the next run to call.
    runCmdenv("[General]\nnetwork = TalkNet\n[Parameters]\n**.delay = 1\n**.fail = true\n", {"-n"});
    EXPECT_EQ(simulation.eventObserver(), nullptr);
}

TEST_F(Cmdenv, ModuleErrorExitsNonZeroWithItsMessageAndSkipsFinish)
{
    CmdenvOutcome o = runCmdenv("[General]\nnetwork = TalkNet\n[Parameters]\n**.delay = 1\n**.fail = true\n");
    EXPECT_NE(o.rc, 0);
    EXPECT_EQ(finishCalls, 0);
    EXPECT_NE(o.err.find("<!> Error in module TalkNet: ---> fail must be false. Please check the file "
                         "\"omnetpp.ini\""),
              std::string::npos)
        << o.err;
}

TEST_F(Cmdenv, MissingParameterEndsTheSetUpNamingItsPath)
{
    CmdenvOutcome o = runCmdenv("[General]\nnetwork = TalkNet\n[Parameters]\nTalkNet.delay = 1\n");
    EXPECT_NE(o.rc, 0);
    EXPECT_NE(o.err.find("TalkNet.fail"), std::string::npos) << o.err;
}

TEST_F(Cmdenv, ParameterMessagesNameTheFileThatWasRead)
{
    std::ofstream("other.ini") << "[General]\nnetwork = TalkNet\n[Parameters]\nTalkNet.delay = 1\n";
    CmdenvOutcome missing = runCmdenvWith({"-f", "other.ini", "--quiet"});
    EXPECT_EQ(missing.rc, 1);
    EXPECT_NE(missing.err.find("<!> Error: Parameter TalkNet.fail has no value: give it in \"other.ini\""),
              std::string::npos)
        << missing.err;
    std::ofstream("other.ini") << "[General]\nnetwork = TalkNet\n[Parameters]\n**.delay = \"soon\"\n";
    CmdenvOutcome mistyped = runCmdenvWith({"-f", "other.ini", "--quiet"});
    EXPECT_EQ(mistyped.rc, 1);
    EXPECT_NE(mistyped.err.find("given for parameter TalkNet.delay in \"other.ini\""), std::string::npos)
        << mistyped.err;
    EXPECT_EQ(mistyped.err.find("omnetpp.ini"), std::string::npos);
}

TEST_F(Cmdenv, BadConfigurationEndsWithAClearMessage)
{
    EXPECT_NE(runCmdenv("[General]\nnetwork = NoSuchNet\n").err.find("Network NoSuchNet not found"), std::string::npos);
    EXPECT_NE(runCmdenv("[General]\nseed = 1\n").err.find("No network given"), std::string::npos);
    CmdenvOutcome wrongType = runCmdenv("[General]\nnetwork = TalkNet\n[Parameters]\n**.delay = \"soon\"\n");
    EXPECT_NE(wrongType.rc, 0);
    EXPECT_NE(wrongType.err.find("is not a number"), std::string::npos) << wrongType.err;
    EXPECT_NE(runCmdenv(goodIni, {"--bogus"}).rc, 0);
}

TEST_F(Cmdenv, SimTimeLimitEndsTheRunNormally)
{
    CmdenvOutcome o = runCmdenv(std::string(goodIni) + "[General]\nsim-time-limit = 1s\n");
    EXPECT_EQ(o.rc, 0);
    EXPECT_EQ(finishCalls, 1);
    EXPECT_EQ(o.err.find("still alive"), std::string::npos); // the talker never got to its leak
}

TEST_F(Cmdenv, AnInterruptStopsAtTheNextEventSaysSoSkipsFinishAndExitsWithTheSignal)
{
    for (auto [signal, rc] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
        abandonCalls = 0;
        CmdenvOutcome o =
            runCmdenv("[General]\nnetwork = TickNet\n[Parameters]\nTickNet.signal = " + std::to_string(signal) + "\n");
        EXPECT_EQ(o.rc, rc) << o.err;
        // The event at t = 3 s was the fourth (the first starts the module).
        EXPECT_NE(o.err.find("Interrupted at t=3.000000 s after 4 events\n"), std::string::npos) << o.err;
        EXPECT_EQ(finishCalls, 0);
        EXPECT_EQ(abandonCalls, 1);
        EXPECT_EQ(o.err.find("No more events"), std::string::npos) << o.err;
    }
    // The next run is not interrupted.
    CmdenvOutcome next = runCmdenv(goodIni);
    EXPECT_EQ(next.rc, 0) << next.err;
    EXPECT_EQ(finishCalls, 1);
}

TEST_F(Cmdenv, AnInterruptWhileTheNetworkIsSetUpEndsTheRunBeforeItsFirstEvent)
{
    for (const char* during : {"false", "true"}) {
        for (auto [signal, rc] : {std::pair{SIGINT, 130}, std::pair{SIGTERM, 143}}) {
            SCOPED_TRACE(std::string("in initialisation: ") + during + ", signal " + std::to_string(signal));
            abandonCalls = 0;
            CmdenvOutcome o = runCmdenv("[General]\nnetwork = InterruptedNet\n[Parameters]\nInterruptedNet.signal = " +
                                            std::to_string(signal) + "\nInterruptedNet.inInitialize = " + during + "\n",
                                        {"--express-mode=false"});
            EXPECT_EQ(o.rc, rc) << o.err;
            EXPECT_NE(o.err.find("Interrupted at t=0.000000 s after 0 events\n"), std::string::npos) << o.err;
            EXPECT_EQ(o.out.find("the run went on"), std::string::npos) << o.out;
            EXPECT_EQ(finishCalls, 0);
            EXPECT_EQ(abandonCalls, 1) << "the run's temporary files are removed";
        }
    }
}

TEST_F(Cmdenv, HelpListsEverythingTheBuildContains)
{
    CmdenvOutcome o = runCmdenv(goodIni, {"-h"});
    EXPECT_EQ(o.rc, 0);
    EXPECT_NE(o.out.find("Usage: velmora_cmd"), std::string::npos);
    const size_t networks = o.out.find("Networks:\n");
    ASSERT_NE(networks, std::string::npos) << o.out;
    EXPECT_LT(o.out.find("\n  TalkNet\n", networks), o.out.find("Module types:")) << o.out;
    EXPECT_NE(o.out.find("  Talker\n"), std::string::npos);
}

} // namespace
