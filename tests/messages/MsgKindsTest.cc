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

std::vector<std::string> namesOf(int kind)
{
    std::vector<std::string> names;
    for (int i = 0; i < msgKindTableSize; i++)
        if (msgKindTable[i].kind == kind)
            names.push_back(msgKindTable[i].name);
    return names;
}

} // namespace

TEST(MsgKinds, SampleOfNumbersAndNames)
{
    const std::vector<std::pair<int, const char*>> sample = {
        {0, "SEQ_SEG_COST"},      {12, "IDLE"},          {21, "NEXT_MSG"},         {49, "RESET_ALL"},
        {54, "FRAME_TX_OK"},      {58, "REQ_FRM_FWD"},   {67, "FC_SEQ_PAYLOAD"},   {74, "R_RDY"},
        {84, "LINK_UP"},          {93, "F_PORT_UP"},     {104, "GOT_RFF_ID"},      {140, "MSG_COAT"},
        {142, "SCSI_CMD"},        {175, "CREATE_IT_PATH"}, {188, "REQ_CMD_COMP"},  {193, "FCP_REQ_DATA_OUT"},
        {206, "LUN_BLK_LOC_ANX"}, {224, "PHY_BLK_WRITE_COMP"}, {241, "SEC_IO_COMP"}, {272, "RMT_IO_GEN_RDY"},
    };
    for (const auto& [kind, name] : sample) {
        EXPECT_EQ(msgKindByName(name), kind) << name;
        EXPECT_STREQ(msgKindName(kind), name) << kind;
    }
    EXPECT_EQ(LINK_UP, 84);
    EXPECT_EQ(NEXT_CPU_UTIL, 271);
    EXPECT_EQ(msgKindByName("NO_SUCH_KIND"), -1);
}

TEST(MsgKinds, TableRunsInNumberOrderWithUniqueNames)
{
    EXPECT_EQ(msgKindTableSize, 237);
    std::set<int> numbers;
    std::set<std::string> names;
    for (int i = 0; i < msgKindTableSize; i++) {
        if (i > 0) {
            EXPECT_LE(msgKindTable[i - 1].kind, msgKindTable[i].kind) << msgKindTable[i].name;
        }
        numbers.insert(msgKindTable[i].kind);
        EXPECT_TRUE(names.insert(msgKindTable[i].name).second) << msgKindTable[i].name;
    }
    EXPECT_EQ(numbers.size(), 215u);
    EXPECT_EQ(*numbers.begin(), 0);
    EXPECT_EQ(*numbers.rbegin(), 272);
    for (int unused : {4, 11, 24, 31, 33, 50, 55, 94, 131, 146, 202, 229, 232})
        EXPECT_EQ(numbers.count(unused), 0u) << unused;
}

TEST(MsgKinds, FamiliesShareANumberAndEveryOtherNumberHasOneName)
{
    const std::map<int, std::vector<std::string>> families = {
        {1,
         {"FC_ELS_ABTX", "FC_ELS_ABTX_ACC", "FC_ELS_FLOGI", "FC_ELS_FLOGI_ACC", "FC_ELS_PLOGI", "FC_ELS_PLOGI_ACC",
          "FC_ELS_RSCN", "FRM_TXI_COST"}},
        {32,
         {"FC_GS_GFFID", "FC_GS_GFFID_ACC", "FC_GS_GIDFT", "FC_GS_GIDFT_ACC", "FC_GS_RFFID", "FC_GS_RFFID_ACC",
          "NS_REG"}},
        {34, {"SW_ILS_ELP", "SW_ILS_ELP_ACC", "SW_ILS_ELP_RJT", "SW_ILS_SW_RSCN"}},
        {76, {"FSPF_HELLO", "FSPF_LSA", "FSPF_LSU"}},
        {141, {"FCP_CMND", "FCP_CONF", "FCP_DATA", "FCP_RSP", "FCP_XFER_RDY"}},
    };
    for (int i = 0; i < msgKindTableSize; i++) {
        int kind = msgKindTable[i].kind;
        auto it = families.find(kind);
        if (it == families.end()) {
            EXPECT_EQ(namesOf(kind).size(), 1u) << kind;
        } else {
            EXPECT_EQ(namesOf(kind), it->second) << kind;
        }
    }
    EXPECT_EQ(FC_ELS_PLOGI_ACC, FRM_TXI_COST);
    EXPECT_EQ(NS_REG, 32);
    EXPECT_EQ(SW_ILS_SW_RSCN, 34);
    EXPECT_EQ(FCP_XFER_RDY, 141);
}

TEST(MsgKinds, NameOfASharedNumberListsAllItsNames)
{
    EXPECT_STREQ(msgKindName(141), "FCP_CMND|FCP_CONF|FCP_DATA|FCP_RSP|FCP_XFER_RDY");
    EXPECT_STREQ(msgKindName(76), "FSPF_HELLO|FSPF_LSA|FSPF_LSU");
    EXPECT_STREQ(msgKindName(1), "FC_ELS_ABTX|FC_ELS_ABTX_ACC|FC_ELS_FLOGI|FC_ELS_FLOGI_ACC|FC_ELS_PLOGI|"
                                 "FC_ELS_PLOGI_ACC|FC_ELS_RSCN|FRM_TXI_COST");
    for (int unused : {-1, 4, 24, 273, 100000})
        EXPECT_EQ(msgKindName(unused), nullptr) << unused;
}

TEST(MsgKinds, ClassColumnNamesTheCarryingClass)
{
    const std::map<std::string, std::string> sample = {
        {"FC_ELS_FLOGI", "FcElsPacket"}, {"FRM_TXI_COST", "cMessage"}, {"NS_REG", "FcGsPacket"},
        {"FRAME_TX_OK", "cMessage"},     {"REQ_RX_PROC", "LocFrmOk"},  {"SCSI_CMD", "ScsiCdb"},
        {"REQ_CMD_COMP", "cMessage"},    {"BLK_READ_DATA", "LunBlkIo"}, {"SEC_IO_REQ", "DskSecIo"},
    };
    int carried = 0;
    std::set<std::string> carriers;
    for (int i = 0; i < msgKindTableSize; i++) {
        std::string cls = msgKindTable[i].className;
        auto it = sample.find(msgKindTable[i].name);
        if (it != sample.end()) {
            EXPECT_EQ(cls, it->second) << msgKindTable[i].name;
        }
        if (cls == "cMessage")
            continue;
        carried++;
        carriers.insert(cls);
        std::unique_ptr<cObject> obj(static_cast<cObject*>(createOne(cls.c_str())));
        EXPECT_EQ(obj->className(), cls);
    }
    EXPECT_EQ(carried, 54);
    // Every class but the two that no module builds carries some kind.
    EXPECT_EQ(carriers.size(), 24u);
    EXPECT_EQ(carriers.count("FrameTxOK"), 0u);
    EXPECT_EQ(carriers.count("SwIlsElpPayload"), 0u);
}
