// The FC-1 controller's routing and the receive buffer's hand-out protocol,
// each module alone with a probe for its neighbours; and the layer's build.

#include "fcport/PortCodes.h"
#include "messages/MsgKinds.h"
#include "tests/fcport/Fc1Fixture.h"

namespace {

struct Route {
    int kind;
    const char* from;
    const char* to;
};

void PrintTo(const Route& r, std::ostream* os)
{
    *os << msgKindName(r.kind) << " from " << r.from;
}

cMessage* plain(int kind)
{
    return new cMessage(msgKindName(kind), kind, 0);
}

cMessage* part(int kind)
{
    switch (kind) {
    case FC_FRAME_HEAD: return make_head(1, 0x010100);
    case FC_FRAME_PAYLOAD: return make_payload(1, 10);
    case FC_FRAME_TAIL: return make_tail(1);
    default: return plain(kind);
    }
}

class Fc1ControllerTest : public Fc1UnitTest, public ::testing::WithParamInterface<Route> {
  protected:
    void SetUp() override
    {
        Fc1UnitTest::SetUp();
        unit("Fc1Controller");
    }
    void put(double t, int kind, const char* gate)
    {
        probe->at(t, [kind, gate](Probe& p) { p.put(part(kind), gate); });
    }
};

TEST_P(Fc1ControllerTest, PassesTheMessageOnUnchanged)
{
    put(1e-6, GetParam().kind, GetParam().from);
    run();
    ASSERT_EQ(probe->got.size(), 1u);
    EXPECT_EQ(probe->got[0].gate, GetParam().to);
    EXPECT_EQ(probe->got[0].msg->kind(), GetParam().kind);
    EXPECT_DOUBLE_EQ(probe->got[0].time, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(
    Routes, Fc1ControllerTest,
    ::testing::Values(Route{REQ_LINK_RESET, "from_fc2", "to_psm"}, Route{RESET_ALL, "from_fc2", "to_fc2"},
                      Route{FC_FRAME_HEAD, "from_fc2", "to_tx"}, Route{FC_FRAME_PAYLOAD, "from_fc2", "to_tx"},
                      Route{FC_FRAME_TAIL, "from_fc2", "to_tx"}, Route{FC_FRAME_PAYLOAD, "from_rxbuf", "to_fc2"},
                      Route{FC_FRAME_TAIL, "from_rxbuf", "to_fc2"}, Route{FRAME_TX_OK, "from_tx", "to_fc2"},
                      Route{REQ_FRM_FWD, "from_rxbuf", "to_fc2"}, Route{REQ_FRM_RX, "from_rxbuf", "to_fc2"},
                      Route{ACK_FRM_FWD, "from_fc2", "to_rxbuf"}, Route{RJT_FRM_FWD, "from_fc2", "to_rxbuf"},
                      Route{COM_FRM_FWD, "from_fc2", "to_rxbuf"}, Route{ACK_FRM_RX, "from_fc2", "to_rxbuf"},
                      Route{COM_FRM_RX, "from_fc2", "to_rxbuf"}, Route{R_RDY, "from_psm", "to_fc2"}),
    [](const ::testing::TestParamInfo<Route>& info) {
        return std::string(msgKindName(info.param.kind)) + "_" + info.param.from;
    });

class Fc1ControllerEventsTest : public Fc1ControllerTest {};

TEST_F(Fc1ControllerEventsTest, PortReadyBecomesOneLinkUpAndPortFailTurnsTheLinkOffBeforeLinkDown)
{
    put(1e-6, PORT_READY, "from_psm");
    put(2e-6, PORT_FAIL, "from_rxbuf");
    run();
    ASSERT_EQ(probe->got.size(), 3u);
    EXPECT_EQ(probe->got[0].gate, "to_fc2");
    EXPECT_STREQ(probe->got[0].msg->name(), "LINK_UP");
    EXPECT_EQ(probe->got[0].msg->kind(), LINK_UP);
    EXPECT_EQ(probe->got[1].gate, "to_tx");
    EXPECT_EQ(probe->got[1].msg->kind(), TX_COLR_OFF);
    EXPECT_EQ(probe->got[2].gate, "to_fc2");
    EXPECT_EQ(probe->got[2].msg->kind(), LINK_DOWN);
}

TEST_F(Fc1ControllerEventsTest, AHeadFromTheReceiveBufferOrAKindOutsideTheTableStopsTheRun)
{
    put(1e-6, FC_FRAME_HEAD, "from_rxbuf");
    EXPECT_EQ(errorOf([&] { run(); }), "---> FC_FRAME_HEAD came from wrong place");
    TearDown();
    SetUp();
    put(1e-6, LINK_UP, "from_fc2");
    EXPECT_EQ(errorOf([&] { run(); }), "ERROR: No idea know how to handle message: LINK_UP !");
}

class Fc1RecvBufferTest : public Fc1UnitTest {
  protected:
    void SetUp() override
    {
        Fc1UnitTest::SetUp();
        PortSetup one;
        one.rxBuf = 1;
        unit("RecvBuffer", one);
        unitPort->par("portMode").setLongValue(N_PORT_MODE);
    }
    void frame(double t, unsigned long gid)
    {
        probe->at(t, [gid](Probe& p) {
            p.put(make_head(gid, 0x010100), "from_rx");
            p.put(make_payload(gid, 10), "from_rx");
            p.put(make_tail(gid), "from_rx");
        });
    }
    void answer(double t, int kind)
    {
        probe->at(t, [kind](Probe& p) { p.put(plain(kind), "from_fc1ctrl"); });
    }
};

TEST_F(Fc1RecvBufferTest, HandsAFrameOutOnePartPerAnswerAndGivesOneCreditWhenDone)
{
    frame(1e-6, 1);
    answer(2e-6, ACK_FRM_RX);
    answer(3e-6, COM_FRM_RX);
    run();
    ASSERT_EQ(probe->namesOn("to_fc1ctrl"),
              (std::vector<std::string>{"REQ_FRM_RX", "FC_FRAME_PAYLOAD", "FC_FRAME_TAIL"}));
    EXPECT_DOUBLE_EQ(probe->got[0].time, 1e-6);
    EXPECT_DOUBLE_EQ(probe->got[1].time, 2e-6); // held until FC-2 answered
    const cMessage* req = probe->got[0].msg.get();
    ASSERT_NE(req->encapsulatedMsg(), nullptr);
    EXPECT_EQ(req->encapsulatedMsg()->kind(), FC_FRAME_HEAD);
    ASSERT_EQ(probe->namesOn("to_psm"), std::vector<std::string>{"R_RDY"});
    EXPECT_EQ(probe->first("to_psm", R_RDY)->msg->length(), 4);
    EXPECT_DOUBLE_EQ(probe->first("to_psm", R_RDY)->time, 3e-6);
}

TEST_F(Fc1RecvBufferTest, PortFailEmptiesTheBuffersAndLateAnswersOnlyWarn)
{
    frame(1e-6, 1);
    probe->at(2e-6, [](Probe& p) { p.put(plain(PORT_FAIL), "from_psm"); });
    answer(3e-6, ACK_FRM_RX);
    answer(4e-6, COM_FRM_RX);
    frame(5e-6, 2); // with every buffer free again this is no overrun
    run();
    EXPECT_EQ(probe->namesOn("to_fc1ctrl"), (std::vector<std::string>{"REQ_FRM_RX", "PORT_FAIL", "REQ_FRM_RX"}));
    EXPECT_TRUE(probe->namesOn("to_psm").empty());
    const std::string warn = readFile("Warnings.log");
    EXPECT_NE(warn.find("RJT/ACK_FRM_FWD or ACK_FRM_RX came but link is down!"), std::string::npos);
    EXPECT_NE(warn.find("COM_FRM_FWD/RX came but link is down!"), std::string::npos);
}

TEST_F(Fc1RecvBufferTest, FramesHeldWhenTheLinkResetCompletesFinishWithoutACredit)
{
    unitPort->par("rxBufSize").setLongValue(4);
    frame(1e-6, 1);
    frame(1e-6, 2);
    probe->at(2e-6, [](Probe& p) { p.put(plain(PORT_READY), "from_psm"); });
    for (double t : {3e-6, 5e-6, 7e-6})
        answer(t, ACK_FRM_RX);
    for (double t : {4e-6, 6e-6, 8e-6})
        answer(t, COM_FRM_RX);
    frame(4.5e-6, 3);
    run();
    EXPECT_EQ(probe->namesOn("to_fc1ctrl").size(), 9u);
    ASSERT_EQ(probe->namesOn("to_psm"), std::vector<std::string>{"R_RDY"});
    EXPECT_DOUBLE_EQ(probe->first("to_psm", R_RDY)->time, 8e-6);
}

TEST_F(Fc1RecvBufferTest, ACompletionWithNoFrameOutStopsTheRun)
{
    frame(1e-6, 1);
    answer(2e-6, ACK_FRM_RX);
    answer(3e-6, COM_FRM_RX);
    answer(4e-6, COM_FRM_RX);
    EXPECT_EQ(errorOf([&] { run(); }), "---> COM_FRM_FWD/RX expecting BufOut active");
}

class Fc1LayerBuildTest : public Fc1Test {};

TEST_F(Fc1LayerBuildTest, TheLayerHoldsItsSixModulesWithTheirDisplayStringsAndZeroedCounters)
{
    addCable("DevA", "TestHost", "DevB", "TestHost", 1e-5);
    build();
    cModule* layer = port("DevA")->submodule("Fc1");
    EXPECT_STREQ(layer->backgroundDisplayString(), "o=#ffffff;p=10,10;b=475,385");
    const std::vector<std::pair<const char*, const char*>> subs = {
        {"Tx", "i=tx;p=365,156;b=50,50"},        {"Rx", "i=rx;p=365,266;b=50,50"},
        {"Fc1Ctrl", "i=asic;p=128,156;b=35,35"}, {"Psm", "i=psm;p=240,209;b=50,50"},
        {"RxBuf", "i=rxbuf;p=128,266;b=75,35"},  {"TxEvGen", "i=txev;p=240,79;b=50,50"}};
    ASSERT_EQ(layer->submodules().size(), subs.size());
    for (size_t i = 0; i < subs.size(); ++i) {
        EXPECT_STREQ(layer->submodules()[i]->name(), subs[i].first);
        EXPECT_STREQ(layer->submodules()[i]->displayString(), subs[i].second);
    }
    for (const char* p : {"txFrmDelta", "txPayDelta", "totalTxKbComp", "txByteCompDelta"}) {
        EXPECT_EQ(layer->submodule("Tx")->par(p).type(), cPar::LONG) << p;
        EXPECT_EQ(layer->submodule("Tx")->par(p).longValue(), 0) << p;
    }
    EXPECT_STREQ(layer->gate("link_in")->displayString(), "o=#ffffff");
    EXPECT_STREQ(layer->submodule("TxEvGen")->gate("to_tx")->toGate()->ownerModule()->name(), "Tx");
}

} // namespace
