#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <type_traits>

#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "sim/ObjectAddress.h"

TEST(MessageConstruction, NamedMessageHasKindZeroLengthOnePriorityZeroAndZeroFields)
{
    DskSecIo m("SEC_IO_REQ");
    EXPECT_STREQ(m.name(), "SEC_IO_REQ");
    EXPECT_EQ(m.kind(), 0);
    EXPECT_EQ(m.length(), 1);
    EXPECT_EQ(m.priority(), 0);
    EXPECT_FALSE(m.hasBitError());
    EXPECT_EQ(m.getBlkIoSbPtr(), 0);
    EXPECT_EQ(m.getDskSec(), 0u);
    FcFrameHead h("FC_FRAME_HEAD", FC_FRAME_HEAD);
    EXPECT_EQ(h.kind(), 51);
    EXPECT_EQ(h.getFfq().oxId, 0);
    EXPECT_EQ(h.getFrmFwdStime(), 0.0);
}

TEST(MessageCopy, AssignmentKeepsTargetNameTakesKindLengthAndFieldsAndSelfAssignmentChangesNothing)
{
    FcElsPacket src("FC_ELS_PLOGI_ACC", FC_ELS_PLOGI_ACC);
    src.setLength(116);
    src.setPriority(-1);
    src.setCmdCode(0x02000000);
    src.setOxId(0xFFFF);
    src.setMsgLen(116);
    FcElsPacket dst("FC_ELS_PLOGI", 0);
    dst.setPortName(99);
    dst = src;
    EXPECT_STREQ(dst.name(), "FC_ELS_PLOGI");
    EXPECT_EQ(dst.kind(), 1);
    EXPECT_EQ(dst.length(), 116);
    EXPECT_EQ(dst.priority(), -1);
    EXPECT_EQ(dst.getCmdCode(), 0x02000000u);
    EXPECT_EQ(dst.getOxId(), 0xFFFF);
    EXPECT_EQ(dst.getPortName(), 0u);
    EXPECT_EQ(dst.getMsgLen(), 116u);

    SendCmdComp m("SEND_CMD_COMP", SEND_CMD_COMP);
    m.setLength(24);
    m.setStatus(2);
    m.setLunBlkNum(4096);
    m.setChipId(3);
    m.addPar("xcopy");
    SendCmdComp& same = m;
    m = same;
    EXPECT_STREQ(m.name(), "SEND_CMD_COMP");
    EXPECT_EQ(m.kind(), 189);
    EXPECT_EQ(m.length(), 24);
    EXPECT_EQ(m.getStatus(), 2);
    EXPECT_EQ(m.getLunBlkNum(), 4096u);
    EXPECT_EQ(m.getChipId(), 3);
    EXPECT_EQ(m.parListSize(), 1);
}

TEST(MessageCopy, PtrFieldsAreSharedAndDeletingACopyLeavesTheObject)
{
    auto* cdb = new ScsiCdb("SCSI_CMD", SCSI_CMD);
    cdb->setDataLen(0x10000);
    SendScsiCmd cmd("SEND_SCSI_CMD", SEND_SCSI_CMD);
    cmd.setCdbPtr(object_address(cdb));
    SendScsiCmd* copy = cmd.dup();
    EXPECT_EQ(copy->getCdbPtr(), object_address(cdb));
    ScsiCmdRecvd other;
    other.setCdbPtr(copy->getCdbPtr());
    delete copy;
    EXPECT_EQ(object_at<ScsiCdb>(other.getCdbPtr())->getDataLen(), 0x10000u);
    EXPECT_EQ(object_at<ScsiCdb>(cmd.getCdbPtr())->kind(), 142);
    delete cdb;
}

TEST(MessageCopy, DupTakesTheCurrentNameAndDeepCopiesParametersAndTheEncapsulatedMessage)
{
    FcSeqPayload p("FC_SEQ_PAYLOAD", 0);
    p.setName("RENAMED");
    p.setKind(FC_SEQ_PAYLOAD);
    p.setRCtl(0x22);
    p.setOrigInitSsbSize(2);
    std::unique_ptr<FcSeqPayload> dupped(p.dup());
    EXPECT_STREQ(dupped->name(), "RENAMED");
    EXPECT_EQ(dupped->kind(), 67);
    EXPECT_EQ(dupped->getRCtl(), 0x22);
    EXPECT_EQ(dupped->getOrigInitSsbSize(), 2);

    LunBlkIo io("REQ_BLK_WRITE", REQ_BLK_WRITE);
    auto* anx = new LunBlkLocAnx("LUN_BLK_LOC_ANX", LUN_BLK_LOC_ANX);
    anx->setMirAcpId(-1);
    anx->setPriDskModPtr(0x1234);
    io.encapsulate(anx);
    io.addPar("sTime") = 1.5;
    std::unique_ptr<LunBlkIo> copy(io.dup());

    auto* copiedAnx = dynamic_cast<LunBlkLocAnx*>(copy->encapsulatedMsg());
    ASSERT_NE(copiedAnx, nullptr);
    EXPECT_NE(copiedAnx, anx);
    EXPECT_STREQ(copiedAnx->name(), "LUN_BLK_LOC_ANX");
    EXPECT_EQ(copiedAnx->getMirAcpId(), -1);
    EXPECT_EQ(copiedAnx->getPriDskModPtr(), 0x1234);

    ASSERT_TRUE(copy->hasPar("sTime"));
    EXPECT_NE(&copy->par("sTime"), &io.par("sTime"));
    copy->par("sTime") = 2.5;
    EXPECT_EQ(io.par("sTime").doubleValue(), 1.5);
}

TEST(MessageCopy, EmbeddedRecordIsCopiedWholeAndIndependently)
{
    FcFrameHead head("FC_FRAME_HEAD", FC_FRAME_HEAD);
    head.getFfq().oxId = 7;
    head.getFfq().rxId = 0xFFFF;
    head.getFfq().exchOrig = true;
    FcFramePayload pay("FC_FRAME_PAYLOAD", FC_FRAME_PAYLOAD);
    pay.setFfq(head.getFfq());
    FcFrameHead copy(head);
    copy.getFfq().oxId = 9;
    EXPECT_EQ(head.getFfq().oxId, 7);
    EXPECT_EQ(pay.getFfq().oxId, 7);
    EXPECT_EQ(pay.getFfq().rxId, 0xFFFF);
    EXPECT_TRUE(pay.getFfq().exchOrig);
    EXPECT_EQ(copy.getFfq().rxId, 0xFFFF);
}

TEST(FieldWidths, DeclaredTypesHaveTheModelsWidths)
{
    EXPECT_TRUE((std::is_same_v<decltype(DskSecIo().getDskSec()), std::uint32_t>));
    EXPECT_TRUE((std::is_same_v<decltype(DskSecIo().getIoType()), std::uint8_t>));
    EXPECT_TRUE((std::is_same_v<decltype(DskSecIo().getBlkIoSbPtr()), long>));
    EXPECT_TRUE((std::is_same_v<decltype(FcGsPacket().getCmdCode()), std::uint16_t>));
    EXPECT_TRUE((std::is_same_v<decltype(LunBlkLoc().dskBlk), std::uint32_t>));
    EXPECT_TRUE((std::is_same_v<decltype(FcFrameHead().getFfq()), FrameQualifier&>));
    EXPECT_GE(sizeof(long), sizeof(void*));
}
