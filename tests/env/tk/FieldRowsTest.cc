#include <map>

#include "env/tk/FieldRows.h"
#include "env/tk/RunController.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "sim/ObjectAddress.h"
#include "tests/env/tk/PingPongRun.h"

namespace {

using Inspection = PingPongRun;

// label -> value of one section.
std::map<std::string, std::string> section(const std::vector<InspectorRow>& rows, const std::string& name)
{
    std::map<std::string, std::string> out;
    for (const InspectorRow& r : rows)
        if (r.section == name)
            out[r.label] = r.value;
    return out;
}

const InspectorRow* row(const std::vector<InspectorRow>& rows, const std::string& label)
{
    for (const InspectorRow& r : rows)
        if (r.label == label)
            return &r;
    return nullptr;
}

TEST_F(Inspection, ModuleShowsParametersGatesAndSubmodules)
{
    std::vector<InspectorRow> ping = inspect_module(*module("PingPong.Ping"));
    EXPECT_EQ(section(ping, "module")["type"], "Ping");
    EXPECT_EQ(section(ping, "parameters")["rounds"], "50");
    std::map<std::string, std::string> gates = section(ping, "gates");
    EXPECT_EQ(gates["out"], "--> PingPong.Pong.in");
    EXPECT_EQ(gates["in"], "<-- PingPong.Pong.out");
    std::vector<InspectorRow> net = inspect_module(*module("PingPong"));
    std::map<std::string, std::string> subs = section(net, "submodules");
    EXPECT_EQ(subs.size(), 2u);
    EXPECT_EQ(subs["Pong"], "Pong");
    EXPECT_EQ(section(net, "parameters")["cableDelay"].substr(0, 5), "5e-06");
}

TEST_F(Inspection, EventListIsInTimeOrderAndNamesEachMessagesModule)
{
    RunController controller([](bool) {});
    ev.setDisabled(true);
    controller.run(RunController::STEP);
    controller.run(RunController::STEP); // Pong's starter: it now waits for the PING on its way
    std::vector<InspectorRow> events = inspect_event_list();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].label, "5e-06 s");
    EXPECT_EQ(events[0].value, "(cMessage)PING --> PingPong.Pong");
    cMessage* ping = object_at<cMessage>(std::atol(events[0].field.c_str()));
    std::vector<InspectorRow> rows = inspect_message(*ping);
    std::map<std::string, std::string> head = section(rows, "message");
    EXPECT_EQ(head["name"], "PING");
    EXPECT_NE(head["kind"].find("FRM_TXI_COST"), std::string::npos) << head["kind"];
    EXPECT_EQ(head["length"], "64");
    EXPECT_EQ(head["arrival time"], "5e-06 s");
    EXPECT_EQ(head["sending time"], "0 s");
    EXPECT_EQ(head["sender"], "PingPong.Ping");
    EXPECT_EQ(head["arrival module"], "PingPong.Pong");
}

TEST_F(Inspection, FrameHeadFieldsComeThroughItsDescriptorsAndCanBeEdited)
{
    FcFrameHead head("head", FC_FRAME_HEAD);
    head.setDId(0x010203);
    head.setSeqCnt(7);
    head.getFfq().oxId = 42;
    std::vector<InspectorRow> rows = inspect_message(head);
    EXPECT_EQ(section(rows, "message")["kind"], "FC_FRAME_HEAD");
    const InspectorRow* dId = row(rows, "dId (unsigned long)");
    ASSERT_NE(dId, nullptr);
    EXPECT_EQ(dId->value, "66051");
    const InspectorRow* oxId = row(rows, "ffq.oxId (unsigned short)");
    ASSERT_NE(oxId, nullptr) << "the record is opened through its own descriptor";
    EXPECT_EQ(oxId->value, "42");
    EXPECT_NE(row(rows, "ffq"), nullptr);
    EXPECT_NE(row(rows, "frmFwdStime (double)"), nullptr);

    EXPECT_TRUE(edit_message_field(head, row(rows, "seqCnt (unsigned short)")->field, "9"));
    EXPECT_EQ(head.getSeqCnt(), 9);
    EXPECT_TRUE(edit_message_field(head, oxId->field, "1000"));
    EXPECT_EQ(head.getFfq().oxId, 1000);
    for (const char* refused : {"99999999", "-5", "65536", "abc", "12abc", ""})
        EXPECT_FALSE(edit_message_field(head, oxId->field, refused)) << refused;
    EXPECT_EQ(head.getFfq().oxId, 1000) << "a refused edit keeps the value";
    EXPECT_FALSE(edit_message_field(head, "9999", "1"));
    EXPECT_FALSE(edit_message_field(head, oxId->field.substr(0, oxId->field.find('.')), "1"));
}

TEST_F(Inspection, AddressFieldsAreReadOnlyAndEnumeratedFieldsShowTheirNames)
{
    FcFrameHead head("head", FC_FRAME_HEAD);
    head.setHasCtxPtr(true);
    head.setCtxPtr(0x1000);
    head.setSof(2);
    std::vector<InspectorRow> rows = inspect_message(head);
    const InspectorRow* ctx = row(rows, "ctxPtr (long, read-only)");
    ASSERT_NE(ctx, nullptr);
    EXPECT_EQ(ctx->value, "4096");
    EXPECT_FALSE(edit_message_field(head, ctx->field, "12345"));
    EXPECT_EQ(head.getCtxPtr(), 0x1000) << "the address is kept";
    const InspectorRow* memAddr = row(rows, "fc4MemAddr (unsigned long, read-only)");
    ASSERT_NE(memAddr, nullptr);
    EXPECT_FALSE(edit_message_field(head, memAddr->field, "7"));
    EXPECT_FALSE(edit_message_field(head, row(rows, "hasCtxPtr (bool, read-only)")->field, "false"));
    EXPECT_TRUE(head.getHasCtxPtr());

    const InspectorRow* sof = row(rows, "sof (FrameDelimiters)");
    ASSERT_NE(sof, nullptr);
    EXPECT_EQ(sof->value, "SOFf");
    EXPECT_TRUE(edit_message_field(head, sof->field, "EOFt")) << "a name is taken for its value";
    EXPECT_EQ(head.getSof(), 4u);
    EXPECT_TRUE(edit_message_field(head, sof->field, "5"));
    EXPECT_EQ(head.getSof(), 5u);
    for (const char* refused : {"abc", "sofi3", "7", "-1", "4294967298", ""})
        EXPECT_FALSE(edit_message_field(head, sof->field, refused)) << "not a delimiter: " << refused;
    EXPECT_EQ(head.getSof(), 5u);
    EXPECT_TRUE(edit_message_field(head, sof->field, "SOFi3"));
    EXPECT_EQ(head.getSof(), 0u);

    DskSecIo io("sec", 0);
    std::vector<InspectorRow> ioRows = inspect_message(io);
    const InspectorRow* ioType = row(ioRows, "ioType (ScsiCmdCode)");
    ASSERT_NE(ioType, nullptr);
    EXPECT_TRUE(edit_message_field(io, ioType->field, "SCSI_WRITE"));
    EXPECT_EQ(io.getIoType(), 0x80);
    EXPECT_FALSE(edit_message_field(io, ioType->field, "7")) << "a code without a name";
    EXPECT_EQ(io.getIoType(), 0x80);
    io.setIoType(136);
    EXPECT_EQ(section(inspect_message(io), "fields")["ioType (ScsiCmdCode)"], "SCSI_READ");
    io.setIoType(7);
    EXPECT_EQ(section(inspect_message(io), "fields")["ioType (ScsiCmdCode)"], "7") << "a value without a name";
    FcSeqPayload seq("seq", 0);
    seq.setType(136);
    EXPECT_EQ(section(inspect_message(seq), "fields")["type (unsigned char)"], "136") << "not every code is SCSI";
}

} // namespace
