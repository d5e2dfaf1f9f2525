// Frames between two active ports: the line time of ten bit-times per byte,
// propagation over the cable, buffer-to-buffer credit running out and coming
// back with R_RDY, and the receive buffer's limit.

#include "fcport/PortCodes.h"
#include "messages/MsgKinds.h"
#include "tests/fcport/Fc1Fixture.h"

namespace {

class Fc1FrameTest : public Fc1Test {
  protected:
    void bed(long speed, const PortSetup& b = {})
    {
        addCable("DevA", "TestHost", "DevB", "TestHost", delay);
        PortSetup a;
        a.speed = speed;
        build(a);
        PortSetup receiver = b;
        receiver.speed = speed;
        setPort("DevB", receiver);
    }
    static long par(cModule* m, const char* name) { return m->par(name).longValue(); }

    const double delay = 2e-5;
    const double t0 = 0.01; // well after link up
};

class Fc1FrameTimingTest : public Fc1FrameTest, public ::testing::WithParamInterface<long> {};

TEST_P(Fc1FrameTimingTest, AFrameHoldsTheLineTenBitTimesPerByteAndCrossesTheCableOnce)
{
    const long speed = GetParam();
    const double baud = baudOf(speed);
    const unsigned n = 2048;
    bed(speed);
    FrameShape f;
    f.payLen = n;
    stub("DevA")->sendFrames(t0, 1, f);
    run(t0 / 2);
    const long rxBytesBefore = par(fc1("DevB", "Rx"), "rxByteCompDelta");
    const long txBytesBefore = par(fc1("DevA", "Tx"), "txByteCompDelta");
    run();

    Fc2Stub* a = stub("DevA");
    Fc2Stub* b = stub("DevB");
    // The head holds the line for 360 bit-times, the payload for 10 n, and
    // FC-2 hears the frame is out when the tail goes on the line.
    ASSERT_EQ(a->times(FRAME_TX_OK).size(), 1u);
    EXPECT_NEAR(a->times(FRAME_TX_OK)[0], t0 + lineTime(36 + n, baud), 1e-12);
    ASSERT_EQ(b->of(REQ_FRM_RX).size(), 1u);
    EXPECT_NEAR(b->of(REQ_FRM_RX)[0].time, t0 + delay, 1e-12);
    ASSERT_EQ(b->of(FC_FRAME_PAYLOAD).size(), 1u);
    EXPECT_NEAR(b->of(FC_FRAME_PAYLOAD)[0].time, t0 + lineTime(36, baud) + delay, 1e-12);
    EXPECT_EQ(b->of(FC_FRAME_PAYLOAD)[0].payLen, n);
    EXPECT_FALSE(b->of(FC_FRAME_PAYLOAD)[0].fakePay);
    ASSERT_EQ(b->of(FC_FRAME_TAIL).size(), 1u);
    EXPECT_NEAR(b->of(FC_FRAME_TAIL)[0].time, t0 + lineTime(36 + n, baud) + delay, 1e-12);
    EXPECT_EQ(b->of(FC_FRAME_TAIL)[0].eof, static_cast<unsigned long>(EOFt));
    // FC-2 completes at once; the credit crosses back.
    ASSERT_EQ(a->times(R_RDY).size(), 1u);
    EXPECT_NEAR(a->times(R_RDY)[0], t0 + lineTime(36 + n, baud) + 2 * delay, 1e-12);
    EXPECT_EQ(port("DevA")->par("currBbCnt").longValue(), 0);

    // Counters: a payload and a tail count their byte fields, not their
    // message lengths; the R_RDY back counts 4 bytes on B's transmitter.
    EXPECT_EQ(par(fc1("DevA", "Tx"), "txFrmDelta"), 1);
    EXPECT_EQ(par(fc1("DevA", "Tx"), "txPayDelta"), n);
    EXPECT_EQ(par(fc1("DevA", "Tx"), "txByteCompDelta") - txBytesBefore, 36 + n + 16);
    EXPECT_DOUBLE_EQ(fc1("DevA", "Tx")->par("totalTxKbComp").doubleValue() * 1024,
                     static_cast<double>(par(fc1("DevA", "Tx"), "txByteCompDelta")));
    EXPECT_EQ(par(fc1("DevB", "Rx"), "rxFrmDelta"), 1);
    EXPECT_EQ(par(fc1("DevB", "Rx"), "rxPayDelta"), n);
    EXPECT_EQ(par(fc1("DevB", "Rx"), "rxByteCompDelta") - rxBytesBefore, 36 + n + 16);
    EXPECT_EQ(par(fc1("DevA", "Rx"), "rxByteCompDelta") - par(fc1("DevB", "Tx"), "txByteCompDelta"), 0);
}

INSTANTIATE_TEST_SUITE_P(BothSpeeds, Fc1FrameTimingTest, ::testing::Values(1L, 2L),
                         [](const ::testing::TestParamInfo<long>& info) {
                             return info.param == 1 ? std::string("OneGig") : std::string("TwoGig");
                         });

TEST_F(Fc1FrameTest, CreditRunsOutAndTheNextFrameWaitsForTheFirstRRdy)
{
    PortSetup b;
    b.rxBuf = 4;
    bed(1, b);
    port("DevA")->par("currBbCredit").setLongValue(2);
    const double hold = 1e-3;
    stub("DevB")->holdTime = hold;
    FrameShape f;
    f.payLen = 1000;
    stub("DevA")->sendFrames(t0, 3, f);
    run();

    Fc2Stub* a = stub("DevA");
    const double frame = lineTime(36 + 1000, oneGigBaud), tail = lineTime(16, oneGigBaud);
    const std::vector<double> ok = a->times(FRAME_TX_OK);
    const std::vector<double> credits = a->times(R_RDY);
    ASSERT_EQ(ok.size(), 3u);
    ASSERT_EQ(credits.size(), 3u);
    // While credit lasts, frames follow each other separated only by the
    // tail's line time.
    EXPECT_NEAR(ok[0], t0 + frame, 1e-12);
    EXPECT_NEAR(ok[1], t0 + frame + tail + frame, 1e-12);
    // Frame 1 is done at B one hold after its tail arrived; its R_RDY
    // crosses back and only then does frame 3 start.
    EXPECT_NEAR(credits[0], t0 + frame + delay + hold + delay, 1e-12);
    EXPECT_NEAR(ok[2], credits[0] + frame, 1e-12);
    EXPECT_EQ(a->mostOutstanding, 2);
    EXPECT_FALSE(a->creditWentNegative);
    EXPECT_EQ(port("DevA")->par("currBbCnt").longValue(), 0);
    // B hands frames up one at a time: frame 2 only after frame 1 is done.
    const std::vector<double> requests = stub("DevB")->times(REQ_FRM_RX);
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_NEAR(requests[1], t0 + frame + delay + hold, 1e-12);
}

TEST_F(Fc1FrameTest, AHeadBeyondTheReceiveBuffersIsAnOverrun)
{
    PortSetup b;
    b.rxBuf = 1;
    bed(1, b);
    stub("DevB")->holdTime = 1e-3;
    stub("DevA")->sendFrames(t0, 2);
    EXPECT_EQ(errorOf([&] { run(); }), "ERROR: Receiver Buffer overrun!!!");
}

} // namespace
