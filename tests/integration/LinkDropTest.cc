// The host's cable goes down at 1 s, in the middle of I/O, and comes back at
// 2 s (data/InitiatorLinkDrop.txt). Sub-I/Os caught by the drop are lost at
// the host's SCSI side; the rest go on once the port has logged in again.

#include <tuple>

#include "fc4/Fc4Controller.h"
#include "fc4/FcCodes.h"
#include "fc4/FcScsi.h"
#include "fcport/Fc2Controller.h"
#include "messages/MsgKinds.h"
#include "tests/integration/SanBedTest.h"
#include "tests/shared/MessageTap.h"

namespace {

// 64 KB reads and writes, four at a time, from 10 ms before the drop.
Scenario big_io_across_the_drop()
{
    return alternating_io(65536, 1e-4, 0.99, 4, "InitiatorLinkDrop.txt");
}

// Eight small reads and writes sent within the last 10 us before the drop,
// so that all their commands are still on the way.
Scenario commands_on_the_wire_at_the_drop()
{
    return alternating_io(512, 1e-6, 0.99999, 8, "InitiatorLinkDrop.txt");
}

using FabricLinkDrop = SanBedTest;

TEST_F(FabricLinkDrop, PortDownAndPortUpReachFc4AndThePortLogsInAgain)
{
    build(big_io_across_the_drop());
    ASSERT_EQ(run(), "") << errorModule;

    // The host's FC-4 learned of the drop at once and told the SCSI side.
    ASSERT_EQ(scsi().devDowns.size(), 1u);
    EXPECT_NEAR(scsi().devDowns[0], 1.0, 1e-4);
    const auto downs = switchFc4(0).ofKind(PORT_DOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_NEAR(downs[0]->time, 1.0, 1e-5);

    // The link came back at 2 s; the port logged in 0.1 s later as at the
    // start, got the same address and the SCSI side a new path.
    const auto ups = switchFc4(0).ofKind(PORT_UP);
    ASSERT_EQ(ups.size(), 4u);
    EXPECT_NEAR(ups[2]->time, 2.0, 1e-4);
    std::vector<double> logins;
    for (const auto& a : switchFc4(0).passed)
        if (a.kind == FC_SEQ_PAYLOAD && a.code == fc4::ELS_FLOGI)
            logins.push_back(a.time);
    ASSERT_EQ(logins.size(), 2u);
    EXPECT_NEAR(logins[1] - ups[2]->time, 0.1, 1e-4);
    EXPECT_EQ(hostPort()->par("addressId").longValue(), long(HOST_ADDRESS));
    ASSERT_EQ(scsi().paths.size(), 2u);
    EXPECT_GT(scsi().paths[1].time, logins[1]);
    EXPECT_EQ(scsi().paths[1].tarAddrId, long(TARGET_ADDRESS));
    for (const char* flag : {"flogiDone", "flogiLrDone", "nsRegDone"})
        EXPECT_TRUE(hostFc4()->par(flag).boolValue()) << flag;

    // The board, told of the lost initiator, found it gone from the name
    // server and removed its path; the host logged in to it again later.
    const auto removed = boardCpu().upperOfKind(REMOVE_IT_PATH);
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_GT(removed[0]->time, 1.0);
    EXPECT_LT(removed[0]->time, ups[2]->time);
    const auto plogis = centre().framesOf(TYPE_ELS, RCTL_ELS_REQUEST);
    ASSERT_EQ(plogis.size(), 2u);
    EXPECT_GT(plogis[1]->time, logins[1]);
}

TEST_F(FabricLinkDrop, AFrameCutByTheDropIsThrownAwayAndTheRunEndsCleanly)
{
    build(big_io_across_the_drop());
    ASSERT_EQ(run(), "") << errorModule;

    // A data frame for the host had been routed to its switch port when the
    // link failed, before the port took it: the centre, told of the loss,
    // answered the board's port for the host, threw away the payload and
    // tail that followed and closed the frame with a completion.
    EXPECT_EQ(warningCount("WARNING: destPort down but FwdTbl open. ACK_FRM_FWD will be issued from SwCtrl"), 1);
    EXPECT_EQ(warningCount("WARNING: FWD_FRM_PAY found destPort Down ... Deleting message"), 1);
    EXPECT_EQ(warningCount("WARNING: FWD_FRM_TAIL found destPort Down ... Deleting message and issuing COM_FRM_FWD"),
              1);
    EXPECT_EQ(warningCount("WARNING: Cannot forward Frames in PORT_DOWN!"), 1);
    EXPECT_GT(warningCount("REQ_FRM_FWD found destPort unavailable, ... issuing RJT_FRM_FWD"), 0);

    // Every command completed or was lost at the drop; the SCSI side ended
    // the I/O and the run ran out of events.
    EXPECT_EQ(outcome(), RunOutcome::EVENTS_EXHAUSTED);
    EXPECT_GT(scsi().lost, 0);
    EXPECT_EQ(scsi().completions.size() + size_t(scsi().lost), 200u);
    EXPECT_EQ(scsi().blocksHeld(), 0u);
    EXPECT_EQ(scsi().unexpectedFrees, 0);
    cModule* root = simulation.systemModule();
    for (const char* flag : {"ioDone", "evDone", "simDone"})
        EXPECT_TRUE(root->par(flag).boolValue()) << flag;
    EXPECT_FALSE(centre().fromCentre(RJT_FRM_FWD).empty()); // frames for the host while it was gone

    // Nothing is left queued at either end.
    for (cModule* port : {hostPort(), targetPort(), switchPort(0), switchPort(1)}) {
        auto* ctrl = static_cast<Fc2Controller*>(port->moduleByRelativePath("Fc2.Fc2Ctrl"));
        EXPECT_EQ(ctrl->txQueLength(), 0) << port->fullPath();
        EXPECT_EQ(ctrl->reqProcQueLength(), 0) << port->fullPath();
        EXPECT_EQ(port->par("currBbCnt").longValue(), 0) << port->fullPath();
    }
    auto* fc4 = static_cast<Fc4Controller*>(hostFc4()->submodule("Fc4Ctrl"));
    EXPECT_TRUE(fc4->normalQueue().empty());
    EXPECT_TRUE(fc4->annexQueue().empty());
    EXPECT_TRUE(fc4->heldQueue().empty());
    cModule* boardFc4 = simulation.moduleByPath("Velmora.Dev1.Chip[0].Fc4[0]");
    for (cModule* layer : {hostFc4(), boardFc4}) {
        auto* fcp = static_cast<FcScsi*>(layer->submodule("Fcp", 0));
        for (auto* pool : {&fcp->pools().osbs(), &fcp->pools().rsbs()})
            for (const FcpIoSb& sb : *pool)
                EXPECT_TRUE(sb.sbFree) << layer->fullPath();
    }
}

TEST_F(FabricLinkDrop, CommandsOnTheWireAtTheDropAreLostAndTheRestCompleteAfterTheLogin)
{
    build(commands_on_the_wire_at_the_drop());
    ASSERT_EQ(run(), "") << errorModule;

    // The eight commands in flight went with the link, with the copies of
    // their command blocks; none reached the board.
    EXPECT_EQ(scsi().lost, 8);
    ASSERT_EQ(scsi().completions.size(), 192u);
    for (const auto& c : scsi().completions)
        EXPECT_GT(c.time, scsi().paths.at(1).time);
    EXPECT_EQ(boardCpu().upperOfKind(SCSI_CMD_RECVD).size(), 192u);
    EXPECT_EQ(scsi().freed, 96);
    EXPECT_EQ(scsi().blocksHeld(), 0u);
}

// The host hears that the board's port was lost and, a millisecond later,
// found again (as its name-server queries would tell it), so it logs out on
// its own side and logs in to the board once more; the board, never told of
// the logout, meets a login of a peer that is still logged in. Its old login
// ends first, as a logout would end it: the board's LUN side hears that the
// old path went before the new one is made.
TEST_F(FabricLinkDrop, ALoginOfAPeerStillLoggedInEndsTheOldLoginFirst)
{
    build();
    cModule* hostFc4 = this->hostFc4();
    auto* tap = MessageTap::splice(hostFc4, "GsTap", hostFc4->submodule("FcGs")->gate("to_fc4ctrl"));
    for (auto [time, kind, name] :
         {std::tuple{1.0, NPORT_LOST, "NPORT_LOST"}, std::tuple{1.001, TARGET_FOUND, "TARGET_FOUND"}}) {
        auto* msg = new cMessage(name, kind, 0);
        msg->addPar("portId").setLongValue(long(TARGET_ADDRESS));
        tap->inject(time, msg);
    }
    ASSERT_EQ(run(), "") << errorModule;

    // The host logged in twice, the second time after the notices.
    const auto plogis = centre().framesOf(TYPE_ELS, RCTL_ELS_REQUEST);
    ASSERT_EQ(plogis.size(), 2u);
    EXPECT_GT(plogis[1]->time, 1.001);
    EXPECT_EQ(warningCount("WARNING: PLOGI found the peer still logged in, its old EePair is removed first!"), 1);
    // The board removed the old path once, after the second login came.
    const auto removed = boardCpu().upperOfKind(REMOVE_IT_PATH);
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_GT(removed[0]->time, plogis[1]->time);
    EXPECT_EQ(removed[0]->msg->par("fcpIndex").longValue(), 0);
    // The host's side closed its path at the notice and opened a new one.
    ASSERT_EQ(scsi().paths.size(), 2u);
    EXPECT_GT(scsi().paths[1].time, plogis[1]->time);
    EXPECT_TRUE(boardCpu().grantsBalanced());
}

} // namespace
