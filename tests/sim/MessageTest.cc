#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "sim/AddressSanitizer.h"
#include "sim/cException.h"
#include "sim/cMessage.h"

namespace {

TEST(Message, FreshMessageHasTheConstructorsAttributes)
{
    cMessage m("REQ_FRM_FWD", 58, 36, 2);
    EXPECT_STREQ(m.name(), "REQ_FRM_FWD");
    EXPECT_EQ(m.kind(), 58);
    EXPECT_EQ(m.length(), 36);
    EXPECT_EQ(m.priority(), 2);
    EXPECT_FALSE(m.hasBitError());
    EXPECT_FALSE(m.isScheduled());
    EXPECT_EQ(m.encapsulatedMsg(), nullptr);
    cMessage plain;
    EXPECT_EQ(plain.length(), 1);
    EXPECT_FALSE(plain.hasName());
}

TEST(Message, DupCopiesEverythingAndAssignmentKeepsTheTargetsName)
{
    cMessage src("src", 7, 100, 1, true);
    src.setTimestamp(3.5);
    src.addPar("count") = 5L;
    src.addPar("empty");
    src.setName("renamed");
    cMessage* copy = src.dup();
    EXPECT_STREQ(copy->name(), "renamed");
    EXPECT_EQ(copy->kind(), 7);
    EXPECT_EQ(copy->length(), 100);
    EXPECT_TRUE(copy->hasBitError());
    EXPECT_DOUBLE_EQ(copy->timestamp(), 3.5);
    ASSERT_EQ(copy->parListSize(), 2);
    EXPECT_EQ(copy->par("count").longValue(), 5);
    EXPECT_FALSE(copy->par("empty").hasValue());
    // The copy's parameters are its own.
    copy->par("count") = 6L;
    EXPECT_EQ(src.par("count").longValue(), 5);
    delete copy;

    cMessage target("target", 1);
    target = src;
    EXPECT_STREQ(target.name(), "target");
    EXPECT_EQ(target.kind(), 7);
    EXPECT_EQ(target.par("count").longValue(), 5);
    target = target;
    EXPECT_EQ(target.kind(), 7);
}

TEST(Message, NamesOfEveryLengthSurviveCopiesAndRenaming)
{
    const std::string longest(200, 'n');
    for (const std::string& name :
         {std::string("R_RDY"), std::string(14, 'i'), std::string(15, 'h'), std::string("FC_FRAME_PAYLOAD"),
          std::string("ABCDEFGHIJKLMNOPQRSTUVWXYZ1234"), std::string(31, 'x'), longest}) {
        cMessage m(name.c_str());
        EXPECT_EQ(m.name(), name);
        EXPECT_TRUE(m.isName(name.c_str()));
        cMessage* copy = m.dup();
        m.setName("gone");
        EXPECT_EQ(copy->name(), name);
        // Renamed after a part of its own name.
        copy->setName(copy->name() + 1);
        EXPECT_EQ(copy->name(), name.substr(1));
        copy->setName(nullptr);
        EXPECT_FALSE(copy->hasName());
        delete copy;
    }
}

TEST(Message, ParameterLookupByNameAndIndex)
{
    cMessage m("m");
    EXPECT_EQ(m.findPar("x"), -1);
    EXPECT_FALSE(m.hasPar("x"));
    m.addPar("a") = 1L;
    m.addPar("x") = "text";
    EXPECT_EQ(m.findPar("x"), 1);
    EXPECT_STREQ(m.par(1).stringValue(), "text");
    EXPECT_THROW(m.par("missing"), cRuntimeError);
    EXPECT_THROW(m.par(2), cRuntimeError);
    m.removePar("a");
    EXPECT_EQ(m.findPar("x"), 0);
}

TEST(Message, ManyParametersKeepTheirOrderPlaceAndValuesThroughRemovalAndDup)
{
    const long before = cMessage::liveMessageCount();
    auto* m = new cMessage("REQ_FRM_FWD");
    // Names built at run time as well as literals; ten is more than a
    // message keeps in its first block.
    std::vector<std::string> names;
    for (int i = 0; i < 10; ++i)
        names.push_back("p" + std::to_string(i));
    std::vector<cPar*> added;
    for (int i = 0; i < 10; ++i)
        added.push_back(&m->addPar(names[static_cast<size_t>(i)].c_str()).setLongValue(i * 10));
    auto* handedOver = new cPar("handedOver");
    *handedOver = "mine";
    m->addPar(handedOver);
    m->addPar("srcPort") = 7L;
    ASSERT_EQ(m->parListSize(), 12);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(&m->par(i), added[static_cast<size_t>(i)]); // nothing moved while others were added
        EXPECT_EQ(m->par(std::string("p" + std::to_string(i)).c_str()).longValue(), i * 10);
    }
    EXPECT_EQ(&m->par("handedOver"), handedOver);
    EXPECT_EQ(m->par(std::string("srcPort").c_str()).longValue(), 7);

    // Removing from the first block and beyond it, then adding again,
    // keeps the order of the rest and appends the new ones.
    m->removePar("p1");
    m->removePar("p8");
    m->removePar("handedOver");
    m->removePar("absent");
    m->addPar("late") = 2.5;
    m->addPar("later") = true;
    const char* expected[] = {"p0", "p2", "p3", "p4", "p5", "p6", "p7", "p9", "srcPort", "late", "later"};
    ASSERT_EQ(m->parListSize(), 11);
    for (int i = 0; i < 11; ++i)
        EXPECT_STREQ(m->par(i).name(), expected[i]);
    EXPECT_EQ(&m->par("p9"), added[9]);
    EXPECT_EQ(m->findPar("p1"), -1);
    EXPECT_EQ(m->findPar("handedOver"), -1);

    cMessage* copy = m->dup();
    delete m;
    ASSERT_EQ(copy->parListSize(), 11);
    for (int i = 0; i < 11; ++i)
        EXPECT_STREQ(copy->par(i).name(), expected[i]);
    EXPECT_EQ(copy->par("p9").longValue(), 90);
    EXPECT_DOUBLE_EQ(copy->par("late").doubleValue(), 2.5);
    EXPECT_TRUE(copy->par("later").boolValue());
    EXPECT_THROW(copy->par(11), cRuntimeError);
    delete copy;
    EXPECT_EQ(cMessage::liveMessageCount(), before);
}

TEST(Message, OuterMessageOwnsTheInnerOneAndDupCopiesIt)
{
    long before = cMessage::liveMessageCount();
    {
        auto* outer = new cMessage("envelope", 1, 10);
        auto* inner = new cMessage("payload", 2, 2048);
        outer->encapsulate(inner);
        EXPECT_EQ(outer->length(), 10); // lengths are the builder's business
        cMessage second("second");
        EXPECT_THROW(outer->encapsulate(&second), cRuntimeError);
        cMessage* copy = outer->dup();
        ASSERT_NE(copy->encapsulatedMsg(), nullptr);
        EXPECT_NE(copy->encapsulatedMsg(), inner);
        EXPECT_STREQ(copy->encapsulatedMsg()->name(), "payload");
        EXPECT_EQ(outer->decapsulate(), inner);
        EXPECT_EQ(outer->encapsulatedMsg(), nullptr);
        delete inner;
        delete outer;
        delete copy; // takes its inner copy with it
    }
    EXPECT_EQ(cMessage::liveMessageCount(), before);
}

} // namespace

namespace {

// A message of another class, larger than a plain one.
class WideMessage : public cMessage {
  public:
    using cMessage::cMessage;
    long words[24] = {};
};

TEST(MessagePool, FreedMessagesLendTheirStorageToTheNextOfTheirSize)
{
#ifdef VELMORA_ASAN
    GTEST_SKIP() << "messages use the general allocator under the sanitizer";
#endif
    auto* first = new cMessage("R_RDY", 4, 4);
    void* firstStorage = first;
    auto* wide = new WideMessage("FC_FRAME_HEAD", 51, 36);
    wide->words[23] = 7;
    void* wideStorage = wide;
    const size_t spare = MessagePool::spareBlocks();
    delete first;
    // Deleted through its base, the wide message still goes back to its own list.
    cObject* asObject = wide;
    delete asObject;
    EXPECT_EQ(MessagePool::spareBlocks(), spare + 2);

    auto* again = new cMessage("FRAME_TX_OK", 5, 0);
    EXPECT_EQ(static_cast<void*>(again), firstStorage);
    EXPECT_STREQ(again->name(), "FRAME_TX_OK");
    EXPECT_EQ(again->kind(), 5);
    EXPECT_EQ(again->parListSize(), 0);
    auto* wideAgain = new WideMessage("FC_FRAME_TAIL", 53, 0);
    EXPECT_EQ(static_cast<void*>(wideAgain), wideStorage);
    EXPECT_EQ(wideAgain->words[23], 0);
    EXPECT_EQ(MessagePool::spareBlocks(), spare);
    delete wideAgain;
    delete again;
    EXPECT_EQ(MessagePool::spareBlocks(), spare + 2);
}

// More messages than one slab of the pool holds, of two sizes in turn: each
// has storage of its own, aligned for any field, and keeps what was written
// into it while the others are made.
TEST(MessagePool, MessagesBeyondOneSlabEachKeepStorageOfTheirOwn)
{
    std::vector<WideMessage*> wide;
    std::vector<cMessage*> plain;
    for (long i = 0; i < 12000; ++i) { // 12,000 x (256 + 16 + 128 bytes) is past 4 MiB
        wide.push_back(new WideMessage("FC_FRAME_HEAD", 51, 36));
        wide.back()->words[0] = i;
        wide.back()->words[23] = -i;
        plain.push_back(new cMessage("R_RDY", 4, 4));
        plain.back()->addPar("n") = i;
    }
    std::map<uintptr_t, size_t> extents; // start -> size
    for (long i = 0; i < 12000; ++i) {
        EXPECT_EQ(wide[i]->words[0], i);
        EXPECT_EQ(wide[i]->words[23], -i);
        EXPECT_EQ(plain[i]->par("n").longValue(), i);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(wide[i]) % alignof(std::max_align_t), 0u);
        extents[reinterpret_cast<uintptr_t>(wide[i])] = sizeof(WideMessage);
        extents[reinterpret_cast<uintptr_t>(plain[i])] = sizeof(cMessage);
    }
    ASSERT_EQ(extents.size(), 24000u);
    uintptr_t end = 0;
    for (const auto& [start, size] : extents) {
        if (start < end)
            ADD_FAILURE() << "a message starts inside the one below it, at " << start;
        end = start + size;
    }
    for (auto* m : wide)
        delete m;
    for (auto* m : plain)
        delete m;
}

} // namespace
