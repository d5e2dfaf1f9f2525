// One discard routine frees a message with everything it owns through its
// fields, to the full depth, and nothing it only borrows. Messages are
// counted by the kernel; strings and route arrays are checked by the
// sanitizer build, which reports any of them left behind.

#include <gtest/gtest.h>

#include <cstring>

#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "sim/ObjectAddress.h"
#include "sim/cQueue.h"

namespace {

long new_name(const char* text)
{
    char* copy = new char[std::strlen(text) + 1];
    std::strcpy(copy, text);
    return object_address(copy);
}

// An FCP_CMND with its command-block copy, in an envelope, as FC-4 hands it
// to FC-2.
FcSeqPayload* envelope_with_command()
{
    auto* cdb = new ScsiCdb("SCSI_CMD", 142);
    auto* unit = new FcpIu("FCP_CMND", 141);
    unit->setCdbPtr(object_address(cdb));
    auto* env = new FcSeqPayload("FC_SEQ_PAYLOAD", FC_SEQ_PAYLOAD);
    env->setHasCtxPtr(true);
    env->setCtxPtr(object_address(unit));
    return env;
}

TEST(MessageOwnership, EveryOwningFieldIsFreedToTheFullDepth)
{
    const long before = cMessage::liveMessageCount();

    // Envelope -> information unit -> command block.
    EXPECT_TRUE(discard_message(envelope_with_command()));
    EXPECT_EQ(cMessage::liveMessageCount(), before);

    // A first frame head carrying a name-server accept with its file name.
    auto* accept = new FcGsPacket("GID_FT_ACC", 32);
    accept->setGidFtFileNamePtr(new_name("GidFt1.tmp"));
    auto* head = new FcFrameHead("FC_FRAME_HEAD", FC_FRAME_HEAD);
    head->setHasCtxPtr(true);
    head->setCtxPtr(object_address(accept));
    EXPECT_TRUE(discard_message(head));
    EXPECT_EQ(cMessage::liveMessageCount(), before);

    // A received frame's record with its carried unit and its route array.
    auto* rx = new LocFrmOk("REQ_RX_PROC", REQ_RX_PROC);
    rx->getLocFrmActive().hasCtxPtr = true;
    rx->getLocFrmActive().ctxPtr = object_address(new FcpIu("FCP_DATA", 141));
    rx->getLocFrmActive().hopNum = 3;
    rx->getLocFrmActive().rtPathPtr = new_route(3);
    EXPECT_TRUE(discard_message(rx));
    EXPECT_EQ(cMessage::liveMessageCount(), before);

    // An LSU owns its link-state file name.
    auto* lsu = new FspfPacket("FSPF_LSU", 76);
    lsu->setCmdCode(0x15);
    lsu->setLsuFileNamePtr(new_name("Lsu3.tmp"));
    EXPECT_FALSE(discard_message(lsu));

    // Encapsulation at two levels: a forward request holding a frame head
    // that holds an envelope's unit.
    auto* inner = new FcFrameHead("FC_FRAME_HEAD", FC_FRAME_HEAD);
    inner->setHasCtxPtr(true);
    inner->setCtxPtr(object_address(envelope_with_command()));
    auto* request = new cMessage("REQ_FRM_FWD", REQ_FRM_FWD);
    request->encapsulate(inner);
    EXPECT_TRUE(discard_message(request));
    EXPECT_EQ(cMessage::liveMessageCount(), before);
}

// What a class owns is the same for its first message and its thousandth,
// with messages of other classes discarded in between in any order.
TEST(MessageOwnership, EachClassKeepsItsOwnFieldsWhateverWasDiscardedBefore)
{
    const long before = cMessage::liveMessageCount();
    ScsiCdb initiatorsBlock("SCSI_CMD", 142);
    for (int round = 0; round < 50; ++round) {
        if (round % 2 == 0) {
            EXPECT_TRUE(discard_message(envelope_with_command()));
            auto* cmd = new SendScsiCmd("SEND_SCSI_CMD", SEND_SCSI_CMD);
            cmd->setCdbPtr(object_address(&initiatorsBlock));
            EXPECT_FALSE(discard_message(cmd));
        } else {
            auto* cmd = new SendScsiCmd("SEND_SCSI_CMD", SEND_SCSI_CMD);
            cmd->setCdbPtr(object_address(&initiatorsBlock));
            EXPECT_FALSE(discard_message(cmd));
            EXPECT_TRUE(discard_message(envelope_with_command()));
        }
        auto* rx = new LocFrmOk("REQ_RX_PROC", REQ_RX_PROC);
        rx->getLocFrmActive().hasCtxPtr = true;
        rx->getLocFrmActive().ctxPtr = object_address(new FcpIu("FCP_DATA", 141));
        rx->getLocFrmActive().hopNum = 2;
        rx->getLocFrmActive().rtPathPtr = new_route(2);
        EXPECT_TRUE(discard_message(rx));
        EXPECT_FALSE(discard_message(new cMessage("PLAIN", 7)));
        auto* head = new FcFrameHead("FC_FRAME_HEAD", FC_FRAME_HEAD);
        head->setHasCtxPtr(round % 3 != 0);
        head->setCtxPtr(object_address(new FcpIu("FCP_RSP", 141)));
        auto* carried = object_at<cMessage>(head->getCtxPtr());
        EXPECT_EQ(discard_message(head), round % 3 != 0);
        if (round % 3 == 0)
            delete carried;
        EXPECT_EQ(cMessage::liveMessageCount(), before + 1) << "round " << round; // the initiator's block
    }
}

TEST(MessageOwnership, BorrowedAddressesAndClearedFlagsFreeNothing)
{
    const long before = cMessage::liveMessageCount();
    ScsiCdb initiatorsBlock("SCSI_CMD", 142);
    char lsuName[] = "Lsu4.tmp";

    auto* cmd = new SendScsiCmd("SEND_SCSI_CMD", SEND_SCSI_CMD);
    cmd->setCdbPtr(object_address(&initiatorsBlock));
    EXPECT_FALSE(discard_message(cmd));

    // An LSA copies the LSU's file-name address and leaves it to the LSU.
    auto* lsa = new FspfPacket("FSPF_LSA", 76);
    lsa->setCmdCode(0x16);
    lsa->setLsuFileNamePtr(object_address(lsuName));
    EXPECT_FALSE(discard_message(lsa));

    // An envelope whose object was passed on keeps the address but not the flag.
    auto* unit = new FcpIu("FCP_RSP", 141);
    auto* env = new FcSeqPayload("FC_SEQ_PAYLOAD", FC_SEQ_PAYLOAD);
    env->setCtxPtr(object_address(unit));
    EXPECT_FALSE(discard_message(env));
    EXPECT_EQ(cMessage::liveMessageCount(), before + 2); // the block and the unit
    delete unit;
    EXPECT_STREQ(lsuName, "Lsu4.tmp");
}

TEST(MessageOwnership, WhatTheKernelFreesOnItsOwnGoesThroughTheSameTable)
{
    const long before = cMessage::liveMessageCount();
    {
        cQueue queue("held");
        queue.insert(envelope_with_command());
        auto* outer = new cMessage("COAT", MSG_COAT);
        outer->encapsulate(envelope_with_command());
        queue.insert(outer);
    }
    EXPECT_EQ(cMessage::liveMessageCount(), before);

    // A message deleted plainly still discards the one it encapsulates.
    auto* coat = new cMessage("COAT", MSG_COAT);
    coat->encapsulate(envelope_with_command());
    delete coat;
    EXPECT_EQ(cMessage::liveMessageCount(), before);
}

} // namespace
