// The table of frames in flight through a switch.

#include <gtest/gtest.h>

#include "switch/ForwardingTable.h"

namespace {

TEST(ForwardingTable, GrowsByAQuarterWhenFullAndKeepsItsEntries)
{
    ForwardingTable t;
    t.reset_all(ForwardingTable::INITIAL_SIZE);
    for (int i = 0; i < 10; ++i) {
        const int e = t.first_free();
        ASSERT_EQ(e, i);
        t[e].free = false;
        t[e].srcPort = i;
        t[e].destPort = 20 + i;
        t[e].frmGid = 100 + static_cast<unsigned>(i);
    }
    // The 11th frame in flight finds no room.
    EXPECT_EQ(t.first_free(), -1);
    EXPECT_EQ(t.enlarge(), 12);
    EXPECT_EQ(t.first_free(), 10);
    EXPECT_EQ(t[3].frmGid, 103u);
    EXPECT_TRUE(t[11].free);
    EXPECT_EQ(t.enlarge(), 15);
    EXPECT_EQ(t.enlarge(), 18);
    EXPECT_EQ(t.enlarge(), 22);
    EXPECT_EQ(t.enlarge(), 27);

    // Found by frmGid among the open entries only; a pair of ports carries
    // one frame at a time.
    EXPECT_EQ(t.lookup(104), 4);
    EXPECT_TRUE(t.pair_open(4, 24));
    EXPECT_FALSE(t.pair_open(4, 25));
    t.reset(4);
    EXPECT_EQ(t.lookup(104), -1);
    EXPECT_EQ(t.first_free(), 4);
    EXPECT_EQ(t.open_count(), 9);
}

// The centre takes an entry for every frame it routes; the eleventh frame in
// flight grows the table whether or not anything is printed about it.
TEST(ForwardingTable, TakingAnEntryFromAFullTableGrowsIt)
{
    ForwardingTable t;
    t.reset_all(ForwardingTable::INITIAL_SIZE);
    for (int i = 0; i < 15; ++i) {
        const int e = t.take_free();
        ASSERT_EQ(e, i);
        t[e].free = false;
        t[e].frmGid = 100 + static_cast<unsigned>(i);
    }
    EXPECT_EQ(t.size(), 15);
    EXPECT_EQ(t.lookup(114), 14);
    t.reset(2);
    EXPECT_EQ(t.take_free(), 2);
    EXPECT_EQ(t.size(), 15);
}

// A frame that the next switch sends back while the routes settle passes
// through the same port twice under one frmGid: first from port 1 to port 3,
// then from port 3 back out of port 3. Its parts find their own pass by the
// ports they come from, and the completion finds the pass that is done.
TEST(ForwardingTable, TwoPassesOfOneFrameAreToldApartByTheirPorts)
{
    ForwardingTable t;
    t.reset_all(ForwardingTable::INITIAL_SIZE);
    t[4] = FrmFwdTable{3, 3, 77, false, false, false, false}; // the second pass, in a lower slot
    t[6] = FrmFwdTable{1, 3, 77, true, true, true, false};    // the first pass, all sent
    EXPECT_EQ(t.lookup(77), 4);
    EXPECT_EQ(t.lookup(77, 3, -1), 4);       // a payload or tail from port 3
    EXPECT_EQ(t.lookup(77, 1, -1), 6);       // ... from port 1
    EXPECT_EQ(t.lookup(77, 3, 3), 4);        // the acceptance of the second pass
    EXPECT_EQ(t.lookup(77, -1, 3, true), 6); // the completion of the first
    EXPECT_EQ(t.lookup(77, 2, -1), 4);       // no entry from port 2: the first of the frame
    EXPECT_EQ(t.lookup(78, 3, -1), -1);
}

} // namespace
