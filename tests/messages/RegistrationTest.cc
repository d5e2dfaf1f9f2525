#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "messages/MsgSubclass_m.h"
#include "sim/cClassRegister.h"
#include "sim/cEnum.h"
#include "tests/messages/ExpectedCatalogue.h"

namespace {

bool endsWith(const std::string& s, const std::string& tail)
{
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

TEST(Registration, ClassesAndDescriptorsAreRegisteredInCatalogueOrder)
{
    std::vector<std::string> expected;
    std::set<std::string> messages;
    for (const auto& e : expectedCatalogue) {
        if (e.isMessage) {
            expected.push_back(e.name);
            messages.insert(e.name);
        }
        expected.push_back(std::string(e.name) + "Descriptor");
    }
    ASSERT_EQ(expected.size(), 26u + 29u);

    std::vector<std::string> registered;
    for (size_t i = 0; i < classes.size(); i++) {
        std::string name = classes.at(i)->name();
        if (messages.count(name) || endsWith(name, "Descriptor"))
            registered.push_back(name);
    }
    EXPECT_EQ(registered, expected);
}

TEST(Registration, EveryClassNameCreatesAnUnnamedMessageOfThatClass)
{
    for (const auto& e : expectedCatalogue) {
        if (!e.isMessage)
            continue;
        std::unique_ptr<cObject> obj(static_cast<cObject*>(createOne(e.name)));
        EXPECT_STREQ(obj->className(), e.name);
        auto* msg = dynamic_cast<cMessage*>(obj.get());
        ASSERT_NE(msg, nullptr) << e.name;
        EXPECT_FALSE(msg->hasName());
        EXPECT_EQ(msg->kind(), 0);
        EXPECT_EQ(msg->length(), 1);
        EXPECT_EQ(msg->priority(), 0);
    }
}

TEST(Registration, EveryDescriptorNameCreatesADescriptorDescribingNothingAndRecordsHaveNoClass)
{
    for (const auto& e : expectedCatalogue) {
        std::string name = std::string(e.name) + "Descriptor";
        std::unique_ptr<cStructDescriptor> d(static_cast<cStructDescriptor*>(createOne(name.c_str())));
        EXPECT_EQ(d->className(), name);
        EXPECT_EQ(d->getStruct(), nullptr);
        if (!e.isMessage) {
            EXPECT_EQ(classes.find(e.name), nullptr) << "a record registers only its descriptor";
        }
    }
}

TEST(Enumerations, AreRegisteredWithTheirValuesInDeclarationOrder)
{
    using Items = std::vector<std::pair<int, std::string>>;
    const std::vector<std::pair<const char*, Items>> expected = {
        {"ScsiCmdCode",
         {{136, "SCSI_READ"},
          {128, "SCSI_WRITE"},
          {160, "SCSI_RPTLUNS"},
          {18, "SCSI_INQUIRY"},
          {26, "SCSI_MODSNS"},
          {255, "SCSI_UNKNOWN"}}},
        {"FrameDelimiters",
         {{0, "SOFi3"}, {1, "SOFn3"}, {2, "SOFf"}, {3, "EOFn"}, {4, "EOFt"}, {5, "EOFni"}, {6, "EOFa"}}},
        {"AckForm", {{0, "NO_ACK"}, {1, "ACK_1"}, {17, "ACK_0"}}},
        {"AbSeqCon", {{0, "DISC_MULTI"}, {1, "DISC_SING"}, {16, "INFINI_BUF"}, {17, "DISC_RETRANS"}}},
        {"ConSeqCon", {{0, "NO_INFO"}, {1, "FOLLOW_IMMI"}, {16, "FOLLOW_SOON"}, {17, "FOLLOW_DELY"}}},
        {"FillDataByte", {{0, "ZERO_BYTE"}, {1, "ONE_BYTE"}, {16, "TWO_BYTE"}, {17, "THREE_BYTE"}}},
    };
    std::vector<std::string> order;
    for (size_t i = 0; i < enums.size(); i++)
        order.push_back(enums.at(i)->name());
    size_t last = 0;
    for (const auto& [name, items] : expected) {
        cEnum* e = enums.find(name);
        ASSERT_NE(e, nullptr) << name;
        EXPECT_EQ(e->items(), items) << name;
        size_t pos = std::find(order.begin(), order.end(), name) - order.begin();
        EXPECT_GE(pos, last) << name;
        last = pos;
    }
}

TEST(Enumerations, UpperValuesAreSixteenAndSeventeenNotTwoAndThree)
{
    EXPECT_STREQ(enums.find("AckForm")->stringFor(17), "ACK_0");
    for (const char* name : {"AckForm", "AbSeqCon", "ConSeqCon", "FillDataByte"}) {
        EXPECT_EQ(enums.find(name)->stringFor(2), nullptr) << name;
        EXPECT_EQ(enums.find(name)->stringFor(3), nullptr) << name;
    }
}
