// The transmitter alone: speed negotiation, the line time of every message,
// credits around frames, switching off and on, frames across a link reset
// and the settings it checks.

#include "fcport/PortCodes.h"
#include "messages/MsgKinds.h"
#include "tests/fcport/Fc1Fixture.h"

namespace {

class Fc1TransmitterTest : public Fc1UnitTest {
  protected:
    void SetUp() override
    {
        Fc1UnitTest::SetUp();
        tx = unit("Transmitter");
    }
    // From the state machine or the controller at `t`.
    void psm(double t, cMessage* msg)
    {
        probe->at(t, [msg](Probe& p) { p.put(msg, "from_psm"); });
    }
    void ctrl(double t, cMessage* msg)
    {
        probe->at(t, [msg](Probe& p) { p.put(msg, "from_fc1ctrl"); });
    }
    void events(double t, cMessage* msg)
    {
        probe->at(t, [msg](Probe& p) { p.put(msg, "from_txevgen"); });
    }
    void state(double t, long s)
    {
        probe->at(t, [this, s](Probe&) { unitPort->par("portStat").setLongValue(s); });
    }
    // Negotiates up by 1 ms: its own request out, the peer's acknowledgement
    // back, sent `oneWay` seconds before it arrives.
    void comeUp(double oneWay = 5e-5)
    {
        psm(0, new cMessage("EV_PORT_INIT", EV_PORT_INIT, 0));
        probe->at(1e-3, [oneWay](Probe& p) {
            auto* ack = new cMessage("SPEED_NEGO_ACK", SPEED_NEGO_ACK, 12);
            ack->addPar("sTime").setDoubleValue(p.simTime() - oneWay);
            p.put(ack, "from_psm");
        });
    }
    static cMessage* nego(long speed, bool master, double sTime)
    {
        auto* m = new cMessage("SPEED_NEGO", SPEED_NEGO, 12);
        m->addPar("speedReq").setLongValue(speed);
        m->addPar("master").setBoolValue(master);
        m->addPar("sTime").setDoubleValue(sTime);
        return m;
    }
    std::vector<double> lineTimes() const
    {
        std::vector<double> out;
        for (const ProbeArrival& a : probe->got)
            if (a.gate == "link_out")
                out.push_back(a.time);
        return out;
    }

    cModule* tx = nullptr;
};

TEST_F(Fc1TransmitterTest, AFasterRequestIsAnsweredWithTheOwnSpeedAndASlowerOneLowersIt)
{
    unitPort->par("maxPortSpeed").setLongValue(2);
    unitPort->par("currPortSpeed").setDoubleValue(twoGigBaud);
    psm(0, new cMessage("EV_PORT_INIT", EV_PORT_INIT, 0));
    psm(1e-3, nego(1, true, 0.5e-3));
    run();
    const ProbeArrival* answer = nullptr;
    for (const ProbeArrival& a : probe->got)
        if (a.gate == "link_out" && a.time == 1e-3)
            answer = &a;
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer->msg->par("speedReq").longValue(), 1);
    EXPECT_FALSE(answer->msg->par("master").boolValue());
    EXPECT_DOUBLE_EQ(answer->msg->par("sTime").doubleValue(), 0.5e-3);
    EXPECT_EQ(unitPort->par("currPortSpeed").doubleValue(), oneGigBaud);
}

TEST_F(Fc1TransmitterTest, TheAnswerToItsOwnRequestBringsTheTransmitterUpAndStartsLinkInitialisation)
{
    psm(0, new cMessage("EV_PORT_INIT", EV_PORT_INIT, 0));
    psm(1e-3, nego(2, false, 0.79e-3)); // the peer answers: its maximum is higher
    run();
    EXPECT_EQ(tx->par("txStat").longValue(), 9);
    EXPECT_EQ(probe->namesOn("to_psm"), std::vector<std::string>{"EV_LINK_INIT"});
    EXPECT_EQ(probe->namesOn("link_out"), (std::vector<std::string>{"SPEED_NEGO", "SPEED_NEGO_ACK"}));
    EXPECT_EQ(unitPort->par("currPortSpeed").doubleValue(), oneGigBaud);
    // The round trip of 0.21 ms is 63 km.
    EXPECT_EQ(unitPort->par("sFact").longValue(), 7);
}

TEST_F(Fc1TransmitterTest, CreditsGivenDuringAFrameWaitForItsTailOnePerTail)
{
    comeUp();
    const double t = 2e-3;
    ctrl(t, make_head(5, 0x010100));
    psm(t + 1e-9, new cMessage("R_RDY", R_RDY, 4));
    psm(t + 1e-9, new cMessage("R_RDY", R_RDY, 4));
    ctrl(t + 2e-9, make_payload(5, 500));
    ctrl(t + 2e-9, make_tail(5));
    psm(3e-3, new cMessage("R_RDY", R_RDY, 4));
    run();
    EXPECT_EQ(probe->namesOn("link_out"), (std::vector<std::string>{"SPEED_NEGO", "FC_FRAME_HEAD", "FC_FRAME_PAYLOAD",
                                                                    "FC_FRAME_TAIL", "R_RDY", "R_RDY", "R_RDY"}));
    const std::vector<double> times = lineTimes();
    EXPECT_NEAR(times[2], t + lineTime(36, oneGigBaud), 1e-15);
    EXPECT_NEAR(times[3], t + lineTime(36 + 500, oneGigBaud), 1e-15);
    EXPECT_NEAR(times[4], t + lineTime(36 + 500 + 16, oneGigBaud), 1e-15);
    // The second waiting credit goes only with the next one given.
    EXPECT_DOUBLE_EQ(times[5], 3e-3);
    ASSERT_NE(probe->first("to_fc1ctrl", FRAME_TX_OK), nullptr);
    EXPECT_NEAR(probe->first("to_fc1ctrl", FRAME_TX_OK)->time, times[3], 1e-15);
    EXPECT_EQ(tx->par("txPayDelta").longValue(), 500);
}

TEST_F(Fc1TransmitterTest, SwitchedOffNothingReachesTheLineUntilGainOfSignal)
{
    comeUp();
    events(2e-3, new cMessage("EV_TX_OFF", EV_TX_OFF, 0));
    psm(3e-3, new cMessage("OLS", OLS, 12));
    ctrl(3e-3, make_head(1, 0x010100));
    events(4e-3, new cMessage("EV_TX_ON", EV_TX_ON, 0));
    run();
    EXPECT_EQ(probe->namesOn("link_out"), (std::vector<std::string>{"SPEED_NEGO", "EV_RX_LOS", "EV_RX_GOS"}));
    EXPECT_EQ(probe->namesOn("to_psm"), (std::vector<std::string>{"EV_TX_OFF", "EV_TX_ON"}));
    EXPECT_TRUE(logged("Transmitter is down, reject OLS"));
    EXPECT_TRUE(logged("Transmitter is down, reject FC_FRAME_HEAD"));
    EXPECT_EQ(tx->par("txStat").longValue(), 10);
    const std::string warn = readFile("Warnings.log");
    EXPECT_NE(warn.find("ALERT: Transmitter is off!"), std::string::npos);
    EXPECT_NE(warn.find("NOTICE: Transmitter is powered on."), std::string::npos);
}

TEST_F(Fc1TransmitterTest, AFrameWhoseHeadIsOutIsFinishedAfterThePortLeavesTheActiveState)
{
    comeUp();
    ctrl(2e-3, make_head(1, 0x010100));
    state(2.1e-3, PS_LR1);
    ctrl(2.2e-3, make_payload(1, 100));
    ctrl(2.2e-3, make_tail(1));
    // A new frame during the reset is refused and reported sent.
    ctrl(2.3e-3, make_head(2, 0x010100));
    ctrl(2.3e-3, make_payload(2, 100));
    ctrl(2.3e-3, make_tail(2));
    // In a failed link it is refused and not reported.
    state(2.4e-3, PS_LF1);
    ctrl(2.5e-3, make_head(3, 0x010100));
    ctrl(2.5e-3, make_payload(3, 100));
    ctrl(2.5e-3, make_tail(3));
    run();
    EXPECT_EQ(probe->namesOn("link_out"),
              (std::vector<std::string>{"SPEED_NEGO", "FC_FRAME_HEAD", "FC_FRAME_PAYLOAD", "FC_FRAME_TAIL"}));
    EXPECT_EQ(probe->namesOn("to_fc1ctrl"), (std::vector<std::string>{"FRAME_TX_OK", "FRAME_TX_OK"}));
    EXPECT_DOUBLE_EQ(probe->got.back().time, 2.3e-3);
}

TEST_F(Fc1TransmitterTest, APayloadWithoutItsHeadStopsTheRun)
{
    comeUp();
    ctrl(2e-3, make_payload(1, 100));
    EXPECT_EQ(errorOf([&] { run(); }), "ERROR: FC_FRAME_PAYLOAD should follow FC_FRAME_HEAD!");
}

struct Setting {
    const char* name;
    long value;
    const char* error;
};

class Fc1TransmitterSettingTest : public Fc1UnitTest, public ::testing::WithParamInterface<Setting> {};

TEST_P(Fc1TransmitterSettingTest, ABadSettingStopsTheRunAtInitialisation)
{
    root->par(GetParam().name).setLongValue(GetParam().value);
    unit("Transmitter");
    EXPECT_EQ(errorOf([&] { run(); }), GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    RootSettings, Fc1TransmitterSettingTest,
    ::testing::Values(
        Setting{"light_speed", 289999,
                "---> Wrong light_speed setup. Consider a value within [290000,300000]. Please check the file "
                "\"omnetpp.ini\""},
        Setting{"light_speed", 300001,
                "---> Wrong light_speed setup. Consider a value within [290000,300000]. Please check the file "
                "\"omnetpp.ini\""},
        Setting{"link_1G_cost", 0, "---> Wrong link_1G_cost setup. Must > 0. Please check the file \"omnetpp.ini\""},
        Setting{"link_2G_cost", -5, "---> Wrong link_2G_cost setup. Must > 0. Please check the file \"omnetpp.ini\""},
        Setting{"s_fact_km", 0, "---> Wrong s_fact_km setup. Must > 0km. Please check the file \"omnetpp.ini\""}),
    [](const ::testing::TestParamInfo<Setting>& info) {
        return std::string(info.param.name) + (info.param.value > 0 ? "TooHigh" : "TooLow") +
               std::to_string(info.index);
    });

} // namespace
