// A link reset in the middle of traffic: a frame whose head is out is
// completed, FC-2 is never left waiting for a frame, and the credit on both
// ends starts over when the reset completes, so traffic goes on afterwards.

#include "fcport/PortCodes.h"
#include "messages/MsgKinds.h"
#include "tests/fcport/Fc1Fixture.h"

namespace {

const std::vector<std::string> bringUp = {"OL1", "OL2", "LR2", "LR3", "AC"};

// The bring-up followed by `more`.
std::vector<std::string> bringUpThen(std::initializer_list<const char*> more)
{
    std::vector<std::string> all = bringUp;
    all.insert(all.end(), more.begin(), more.end());
    return all;
}

class Fc1LinkResetTest : public Fc1Test {
  protected:
    void SetUp() override
    {
        Fc1Test::SetUp();
        addCable("DevA", "TestHost", "DevB", "TestHost", delay);
        PortSetup one;
        one.bbCredit = 1;
        build(one);
    }
    void expectCreditWhole(const char* dev)
    {
        EXPECT_EQ(port(dev)->par("currBbCnt").longValue(), 0) << dev;
        EXPECT_FALSE(stub(dev)->creditWentNegative) << dev;
    }

    const double delay = 2e-5;
    const double t0 = 0.01;
    const double t1 = 0.02; // after the reset
};

TEST_F(Fc1LinkResetTest, AResetWhileAFramesHeadIsOutCompletesThatFrame)
{
    FrameShape split;
    split.splitAfter = 1e-6; // payload and tail follow after the reset began
    stub("DevA")->sendFrames(t0, 1, split);
    stub("DevA")->requestLinkReset(t0 + 0.5e-6);
    // B's frame meets A's receiver in LR1 and is lost there.
    stub("DevB")->sendFrames(t0, 1, split);
    stub("DevA")->sendFrames(t1, 1);
    stub("DevB")->sendFrames(t1, 1);
    run();

    EXPECT_EQ(states("DevA"), bringUpThen({"LR1", "LR3", "AC"}));
    EXPECT_EQ(states("DevB"), bringUpThen({"LR2", "AC"}));
    // A's frame went out whole and B got it whole, not as an aborted frame.
    EXPECT_EQ(stub("DevA")->times(FRAME_TX_OK).size(), 2u);
    ASSERT_EQ(stub("DevB")->of(FC_FRAME_TAIL).size(), 2u);
    EXPECT_FALSE(stub("DevB")->of(FC_FRAME_PAYLOAD).at(0).fakePay);
    EXPECT_EQ(stub("DevB")->of(FC_FRAME_PAYLOAD).at(0).payLen, 2048u);
    EXPECT_EQ(stub("DevB")->of(FC_FRAME_TAIL)[0].eof, static_cast<unsigned long>(EOFt));
    // B's first frame was refused by A in LR1; only the later one arrived.
    EXPECT_EQ(stub("DevA")->of(REQ_FRM_RX).size(), 1u);
    EXPECT_EQ(stub("DevB")->times(FRAME_TX_OK).size(), 2u);
    // With one credit each, the frames after the reset could only go because
    // both ends had their credit back.
    for (const char* dev : {"DevA", "DevB"}) {
        EXPECT_EQ(stub(dev)->times(LINK_UP).size(), 2u) << dev;
        EXPECT_EQ(stub(dev)->times(R_RDY).size(), 2u) << dev;
        expectCreditWhole(dev);
    }
    EXPECT_GT(stub("DevB")->of(REQ_FRM_RX).at(1).time, t1);
}

TEST_F(Fc1LinkResetTest, AFrameRefusedDuringTheResetIsReportedSentSoFc2GoesOn)
{
    stub("DevA")->requestLinkReset(t0);
    stub("DevA")->sendFrames(t0 + 1e-6, 1);
    stub("DevA")->sendFrames(t1, 1);
    run();
    EXPECT_TRUE(logged("Port State is not AC, reject message FC_FRAME_HEAD."));
    ASSERT_EQ(stub("DevA")->times(FRAME_TX_OK).size(), 2u);
    EXPECT_NEAR(stub("DevA")->times(FRAME_TX_OK)[0], t0 + 1e-6, 1e-12);
    ASSERT_EQ(stub("DevB")->of(REQ_FRM_RX).size(), 1u);
    EXPECT_GT(stub("DevB")->of(REQ_FRM_RX)[0].time, t1);
    expectCreditWhole("DevA");
}

TEST_F(Fc1LinkResetTest, AFrameHeldInTheReceiveBufferOverTheResetReturnsNoSecondCredit)
{
    // B's FC-2 still holds A's frame when the reset completes; A gets its
    // credit back from the reset, so B must not send an R_RDY for it later.
    stub("DevB")->holdTime = 2e-3;
    stub("DevA")->sendFrames(t0, 1);
    stub("DevA")->requestLinkReset(t0 + 1e-4);
    stub("DevA")->sendFrames(t1, 1);
    run();
    EXPECT_EQ(states("DevA"), bringUpThen({"LR1", "LR3", "AC"}));
    EXPECT_EQ(stub("DevB")->of(REQ_FRM_RX).size(), 2u);
    EXPECT_EQ(stub("DevA")->times(R_RDY).size(), 2u);
    EXPECT_TRUE(logged("Finished receiving a frame held over a link reset"));
    expectCreditWhole("DevA");
}

TEST_F(Fc1LinkResetTest, ResetsAskedByBothEndsStillEndActiveWithCreditWhole)
{
    stub("DevA")->sendFrames(t0, 1);
    stub("DevA")->requestLinkReset(t0 + 1e-6);
    stub("DevB")->requestLinkReset(t0 + 1e-6);
    stub("DevA")->sendFrames(t1, 1);
    stub("DevB")->sendFrames(t1, 1);
    run();
    for (const char* dev : {"DevA", "DevB"}) {
        EXPECT_EQ(port(dev)->par("portStat").longValue(), PS_AC) << dev;
        EXPECT_EQ(states(dev).back(), "AC") << dev;
        expectCreditWhole(dev);
    }
    EXPECT_GT(stub("DevB")->of(REQ_FRM_RX).back().time, t1);
    EXPECT_EQ(stub("DevA")->of(REQ_FRM_RX).size(), 1u);
}

} // namespace
