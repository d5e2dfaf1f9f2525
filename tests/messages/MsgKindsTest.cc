#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "sim/cClassRegister.h"

namespace {

TEST(MsgKinds, EveryNameIsUniqueAndLooksUpItsOwnRowInNumberOrder)
{
    ASSERT_GT(msgKindTableSize, 0);
    std::set<std::string> names;
    for (int i = 0; i < msgKindTableSize; i++) {
        const MsgKindEntry& e = msgKindTable[i];
        SCOPED_TRACE(e.name);
        EXPECT_TRUE(names.insert(e.name).second) << "a second row with this name";
        if (i > 0) {
            EXPECT_LE(msgKindTable[i - 1].kind, e.kind);
        }
        EXPECT_EQ(msgKindByName(e.name), e.kind);
        ASSERT_NE(msgKindName(e.kind), nullptr);
        const std::string display = "|" + std::string(msgKindName(e.kind)) + "|";
        EXPECT_NE(display.find("|" + std::string(e.name) + "|"), std::string::npos) << display;
    }
    // The numbers the modules and the files depend on.
    const std::pair<int, const char*> fixed[] = {
        {0, "SEQ_SEG_COST"}, {12, "IDLE"},      {58, "REQ_FRM_FWD"},     {67, "FC_SEQ_PAYLOAD"}, {74, "R_RDY"},
        {84, "LINK_UP"},     {142, "SCSI_CMD"}, {175, "CREATE_IT_PATH"}, {272, "RMT_IO_GEN_RDY"}};
    for (const auto& [kind, name] : fixed) {
        EXPECT_EQ(msgKindByName(name), kind) << name;
        EXPECT_STREQ(msgKindName(kind), name) << kind;
    }
    EXPECT_EQ(msgKindByName("NO_SUCH_KIND"), -1);
    EXPECT_EQ(msgKindByName(nullptr), -1);
    for (int unused : {-1, 4, 273, 100000})
        EXPECT_EQ(msgKindName(unused), nullptr) << unused;
}

TEST(MsgKinds, ASharedNumberIsAFamilyOfOnePacketClassAndItsNameListsEveryMember)
{
    std::map<int, std::vector<const MsgKindEntry*>> byNumber;
    for (int i = 0; i < msgKindTableSize; i++)
        byNumber[msgKindTable[i].kind].push_back(&msgKindTable[i]);
    std::set<int> shared;
    for (const auto& [kind, rows] : byNumber) {
        if (rows.size() == 1) {
            EXPECT_STREQ(msgKindName(kind), rows[0]->name);
            continue;
        }
        shared.insert(kind);
        // Members are told apart by the packet's own fields, so they must all
        // be one class; a plain timer may share the number besides.
        std::set<std::string> classes;
        int plain = 0;
        std::string joined;
        for (const MsgKindEntry* e : rows) {
            if (std::string(e->className) == "cMessage")
                ++plain;
            else
                classes.insert(e->className);
            joined += (joined.empty() ? "" : "|") + std::string(e->name);
        }
        EXPECT_EQ(classes.size(), 1u) << kind;
        EXPECT_LE(plain, 1) << kind;
        EXPECT_EQ(msgKindName(kind), joined);
    }
    // The frame TYPE codes of ELS, GS and SW_ILS, FSPF and the FCP units.
    EXPECT_EQ(shared, (std::set<int>{1, 32, 34, 76, 141}));
    EXPECT_EQ(FC_ELS_PLOGI, 1);
    EXPECT_EQ(FC_GS_GIDFT, 32);
    EXPECT_EQ(SW_ILS_ELP, 34);
    EXPECT_EQ(FSPF_LSU, 76);
    EXPECT_EQ(FCP_XFER_RDY, 141);
    EXPECT_STREQ(msgKindName(76), "FSPF_HELLO|FSPF_LSA|FSPF_LSU");
}

TEST(MsgKinds, EveryCarryingClassIsRegisteredAndBuildsAnObjectOfItself)
{
    for (int i = 0; i < msgKindTableSize; i++) {
        const std::string cls = msgKindTable[i].className;
        if (cls == "cMessage")
            continue;
        std::unique_ptr<cObject> obj(static_cast<cObject*>(createOne(cls.c_str())));
        ASSERT_NE(obj, nullptr) << msgKindTable[i].name;
        EXPECT_EQ(obj->className(), cls) << msgKindTable[i].name;
    }
    const std::map<std::string, std::string> sample = {{"FC_ELS_FLOGI", "FcElsPacket"},
                                                       {"FRM_TXI_COST", "cMessage"},
                                                       {"REQ_RX_PROC", "LocFrmOk"},
                                                       {"SCSI_CMD", "ScsiCdb"},
                                                       {"SEC_IO_REQ", "DskSecIo"}};
    for (int i = 0; i < msgKindTableSize; i++) {
        auto it = sample.find(msgKindTable[i].name);
        if (it != sample.end()) {
            EXPECT_EQ(msgKindTable[i].className, it->second);
        }
    }
}

} // namespace
