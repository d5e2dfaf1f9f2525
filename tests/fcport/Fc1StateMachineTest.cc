// The port state machine alone, its neighbours played by a probe: the
// transition table, PORT_FAIL on leaving the active state, the R_T_TOV
// time-out and its filtering, credit routing and the credit restart.

#include "fcport/PortCodes.h"
#include "messages/MsgKinds.h"
#include "tests/fcport/Fc1Fixture.h"

namespace {

struct Input {
    int kind;
    const char* gate;
};

cMessage* make(const Input& in)
{
    const char* name = msgKindName(in.kind);
    return new cMessage(name, in.kind, in.kind >= IDLE && in.kind <= OLS ? 12 : 0);
}

class Fc1StateMachineTest : public Fc1UnitTest {
  protected:
    void SetUp() override
    {
        Fc1UnitTest::SetUp();
        psm = unit("PortStateMachine", {}, -1);
    }
    // Feeds `inputs` one per millisecond from 1 ms on; returns the time of the last.
    double feed(const std::vector<Input>& inputs, double first = 1e-3)
    {
        double t = first;
        for (const Input& in : inputs) {
            probe->at(t, [in](Probe& p) { p.put(make(in), in.gate); });
            t += 1e-3;
        }
        return t - 1e-3;
    }
    // What arrived on `gate` at time `t`.
    std::vector<std::string> at(double t, const char* gate) const
    {
        std::vector<std::string> out;
        for (const ProbeArrival& a : probe->got)
            if (a.gate == gate && a.time == t)
                out.push_back(a.msg->name());
        return out;
    }
    long state() const { return unitPort->par("portStat").longValue(); }

    cModule* psm = nullptr;
};

const Input rx(int kind)
{
    return {kind, "from_rx"};
}

// Paths from the start (LF2) into each state.
const std::vector<Input> toLF2 = {};
const std::vector<Input> toLF1 = {rx(NOS)};
const std::vector<Input> toOL1 = {{EV_LINK_INIT, "from_tx"}};
const std::vector<Input> toOL2 = {rx(OLS)};
const std::vector<Input> toLR2 = {rx(OLS), rx(LR)};
const std::vector<Input> toLR3 = {rx(OLS), rx(LR), rx(LRR)};
const std::vector<Input> toAC = {rx(OLS), rx(LR), rx(LRR), rx(IDLE)};
const std::vector<Input> toLR1 = {{REQ_LINK_RESET, "from_fc1ctrl"}};
const std::vector<Input> toOL3 = {{EV_LINK_INIT, "from_tx"}, rx(EV_RX_LOS)};

struct Row {
    const char* label;
    const std::vector<Input>* path;
    Input input;
    long newState;
    std::vector<std::string> sent; // on to_tx at the input's time
};

void PrintTo(const Row& r, std::ostream* os)
{
    *os << r.label;
}

class Fc1TransitionTest : public Fc1StateMachineTest, public ::testing::WithParamInterface<Row> {};

TEST_P(Fc1TransitionTest, MovesAndSendsAsTheTableSays)
{
    const Row& r = GetParam();
    std::vector<Input> inputs = *r.path;
    inputs.push_back(r.input);
    const double last = feed(inputs);
    run(last + 1e-6); // before any time-out
    EXPECT_EQ(state(), r.newState) << port_state_name(state());
    EXPECT_EQ(at(last, "to_tx"), r.sent);
}

const Row rows[] = {
    {"ACStaysOnIdle", &toAC, rx(IDLE), PS_AC, {}},
    {"ACGoesToLR2OnLR", &toAC, rx(LR), PS_LR2, {"LRR"}},
    {"LR1RepeatsLROnIdle", &toLR1, rx(IDLE), PS_LR1, {"LR"}},
    {"LR1GoesToLR3OnLRR", &toLR1, rx(LRR), PS_LR3, {"IDLE"}},
    {"LR2RepeatsLRROnLR", &toLR2, rx(LR), PS_LR2, {"LRR"}},
    {"LR2GoesActiveOnIdle", &toLR2, rx(IDLE), PS_AC, {"IDLE"}},
    {"LR3RepeatsIdleOnLRR", &toLR3, rx(LRR), PS_LR3, {"IDLE"}},
    {"LR3GoesToLR2OnLR", &toLR3, rx(LR), PS_LR2, {"LRR"}},
    {"LF1RepeatsOLSOnIdle", &toLF1, rx(IDLE), PS_LF1, {"OLS"}},
    {"LF1GoesToLR2OnLR", &toLF1, rx(LR), PS_LR2, {"LRR"}},
    {"LF2RepeatsNOSOnLR", &toLF2, rx(LR), PS_LF2, {"NOS"}},
    {"OL1RepeatsOLSOnLRR", &toOL1, rx(LRR), PS_OL1, {"OLS"}},
    {"OL2RepeatsLROnIdle", &toOL2, rx(IDLE), PS_OL2, {"LR"}},
    {"OL2GoesToLR3OnLRR", &toOL2, rx(LRR), PS_LR3, {"IDLE"}},
    {"OL3GoesToLF2OnLR", &toOL3, rx(LR), PS_LF2, {"NOS"}},
    {"OL3RepeatsNOSOnIdle", &toOL3, rx(IDLE), PS_OL3, {"NOS"}},
};

INSTANTIATE_TEST_SUITE_P(Table, Fc1TransitionTest, ::testing::ValuesIn(rows),
                         [](const ::testing::TestParamInfo<Row>& info) { return info.param.label; });

// Whatever the state, NOS says the far end lost its link, OLS that it went
// off line, and a loss of signal that there is no far end: each leads to the
// one state that answers it (a port already off line stays off line when the
// signal goes), and a state that is that answer restarts its timer.
TEST_F(Fc1StateMachineTest, NosOlsAndLossOfSignalLeadToTheSameStateFromEveryState)
{
    const std::pair<const char*, const std::vector<Input>*> from[] = {
        {"AC", &toAC},   {"LR1", &toLR1}, {"LR2", &toLR2}, {"LR3", &toLR3}, {"LF1", &toLF1},
        {"LF2", &toLF2}, {"OL1", &toOL1}, {"OL2", &toOL2}, {"OL3", &toOL3}};
    for (const auto& [name, path] : from)
        for (int kind : {NOS, OLS, EV_RX_LOS}) {
            SCOPED_TRACE(std::string(name) + " on " + msgKindName(kind));
            TearDown();
            SetUp();
            std::vector<Input> inputs = *path;
            inputs.push_back(rx(kind));
            const double last = feed(inputs);
            run(last + 1e-6);
            const bool offLine = name[0] == 'O';
            const long answer = kind == NOS ? PS_LF1 : kind == OLS ? PS_OL2 : offLine ? PS_OL3 : PS_LF2;
            EXPECT_EQ(state(), answer) << port_state_name(state());
            EXPECT_EQ(at(last, "to_tx"), std::vector<std::string>{kind == NOS ? "OLS" : kind == OLS ? "LR" : "NOS"});
        }
}

TEST_F(Fc1StateMachineTest, StartsInLF2AndFirstAsksTheTransmitterToInitialiseThePort)
{
    run();
    EXPECT_EQ(state(), PS_LF2);
    EXPECT_EQ(unitPort->par("portMode").longValue(), PORT_MODE_NONE);
    EXPECT_EQ(probe->namesOn("to_tx"), std::vector<std::string>{"EV_PORT_INIT"});
}

TEST_F(Fc1StateMachineTest, ReachingTheActiveStateReportsPortReadyAndRestartsTheCredit)
{
    unitPort->addPar("currBbCnt").setLongValue(3);
    const double last = feed(toAC);
    run();
    EXPECT_EQ(at(last, "to_fc1ctrl"), (std::vector<std::string>{"PORT_READY", "R_RDY", "R_RDY", "R_RDY"}));
    EXPECT_EQ(at(last, "to_rxbuf"), std::vector<std::string>{"PORT_READY"});
    EXPECT_TRUE(logged("Rx received IDLEs, Port State from LR3 transition to AC !"));
}

TEST_F(Fc1StateMachineTest, LeavingTheActiveStateLoggedInFailsThePortOnceAndALinkResetDoesNot)
{
    std::vector<Input> inputs = toAC;
    inputs.push_back({REQ_LINK_RESET, "from_fc1ctrl"}); // LR1: no PORT_FAIL
    inputs.push_back(rx(NOS));                          // LF1: PORT_FAIL
    inputs.push_back(rx(EV_RX_LOS));                    // LF2: mode already 0
    probe->at(4.5e-3, [this](Probe&) { unitPort->par("portMode").setLongValue(N_PORT_MODE); });
    feed(inputs);
    run();
    EXPECT_EQ(probe->namesOn("to_rxbuf"), (std::vector<std::string>{"PORT_READY", "PORT_FAIL"}));
    EXPECT_EQ(unitPort->par("portMode").longValue(), PORT_MODE_NONE);
    EXPECT_EQ(state(), PS_LF2);
}

TEST_F(Fc1StateMachineTest, ATimeOutFiresRtTovLaterAndCountsUnlessTheTimerWasResetMoreThanOnePercentLater)
{
    // LR1 at 1 s schedules its time-out for 1.1 s (rtTov 100 ms); a timer
    // reset 0.5 ms later still lets it count, one 2 ms later does not.
    for (double reset : {0.0005, 0.002}) {
        SCOPED_TRACE(reset);
        TearDown();
        SetUp();
        probe->at(1.0, [](Probe& p) { p.put(new cMessage("REQ_LINK_RESET", REQ_LINK_RESET, 0), "from_fc1ctrl"); });
        probe->at(1.0 + reset, [](Probe& p) { p.put(new cMessage("SPEED_NEGO", SPEED_NEGO, 12), "from_rx"); });
        run();
        if (reset < 0.001) {
            EXPECT_EQ(state(), PS_LF2);
            EXPECT_EQ(at(1.1, "to_tx"), std::vector<std::string>{"NOS"});
        } else {
            EXPECT_EQ(state(), PS_LR1);
            EXPECT_TRUE(logged("TimeOut not exceeded, remains at LR1, drop out the old TO message."));
        }
    }
    // A hundred-microsecond time-out fires a hundred microseconds later.
    TearDown();
    SetUp();
    unitPort->par("rtTov").setDoubleValue(0.1);
    feed({{REQ_LINK_RESET, "from_fc1ctrl"}}, 1.0);
    run();
    EXPECT_EQ(state(), PS_LF2);
    const ProbeArrival* nos = probe->first("to_tx", NOS);
    ASSERT_NE(nos, nullptr);
    EXPECT_NEAR(nos->time, 1.0001, 1e-12);
}

TEST_F(Fc1StateMachineTest, CreditsPassOnlyInTheActiveStateAndOnlyFromTheirTwoSources)
{
    const double last = feed(toAC);
    probe->at(last + 1e-3, [](Probe& p) {
        p.put(new cMessage("R_RDY", R_RDY, 4), "from_rxbuf");
        p.put(new cMessage("R_RDY", R_RDY, 4), "from_rx");
    });
    // Before the active state both are dropped.
    probe->at(0.5e-3, [](Probe& p) {
        p.put(new cMessage("R_RDY", R_RDY, 4), "from_rxbuf");
        p.put(new cMessage("R_RDY", R_RDY, 4), "from_rx");
    });
    run();
    EXPECT_EQ(at(last + 1e-3, "to_tx"), std::vector<std::string>{"R_RDY"});
    EXPECT_EQ(at(last + 1e-3, "to_fc1ctrl"), std::vector<std::string>{"R_RDY"});
    EXPECT_TRUE(at(0.5e-3, "to_tx").empty());
    EXPECT_TRUE(at(0.5e-3, "to_fc1ctrl").empty());
}

TEST_F(Fc1StateMachineTest, AnLrrInTheActiveStateAKindWithoutActionOrACreditFromElsewhereStopsTheRun)
{
    std::vector<Input> inputs = toAC;
    inputs.push_back(rx(LRR));
    feed(inputs);
    EXPECT_EQ(errorOf([&] { run(); }), "---> Rx received LRR, This is an ERROR for Port Stat");

    TearDown();
    SetUp();
    feed({rx(FRAME_TX_OK)});
    EXPECT_EQ(errorOf([&] { run(); }), "---> Rx received FRAME_TX_OK, currently no action associated with it");

    TearDown();
    SetUp();
    const double last = feed(toAC);
    probe->at(last + 1e-3, [](Probe& p) { p.put(new cMessage("R_RDY", R_RDY, 4), "from_fc1ctrl"); });
    EXPECT_EQ(errorOf([&] { run(); }), "---> R_RDY heading to wrong place");
}

} // namespace

namespace {

// The state is WATCHed, so that an inspector can follow it as it moves.
TEST_F(Fc1StateMachineTest, StateIsWatchedAsItMoves)
{
    auto watched = [this]() -> std::string {
        for (const cModule::Watch& w : psm->watches())
            if (w.name == "state_")
                return w.text();
        return "not watched";
    };
    const double last = feed(toAC);
    run(1e-4);
    EXPECT_EQ(watched(), "5"); // LF2, before the first input
    run(last + 1e-6);
    EXPECT_EQ(watched(), "0"); // AC
}

} // namespace
