#include <gtest/gtest.h>

#include "fc4/FcElsSb.h"
#include "fc4/FcGsSb.h"
#include "fc4/FcpIoSb.h"
#include "fc4/StateBlockPools.h"
#include "sim/Sim.h"
#include "tests/shared/TestHelpers.h"

namespace {

const PoolTexts texts = {"OSB out", "RSB out", "count above %d", "count below 0"};

class StateBlockPoolsTest : public ::testing::Test {
  protected:
    StateBlockPoolsTest() : owner("Owner", nullptr), pools(&owner, texts)
    {
        owner.addPar("currConCurrIu").setLongValue(0);
        pools.allocate(2);
        pools.bind_count(&owner.par("currConCurrIu"));
    }

    cCompoundModule owner;
    StateBlockPools<FcElsSb> pools;
};

TEST_F(StateBlockPoolsTest, BlocksAreTakenFirstFreeInPoolOrder)
{
    FcElsSb* a = pools.obtain_an_osb();
    FcElsSb* b = pools.obtain_an_osb();
    EXPECT_EQ(a, &pools.osbs()[0]);
    EXPECT_EQ(b, &pools.osbs()[1]);
    EXPECT_FALSE(a->sbFree);
    a->finish();
    EXPECT_TRUE(a->sbFree);
    EXPECT_EQ(pools.obtain_an_osb(), a);
}

TEST_F(StateBlockPoolsTest, AFullPoolStopsTheRunWithItsOwnText)
{
    pools.obtain_an_osb();
    pools.obtain_an_osb();
    EXPECT_EQ(errorOf([&] { pools.obtain_an_osb(); }), "OSB out");
    pools.obtain_an_rsb();
    pools.obtain_an_rsb();
    EXPECT_EQ(errorOf([&] { pools.obtain_an_rsb(); }), "RSB out");
}

TEST_F(StateBlockPoolsTest, LookupPrefersTheOriginatorPoolAndSkipsFreeBlocks)
{
    FcElsSb* rsb = pools.obtain_an_rsb();
    rsb->fc4MemAddr = 7;
    EXPECT_EQ(pools.find_an_sb(7), rsb);
    FcElsSb* osb = pools.obtain_an_osb();
    osb->fc4MemAddr = 7;
    EXPECT_EQ(pools.find_an_sb(7), osb);
    osb->sbFree = true;
    EXPECT_EQ(pools.find_an_sb(7), rsb);
    rsb->finish();
    EXPECT_EQ(pools.find_an_sb(7), nullptr);
}

TEST_F(StateBlockPoolsTest, TheCountOfOpenExchangesIsBoundedByThePoolSize)
{
    pools.cost_a_cciu();
    pools.cost_a_cciu();
    EXPECT_EQ(owner.par("currConCurrIu").longValue(), 2);
    EXPECT_EQ(errorOf([&] { pools.cost_a_cciu(); }), "count above 2");
    pools.free_a_cciu();
    pools.free_a_cciu();
    EXPECT_EQ(owner.par("currConCurrIu").longValue(), 0);
    EXPECT_EQ(errorOf([&] { pools.free_a_cciu(); }), "count below 0");
}

TEST_F(StateBlockPoolsTest, InitialisingFreesEveryBlockAndKeepsKeys)
{
    FcElsSb* a = pools.obtain_an_osb();
    a->fc4MemAddr = 42;
    a->sbOpen = true;
    pools.initialise();
    EXPECT_TRUE(a->sbFree);
    EXPECT_FALSE(a->sbOpen);
    EXPECT_FALSE(a->sbDone);
    EXPECT_EQ(a->fc4MemAddr, 42u);
    EXPECT_EQ(pools.find_an_sb(42), nullptr);
}

TEST(StateBlocks, IoBlocksStartEmptyAndResetToLunZero)
{
    FcpIoSb fresh;
    EXPECT_EQ(fresh.ioId, FcpIoSb::NONE);
    EXPECT_EQ(fresh.lun, FcpIoSb::NONE);
    EXPECT_EQ(fresh.fc4MemAddr, FcpIoSb::NONE);
    EXPECT_TRUE(fresh.sbFree);
    fresh.bytesDone = 5;
    fresh.RDDATA = true;
    fresh.reset();
    EXPECT_EQ(fresh.lun, 0u);
    EXPECT_EQ(fresh.bytesDone, 0u);
    EXPECT_FALSE(fresh.RDDATA);
    EXPECT_TRUE(fresh.sbFree);
}

TEST(StateBlocks, NameServerBlocksShareTheForm)
{
    cCompoundModule owner("Owner", nullptr);
    StateBlockPools<FcGsSb> gs(&owner, texts);
    gs.allocate(1);
    FcGsSb* sb = gs.obtain_an_rsb();
    sb->fc4MemAddr = 3;
    sb->cmdCode = 0x0171;
    EXPECT_EQ(gs.find_if([](const FcGsSb& b) { return b.cmdCode == 0x0171; }), sb);
}

} // namespace
