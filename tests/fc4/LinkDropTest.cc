#include "messages/MsgKinds.h"
#include "tests/fc4/SanTestBed.h"

namespace {

constexpr double kTol = 1e-12;

class LinkDrop : public SanTest {};

TEST_F(LinkDrop, ADropBeforeTheFabricLoginForgetsThePendingLogin)
{
    build();
    fabric->linkEvents = {{0.02, 0, false}, {0.03, 0, true}};
    ASSERT_EQ(run(), "");
    auto flogi = fabric->sequencesNamed("FC_ELS_FLOGI", 0);
    ASSERT_EQ(flogi.size(), 1u);
    EXPECT_NEAR(flogi[0]->time, 0.03 + 0.1 + kSend, kTol);
    EXPECT_NE(warningsLog().find("ALERT: Already in DEVICE_DOWN mode!"), std::string::npos);
    EXPECT_EQ(hostCpu->upperOfKind(CREATE_IT_PATH).size(), 1u);
    // The port was never up, so the processor is not told it went down.
    EXPECT_TRUE(hostCpu->upperOfKind(DEV_DOWN).empty());
}

TEST_F(LinkDrop, ADropDuringTheLinkResetStartsAFreshFabricLogin)
{
    build();
    double dropAt = -1;
    fabric->onLinkReset = [&dropAt](TestFabric& f, int node) {
        if (node == 0 && dropAt < 0) {
            dropAt = simTime();
            f.linkDown(0);
        }
        f.sendToNode(new cMessage("PORT_UP", PORT_UP, 0), node, f.resetDelay);
    };
    ASSERT_EQ(run(), "");
    auto flogi = fabric->sequencesNamed("FC_ELS_FLOGI", 0);
    ASSERT_EQ(flogi.size(), 2u);
    EXPECT_NEAR(flogi[1]->time, dropAt + fabric->resetDelay + 0.1 + kSend, kTol);
    EXPECT_EQ(fabric->eventsOfKind(REQ_LINK_RESET, 0).size(), 2u);
    EXPECT_EQ(host->submodule("NxPort", 0)->par("addressId").longValue(), static_cast<long>(kHostAddress));
    EXPECT_EQ(hostCpu->upperOfKind(CREATE_IT_PATH).size(), 1u);
    EXPECT_TRUE(layer(host)->par("nsRegDone").boolValue());
    EXPECT_TRUE(hostCpu->grantsBalanced());
}

TEST_F(LinkDrop, ASequenceBeforeTheLinkResetsPortUpWaitsForThePort)
{
    build();
    fabric->onLinkReset = [this](TestFabric& f, int node) {
        if (node == 0) {
            // A state-change notice about the board reaches the port while
            // it is still resetting the link.
            f.sendToNode(rscnAboutChip(0, 888888), node, f.hop);
        }
        f.sendToNode(new cMessage("PORT_UP", PORT_UP, 0), node, f.resetDelay);
    };
    ASSERT_EQ(run(), "");
    auto rff = fabric->sequencesNamed("FC_GS_RFFID", 0);
    auto gff = fabric->sequencesNamed("FC_GS_GFFID", 0);
    ASSERT_EQ(rff.size(), 1u);
    // One query from the notice, one from the port list.
    ASSERT_EQ(gff.size(), 2u);
    EXPECT_GT(gff[0]->time, rff[0]->time);
    EXPECT_NE(warningsLog().find("NOTICE: proc_target_found Target already been setup."), std::string::npos);
    EXPECT_EQ(hostCpu->upperOfKind(CREATE_IT_PATH).size(), 1u);
}

TEST_F(LinkDrop, ADropWhileUpClearsThePortAndTellsTheProcessor)
{
    build();
    hostIssues({{SCSI_READ, 4096}});
    targetsAnswer();
    fabric->linkEvents = {{1.0, 0, false}, {1.5, 0, true}};
    ASSERT_EQ(run(), "");
    auto down = hostCpu->upperOfKind(DEV_DOWN);
    ASSERT_EQ(down.size(), 1u);
    EXPECT_NEAR(down[0]->time, 1.0, kTol);
    EXPECT_EQ(down[0]->msg->par("fc4Index").longValue(), 0);
    // The port comes back and logs in again.
    auto flogi = fabric->sequencesNamed("FC_ELS_FLOGI", 0);
    ASSERT_EQ(flogi.size(), 2u);
    EXPECT_NEAR(flogi[1]->time, 1.5 + 0.1 + kSend, kTol);
    EXPECT_EQ(hostCpu->upperOfKind(CREATE_IT_PATH).size(), 2u);
    EXPECT_TRUE(hostCpu->grantsBalanced());
}

} // namespace
