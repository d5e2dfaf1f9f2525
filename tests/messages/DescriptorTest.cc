#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "messages/MsgSubclass_m.h"
#include "sim/cClassRegister.h"
#include "sim/cException.h"
#include "tests/messages/ExpectedCatalogue.h"

namespace {

using DescriptorPtr = std::unique_ptr<cStructDescriptor>;

DescriptorPtr descriptorFor(const std::string& name, void* p)
{
    return DescriptorPtr(cStructDescriptor::createDescriptorFor(name.c_str(), p));
}

std::string text(cStructDescriptor& d, int field)
{
    char buf[64] = "unset";
    EXPECT_TRUE(d.getFieldAsString(field, 0, buf, sizeof buf)) << d.getFieldName(field);
    return buf;
}

bool isBasic(cStructDescriptor& d, int field)
{
    return d.getFieldType(field) == cStructDescriptor::FT_BASIC;
}

std::string zeroText(cStructDescriptor& d, int field)
{
    return std::strcmp(d.getFieldTypeString(field), "bool") == 0 ? "false" : "0";
}

// A value other than zero for a field, for tests that fill messages.
std::string nonZeroText(cStructDescriptor& d, int field, int n)
{
    return zeroText(d, field) == "false" ? "true" : std::to_string(n);
}

// A message, its descriptor and the descriptors of the records it holds,
// opened on the records inside it.
struct Described {
    std::unique_ptr<cObject> obj;
    DescriptorPtr desc;
    std::vector<DescriptorPtr> records;
    // Every basic field of the message and of its records.
    std::vector<std::pair<cStructDescriptor*, int>> fields;
};

Described describe(cObject* obj)
{
    Described m;
    m.obj.reset(obj);
    m.desc = descriptorFor(obj->className(), obj);
    for (int f = 0; f < m.desc->getFieldCount(); f++) {
        if (isBasic(*m.desc, f))
            m.fields.emplace_back(m.desc.get(), f);
        else
            m.records.push_back(descriptorFor(m.desc->getFieldStructName(f), m.desc->getFieldStructPointer(f, 0)));
    }
    for (auto& rec : m.records)
        for (int f = 0; f < rec->getFieldCount(); f++)
            m.fields.emplace_back(rec.get(), f);
    return m;
}

Described create(const char* className)
{
    return describe(static_cast<cObject*>(createOne(className)));
}

std::vector<const char*> messageNames()
{
    std::vector<const char*> names;
    for (const auto& e : expectedCatalogue)
        if (e.isMessage)
            names.push_back(e.name);
    return names;
}

} // namespace

TEST(DescriptorCatalogue, EveryEntryDescribesItsFields)
{
    std::map<std::string, int> counts;
    for (const auto& e : expectedCatalogue) {
        DescriptorPtr d(static_cast<cStructDescriptor*>(createOne((std::string(e.name) + "Descriptor").c_str())));
        EXPECT_GT(d->getFieldCount(), 0) << e.name;
        counts[e.name] = d->getFieldCount();
    }
    EXPECT_EQ(counts["FcFrameHead"], 35);
    EXPECT_EQ(counts["FcFrameTail"], 7);
    EXPECT_EQ(counts["FcSeqPayload"], 18);
    EXPECT_EQ(counts["ScsiCdb"], 3);
    EXPECT_EQ(counts["FrameQualifier"], 9);
}

TEST(DescriptorCatalogue, EveryFieldHasAUniqueNameAKnownTypeAndAMatchingKind)
{
    const std::set<std::string> basicTypes = {"int",           "long", "unsigned long", "unsigned short",
                                              "unsigned char", "bool", "double"};
    const std::set<std::string> records = {"LunBlkLoc", "FrameQualifier", "LocalFrameActive"};
    for (const auto& e : expectedCatalogue) {
        DescriptorPtr d = descriptorFor(e.name, nullptr);
        std::set<std::string> names;
        for (int f = 0; f < d->getFieldCount(); f++) {
            SCOPED_TRACE(std::string(e.name) + " field " + std::to_string(f));
            ASSERT_NE(d->getFieldName(f), nullptr);
            EXPECT_TRUE(names.insert(d->getFieldName(f)).second);
            std::string type = d->getFieldTypeString(f);
            if (isBasic(*d, f)) {
                EXPECT_EQ(basicTypes.count(type), 1u) << type;
                EXPECT_EQ(d->getFieldStructName(f), nullptr);
            } else {
                EXPECT_TRUE(e.isMessage);
                EXPECT_EQ(d->getFieldType(f), cStructDescriptor::FT_STRUCT);
                EXPECT_EQ(records.count(type), 1u) << type;
                EXPECT_EQ(type, d->getFieldStructName(f));
            }
            EXPECT_EQ(d->getFieldEnumName(f), nullptr);
            EXPECT_EQ(d->getArraySize(f), 0);
            EXPECT_EQ(d->getFieldWrapper(f, 0), nullptr);
        }
    }
}

TEST(DescriptorCatalogue, FreshMessagesReadZeroInEveryFieldAndRecord)
{
    for (const char* name : messageNames()) {
        Described m = create(name);
        for (auto [d, f] : m.fields)
            EXPECT_EQ(text(*d, f), zeroText(*d, f)) << name << "." << d->getFieldName(f);
    }
}

TEST(DescriptorCatalogue, EachFieldIsStoredApartFromTheOthers)
{
    for (const char* name : messageNames()) {
        size_t count = create(name).fields.size();
        for (size_t target = 0; target < count; target++) {
            Described m = create(name);
            auto [td, tf] = m.fields[target];
            ASSERT_TRUE(td->setFieldAsString(tf, 0, nonZeroText(*td, tf, 1).c_str()));
            for (size_t i = 0; i < count; i++) {
                auto [d, f] = m.fields[i];
                EXPECT_EQ(text(*d, f), i == target ? nonZeroText(*d, f, 1) : zeroText(*d, f))
                    << name << ": set " << td->getFieldName(tf) << ", read " << d->getFieldName(f);
            }
        }
    }
}

TEST(DescriptorCatalogue, DupCopiesEveryFieldAndEveryRecord)
{
    for (const char* name : messageNames()) {
        Described m = create(name);
        m.obj->setName("renamed");
        for (size_t i = 0; i < m.fields.size(); i++) {
            auto [d, f] = m.fields[i];
            d->setFieldAsString(f, 0, nonZeroText(*d, f, static_cast<int>(i) + 1).c_str());
        }
        Described copy = describe(m.obj->dup());
        EXPECT_STREQ(copy.obj->name(), "renamed");
        ASSERT_EQ(copy.fields.size(), m.fields.size()) << name;
        for (size_t i = 0; i < m.fields.size(); i++) {
            auto [d, f] = m.fields[i];
            auto [cd, cf] = copy.fields[i];
            EXPECT_EQ(text(*cd, cf), text(*d, f)) << name << "." << d->getFieldName(f);
        }
    }
}

TEST(DescriptorCatalogue, OutOfRangeIndicesGiveNullInvalidAndFalse)
{
    for (const auto& e : expectedCatalogue) {
        SCOPED_TRACE(e.name);
        DescriptorPtr d = descriptorFor(e.name, nullptr);
        for (int f : {-1, d->getFieldCount()}) {
            EXPECT_EQ(d->getFieldName(f), nullptr);
            EXPECT_EQ(d->getFieldType(f), cStructDescriptor::FT_INVALID);
            EXPECT_EQ(d->getFieldTypeString(f), nullptr);
            EXPECT_EQ(d->getFieldStructName(f), nullptr);
            EXPECT_EQ(d->getFieldStructPointer(f, 0), nullptr);
            EXPECT_EQ(d->getFieldEnumName(f), nullptr);
            EXPECT_EQ(d->getArraySize(f), 0);
        }
    }
    FcFrameTail tail;
    FcFrameTailDescriptor d(&tail);
    char buf[8] = "keep";
    EXPECT_FALSE(d.getFieldAsString(7, 0, buf, sizeof buf));
    EXPECT_STREQ(buf, "keep");
    EXPECT_FALSE(d.setFieldAsString(-1, 0, "5"));
    EXPECT_FALSE(d.setFieldAsString(7, 0, "5"));
    EXPECT_EQ(tail.getCrc(), 0u);
    EXPECT_EQ(tail.getNetEtime(), 0.0);
}

TEST(DescriptorCatalogue, RecordFieldsHaveNoTextButAStructPointer)
{
    for (const char* name : messageNames()) {
        Described m = create(name);
        for (int f = 0; f < m.desc->getFieldCount(); f++) {
            if (isBasic(*m.desc, f))
                continue;
            SCOPED_TRACE(std::string(name) + "." + m.desc->getFieldName(f));
            char buf[8] = "keep";
            EXPECT_FALSE(m.desc->getFieldAsString(f, 0, buf, sizeof buf));
            EXPECT_STREQ(buf, "keep");
            EXPECT_FALSE(m.desc->setFieldAsString(f, 0, "1"));
            EXPECT_NE(m.desc->getFieldStructPointer(f, 0), nullptr);
        }
    }
}

TEST(DescriptorCatalogue, EachFieldTakesTheValuesOfItsTypeAndRefusesEveryOtherText)
{
    // declared type -> texts stored and read back, texts refused. An
    // "unsigned long" field is 32 bits wide, a "long" one 64.
    struct Cases {
        std::vector<std::pair<const char*, const char*>> taken;
        std::vector<const char*> refused;
    };
    const std::vector<const char*> neverNumbers = {"abc", "", "12abc", "1 2"};
    const std::map<std::string, Cases> cases = {
        {"unsigned char", {{{"255", "255"}, {"0", "0"}, {" 7 ", "7"}}, {"256", "-1", "70000", "0x10"}}},
        {"unsigned short", {{{"65535", "65535"}, {"300", "300"}}, {"65536", "-1", "-5", "99999999"}}},
        {"int", {{{"2147483647", "2147483647"}, {"-2147483648", "-2147483648"}}, {"2147483648", "-2147483649"}}},
        {"unsigned long", {{{"4294967295", "4294967295"}, {"300", "300"}}, {"4294967296", "-1"}}},
        {"long",
         {{{"-1", "-1"}, {"9223372036854775807", "9223372036854775807"}},
          {"9223372036854775808", "-9223372036854775809"}}},
        {"bool", {{{"true", "true"}, {"false", "false"}, {"1", "true"}, {"0", "false"}}, {"yes", "2", "t"}}},
        {"double", {{{"2.5", "2.5"}, {"-0.125", "-0.125"}, {"1e-3", "0.001"}}, {"nan", "inf", "1e999", "2.5s"}}},
    };
    std::set<std::string> seen;
    for (const char* name : messageNames()) {
        Described m = create(name);
        for (auto [d, f] : m.fields) {
            std::string type = d->getFieldTypeString(f);
            seen.insert(type);
            const Cases& c = cases.at(type);
            for (const auto& [in, out] : c.taken) {
                EXPECT_TRUE(d->setFieldAsString(f, 0, in)) << name << "." << d->getFieldName(f) << " = " << in;
                EXPECT_EQ(text(*d, f), out) << name << "." << d->getFieldName(f) << " = " << in;
            }
            const std::string kept = text(*d, f);
            std::vector<const char*> refused = c.refused;
            if (type != "bool")
                refused.insert(refused.end(), neverNumbers.begin(), neverNumbers.end());
            for (const char* in : refused) {
                EXPECT_FALSE(d->setFieldAsString(f, 0, in)) << name << "." << d->getFieldName(f) << " = " << in;
                EXPECT_EQ(text(*d, f), kept) << name << "." << d->getFieldName(f) << " = " << in;
            }
        }
    }
    EXPECT_EQ(seen.size(), cases.size());
}

TEST(DescriptorOfMessage, TextGoesThroughTheFieldsAccessors)
{
    DskSecIo m("SEC_IO_COMP", 0);
    DskSecIoDescriptor d(&m);
    EXPECT_FALSE(d.setFieldAsString(2, 0, "300"));
    EXPECT_EQ(m.getIoType(), 0);
    EXPECT_TRUE(d.setFieldAsString(2, 0, "136"));
    EXPECT_EQ(m.getIoType(), 136);
    m.setDskSec(0xFFFFFFFFu);
    EXPECT_EQ(text(d, 1), "4294967295");
    m.setBlkIoSbPtr(-5);
    EXPECT_EQ(text(d, 0), "-5");
    EXPECT_TRUE(d.setFieldAsString(3, 0, "-2"));
    EXPECT_EQ(m.getSrcDskId(), -2);
}

TEST(DescriptorOfMessage, ReadsThroughVirtualGetters)
{
    struct FixedSector : DskSecIo {
        std::uint32_t getDskSec() const override { return 1234; }
    } m;
    DskSecIoDescriptor d(&m);
    EXPECT_EQ(text(d, 1), "1234");
}

TEST(DescriptorOfMessage, RecordPointerIsTheGettersRecord)
{
    LunBlkIo m("REQ_PHY_BLK_READ", 0);
    LunBlkIoDescriptor d(&m);
    EXPECT_STREQ(d.getFieldStructName(0), "LunBlkLoc");
    EXPECT_STREQ(d.getFieldTypeString(0), "LunBlkLoc");
    void* p = d.getFieldStructPointer(0, 0);
    EXPECT_EQ(p, &m.getLunBlkLoc());
    static_cast<LunBlkLoc*>(p)->dskBlk = 77;
    EXPECT_EQ(m.getLunBlkLoc().dskBlk, 77u);
    LunBlkLocDescriptor rd(p);
    EXPECT_TRUE(rd.setFieldAsString(0, 0, "3"));
    EXPECT_EQ(m.getLunBlkLoc().acpId, 3);
    EXPECT_EQ(text(rd, 3), "77");
}

TEST(DescriptorOfMessage, FieldsKeepTheirModelNamesAndTypes)
{
    FcpIuDescriptor iu;
    EXPECT_STREQ(iu.getFieldName(0), "FCP_LUN");
    EXPECT_STREQ(iu.getFieldName(6), "FCP_DL");
    EXPECT_STREQ(iu.getFieldName(11), "SCSI_STATUS");
    EXPECT_STREQ(iu.getFieldName(22), "ioId");
    DskSecIoDescriptor dsk;
    EXPECT_STREQ(dsk.getFieldTypeString(0), "long");
    EXPECT_STREQ(dsk.getFieldTypeString(2), "unsigned char");
    FcFrameHeadDescriptor head;
    EXPECT_STREQ(head.getFieldStructName(17), "FrameQualifier");
    EXPECT_STREQ(head.getFieldName(34), "frmFwdStime");
}

TEST(DescriptorOfMessage, FactoryDescriptorDescribesNothingAndRefusesCopying)
{
    DescriptorPtr d(static_cast<cStructDescriptor*>(createOne("FcSeqPayloadDescriptor")));
    EXPECT_EQ(d->getStruct(), nullptr);
    EXPECT_STREQ(d->className(), "FcSeqPayloadDescriptor");
    EXPECT_STREQ(d->getFieldName(17), "ctxPtr");
    char buf[8] = "keep";
    EXPECT_FALSE(d->getFieldAsString(0, 0, buf, sizeof buf));
    EXPECT_STREQ(buf, "keep");
    EXPECT_THROW(d->dup(), cRuntimeError);
}
