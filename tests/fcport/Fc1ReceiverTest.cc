// The receiver alone: decoding of line lengths, where each message goes,
// the frame checks, replacement parts for frames that lose their payload or
// are cut off, and loss of signal.

#include "fcport/PortCodes.h"
#include "messages/MsgKinds.h"
#include "tests/fcport/Fc1Fixture.h"

namespace {

// Frame parts as they come off the line: heads carry ten bit-times per byte.
cMessage* lineHead(unsigned long gid)
{
    FcFrameHead* h = make_head(gid, 0x010100);
    h->setLength(360);
    return h;
}

cMessage* lineSeq(const char* name, int kind, long bytes)
{
    return new cMessage(name, kind, bytes * 10);
}

class Fc1ReceiverTest : public Fc1UnitTest {
  protected:
    void SetUp() override
    {
        Fc1UnitTest::SetUp();
        rx = unit("Receiver");
    }
    // Puts `msg` on the line at `t`.
    void line(double t, cMessage* msg)
    {
        probe->at(t, [msg](Probe& p) { p.put(msg, "link_in"); });
    }
    void state(double t, long s)
    {
        probe->at(t, [this, s](Probe&) { unitPort->par("portStat").setLongValue(s); });
    }
    const FcFramePayload* payload(size_t i) const { return dynamic_cast<const FcFramePayload*>(part(i)); }
    const FcFrameTail* tail(size_t i) const { return dynamic_cast<const FcFrameTail*>(part(i)); }
    // The i-th message handed to the receive buffer.
    const cMessage* part(size_t i) const
    {
        size_t n = 0;
        for (const ProbeArrival& a : probe->got)
            if (a.gate == "to_rxbuf" && n++ == i)
                return a.msg.get();
        return nullptr;
    }
    long count(const char* name) const { return rx->par(name).longValue(); }

    cModule* rx = nullptr;
};

TEST_F(Fc1ReceiverTest, DecodesLineLengthsAndSendsFramesToTheBufferAndTheRestToTheStateMachine)
{
    line(1e-6, lineHead(7));
    line(2e-6, make_payload(7, 100));
    line(3e-6, make_tail(7));
    line(4e-6, lineSeq("IDLE", IDLE, 12));
    line(5e-6, lineSeq("R_RDY", R_RDY, 4));
    line(5.5e-6, lineSeq("IDLE", IDLE, 0)); // length 0 is a multiple of ten
    state(6e-6, PS_LR2);
    line(7e-6, lineSeq("R_RDY", R_RDY, 4)); // outside AC: dropped
    run();
    EXPECT_EQ(probe->namesOn("to_rxbuf"),
              (std::vector<std::string>{"FC_FRAME_HEAD", "FC_FRAME_PAYLOAD", "FC_FRAME_TAIL"}));
    EXPECT_EQ(probe->namesOn("to_psm"), (std::vector<std::string>{"IDLE", "R_RDY", "IDLE"}));
    EXPECT_EQ(part(0)->length(), 36);
    EXPECT_EQ(probe->first("to_psm", IDLE)->msg->length(), 12);
    EXPECT_DOUBLE_EQ(dynamic_cast<const FcFrameHead*>(part(0))->getFrmFwdStime(), 1e-6);
    EXPECT_DOUBLE_EQ(tail(2)->getNetEtime(), 3e-6); // a node port stamps the tail
    EXPECT_EQ(count("rxFrmDelta"), 1);
    EXPECT_EQ(count("rxPayDelta"), 100);
    EXPECT_EQ(count("rxByteCompDelta"), 36 + 100 + 16 + 12 + 4 + 0 + 4);
}

TEST_F(Fc1ReceiverTest, ATailWithoutPayloadGetsAReplacementPayloadAndAnAbortDelimiter)
{
    line(1e-6, lineHead(3));
    line(2e-6, make_tail(3));
    run();
    ASSERT_EQ(probe->namesOn("to_rxbuf").size(), 3u);
    ASSERT_NE(payload(1), nullptr);
    EXPECT_TRUE(payload(1)->getFakePay());
    EXPECT_EQ(payload(1)->getPayLen(), 0);
    EXPECT_EQ(payload(1)->getFrmGid(), 3u);
    EXPECT_EQ(tail(2)->getEof(), static_cast<unsigned long>(EOFa));
    const std::string warn = readFile("Warnings.log");
    EXPECT_NE(warn.find("FC_FRAME_TAIL found FC_FRAME_PAYLOAD haven't been received, so make a fake payload."),
              std::string::npos);
    EXPECT_NE(warn.find("Missing FC_FRAME_PAYLOAD, make a fake one. "), std::string::npos);
}

TEST_F(Fc1ReceiverTest, AFrameCutOffByAnIdleIsCompletedAsAbortedAndItsLatePartsAreDropped)
{
    line(1e-6, lineHead(1));
    line(2e-6, lineSeq("IDLE", IDLE, 12));
    line(3e-6, make_payload(1, 64));
    line(4e-6, make_tail(1));
    line(5e-6, lineHead(2));
    line(6e-6, make_payload(2, 64));
    line(7e-6, make_tail(2));
    run();
    EXPECT_EQ(probe->namesOn("to_rxbuf"),
              (std::vector<std::string>{"FC_FRAME_HEAD", "FC_FRAME_PAYLOAD", "FC_FRAME_TAIL", "FC_FRAME_HEAD",
                                        "FC_FRAME_PAYLOAD", "FC_FRAME_TAIL"}));
    EXPECT_TRUE(payload(1)->getFakePay());
    EXPECT_EQ(tail(2)->getEof(), static_cast<unsigned long>(EOFa));
    EXPECT_EQ(tail(2)->getTailLen(), 16);
    EXPECT_EQ(tail(2)->getFrmGid(), 1u);
    EXPECT_FALSE(payload(4)->getFakePay());
    EXPECT_EQ(tail(5)->getEof(), static_cast<unsigned long>(EOFt));
}

TEST_F(Fc1ReceiverTest, WhileTheSignalIsLostOnlyItsGainIsHeard)
{
    line(1e-6, lineHead(1));
    line(2e-6, new cMessage("EV_RX_LOS", EV_RX_LOS, 0));
    line(3e-6, new cMessage("EV_RX_LOS", EV_RX_LOS, 0));
    line(4e-6, lineSeq("OLS", OLS, 12));
    line(5e-6, new cMessage("EV_RX_GOS", EV_RX_GOS, 0));
    line(6e-6, new cMessage("EV_RX_GOS", EV_RX_GOS, 0));
    line(7e-6, lineHead(2));
    run();
    EXPECT_EQ(probe->namesOn("to_psm"), (std::vector<std::string>{"EV_RX_LOS", "EV_RX_GOS"}));
    // The frame that was coming in is completed as aborted; the next head
    // starts a new frame.
    EXPECT_EQ(probe->namesOn("to_rxbuf"),
              (std::vector<std::string>{"FC_FRAME_HEAD", "FC_FRAME_PAYLOAD", "FC_FRAME_TAIL", "FC_FRAME_HEAD"}));
    EXPECT_EQ(tail(2)->getEof(), static_cast<unsigned long>(EOFa));
    EXPECT_TRUE(logged("Rx is in Loss-of-Singal state, ignore all incoming messages!"));
}

TEST_F(Fc1ReceiverTest, ALengthNotTenBitTimesPerByteOrAHeadWhileAFrameIsStillComingInStopsTheRun)
{
    line(1e-6, new cMessage("IDLE", IDLE, 15));
    EXPECT_EQ(errorOf([&] { run(); }),
              "---> 10B8B decoding : received message raw bit size [15] is not a multiple of 10");
    TearDown();
    SetUp();
    line(1e-6, lineHead(1));
    line(2e-6, lineHead(2));
    EXPECT_EQ(errorOf([&] { run(); }), "---> proc_head_buf_in : FC_FRAME_HEAD conflicts with a frame that is still "
                                       "coming in, about to invalidate that frame");
}

} // namespace
