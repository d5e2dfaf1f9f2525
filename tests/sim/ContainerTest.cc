#include <gtest/gtest.h>

#include <vector>

#include "sim/NameIndex.h"
#include "sim/cArray.h"
#include "sim/cClassRegister.h"
#include "sim/cEnum.h"
#include "sim/cLinkedList.h"
#include "sim/cMessage.h"
#include "sim/cQueue.h"
#include "sim/cStructDescriptor.h"

namespace {

std::vector<std::string> names(const cQueue& q)
{
    std::vector<std::string> out;
    for (cObject* o : q)
        out.push_back(o->name());
    return out;
}

TEST(Queue, PopsAndPeeksTheOldestAndIteratesOldestToNewest)
{
    cQueue q("frames");
    EXPECT_EQ(q.pop(), nullptr);
    EXPECT_EQ(q.tail(), nullptr);
    auto* a = new cMessage("a");
    auto* b = new cMessage("b");
    auto* c = new cMessage("c");
    q.insert(a);
    q.insert(b);
    q.insert(c);
    EXPECT_EQ(q.tail(), a);
    EXPECT_EQ(q.length(), 3);
    EXPECT_EQ(names(q), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(q.remove(b), b);
    EXPECT_EQ(q.remove(b), nullptr);
    delete b;
    q.insertBefore(c, new cMessage("before-c"));
    EXPECT_EQ(names(q), (std::vector<std::string>{"a", "before-c", "c"}));
    EXPECT_EQ(q.pop(), a);
    delete a;
    EXPECT_FALSE(q.empty());
}

// A queue that keeps taking and adding goes round its storage and grows
// while its oldest entries sit anywhere in it; order, places and look-ups
// stay those of a plain list.
TEST(Queue, KeepsFirstInFirstOutOrderWhileItsStorageWrapsAndGrows)
{
    const long before = cMessage::liveMessageCount();
    cQueue q("txQue");
    std::vector<std::string> model;
    int next = 0;
    auto add = [&] {
        const std::string name = "m" + std::to_string(next++);
        q.insert(new cMessage(name.c_str()));
        model.push_back(name);
    };
    for (int round = 0; round < 40; ++round) {
        for (int i = 0; i < 3 + round % 5; ++i) // more in than out: the ring wraps, then grows
            add();
        for (int i = 0; i < 2; ++i) {
            cObject* oldest = q.pop();
            ASSERT_EQ(oldest->name(), model.front());
            model.erase(model.begin());
            delete oldest;
        }
        if (round % 7 == 3) { // in the middle, round the ring's end
            const int middle = q.length() / 2;
            q.insertAfter(q.get(middle), new cMessage("after"));
            model.insert(model.begin() + middle + 1, "after");
            q.insertBefore(q.tail(), new cMessage("first"));
            model.insert(model.begin(), "first");
            const int third = q.length() / 3;
            delete q.remove(q.get(third));
            model.erase(model.begin() + third);
        }
        ASSERT_EQ(names(q), model) << "round " << round;
    }
    EXPECT_EQ(q.length(), static_cast<int>(model.size()));
    EXPECT_EQ(q.head()->name(), model.back());
    EXPECT_EQ(q.get(q.length()), nullptr);
    q.clear();
    EXPECT_EQ(cMessage::liveMessageCount(), before);
}

TEST(Queue, ClearAndDestructionDeleteWhatIsQueued)
{
    long before = cMessage::liveMessageCount();
    {
        cQueue q;
        q.insert(new cMessage("x"));
        q.insert(new cMessage("y"));
        cQueue copy(q);
        EXPECT_EQ(copy.length(), 2);
        EXPECT_NE(copy.tail(), q.tail());
        q.clear();
        EXPECT_TRUE(q.empty());
    }
    EXPECT_EQ(cMessage::liveMessageCount(), before);
}

TEST(Array, ReusesEmptySlotsAndFindsByName)
{
    cArray arr("tbl");
    EXPECT_EQ(arr.add(new cMessage("zero")), 0);
    EXPECT_EQ(arr.add(new cMessage("one")), 1);
    cObject* zero = arr.remove(0);
    delete zero;
    EXPECT_FALSE(arr.exist(0));
    EXPECT_EQ(arr.add(new cMessage("again")), 0);
    EXPECT_EQ(arr.find("one"), 1);
    EXPECT_EQ(arr.find("none"), -1);
    EXPECT_EQ(arr.items(), 2);
    arr.addAt(5, new cMessage("five"));
    EXPECT_EQ(arr.size(), 6);
    EXPECT_STREQ(arr.get(5)->name(), "five");
}

struct Record {
    int value;
    static int deleted;
};
int Record::deleted = 0;

TEST(LinkedList, HoldsPlainRecordsAndDeletesThemOnlyWithADeleteFunction)
{
    Record r1{1}, r2{2};
    {
        cLinkedList list("plain");
        list.insert(&r1);
        list.insert(&r2);
        EXPECT_EQ(list.tail(), &r1);
        EXPECT_EQ(list.pop(), &r1);
        EXPECT_EQ(list.length(), 1);
    } // must not touch r2
    EXPECT_EQ(r2.value, 2);
    Record::deleted = 0;
    {
        cLinkedList owned("owned", [](void* p) {
            ++Record::deleted;
            delete static_cast<Record*>(p);
        });
        owned.insert(new Record{3});
        owned.insert(new Record{4});
    }
    EXPECT_EQ(Record::deleted, 2);
}

TEST(LinkedList, KeepsItsOrderWhileGoingRoundAndGrowing)
{
    // Taking the oldest while adding makes the storage wrap; then it grows
    // past what it held, with removals from the middle along the way.
    Record r[40];
    cLinkedList list("ring");
    for (int i = 0; i < 6; ++i)
        list.insert(&r[i]);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(list.pop(), &r[i]);
        list.insert(&r[6 + i]);
    }
    for (int i = 11; i < 40; ++i)
        list.insert(&r[i]);
    EXPECT_EQ(list.remove(&r[20]), &r[20]);
    EXPECT_EQ(list.remove(&r[20]), nullptr);
    EXPECT_FALSE(list.contains(&r[20]));
    EXPECT_TRUE(list.contains(&r[39]));
    std::vector<void*> seen;
    for (void* item : list)
        seen.push_back(item);
    std::vector<void*> expected;
    for (int i = 5; i < 40; ++i)
        if (i != 20)
            expected.push_back(&r[i]);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(list.tail(), &r[5]);
    EXPECT_EQ(list.head(), &r[39]);
    EXPECT_EQ(list.length(), 34);
}

TEST(NameIndex, FindsEveryNameAmongManyAndMissesUnknownOnes)
{
    NameIndex idx;
    for (int i = 0; i < 300; ++i)
        idx.insert(("par" + std::to_string(i)).c_str(), i);
    for (int i = 0; i < 300; ++i)
        EXPECT_EQ(idx.find(("par" + std::to_string(i)).c_str()), i);
    EXPECT_EQ(idx.find("par300"), -1);
    EXPECT_EQ(idx.find(""), -1);
    idx.insert("par7", 70); // re-inserting replaces
    EXPECT_EQ(idx.find("par7"), 70);
}

TEST(Descriptor, ConversionsStayWithinTheBuffer)
{
    char buf[4];
    std::memset(buf, 'x', sizeof buf);
    cStructDescriptor::long2string(123456789, buf, sizeof buf);
    EXPECT_STREQ(buf, "123");
    EXPECT_EQ(cStructDescriptor::string2long("-42"), -42);
    EXPECT_EQ(cStructDescriptor::string2long("abc"), 0);
    cStructDescriptor::bool2string(true, buf, sizeof buf);
    EXPECT_STREQ(buf, "tru");
    EXPECT_TRUE(cStructDescriptor::string2bool("true"));
    EXPECT_FALSE(cStructDescriptor::string2bool("false"));
    char wide[32];
    cStructDescriptor::double2string(0.25, wide, sizeof wide);
    EXPECT_DOUBLE_EQ(cStructDescriptor::string2double(wide), 0.25);
}

TEST(Registries, EnumerationBuilderAndClassRegistryFindByName)
{
    static sEnumBuilder colours("TestColours", 1, "RED", 17, "GREEN", 0, nullptr);
    cEnum* e = enums.find("TestColours");
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->stringFor(17), "GREEN");
    EXPECT_EQ(e->stringFor(2), nullptr);
    EXPECT_EQ(e->lookup("RED"), 1);
    EXPECT_EQ(createOneIfClassIsKnown("NoSuchClass"), nullptr);
    EXPECT_THROW(createOne("NoSuchClass"), cRuntimeError);
}

} // namespace
