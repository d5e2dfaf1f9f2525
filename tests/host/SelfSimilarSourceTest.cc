#include <gtest/gtest.h>

#include <vector>

#include "host/Generator.h"
#include "sim/Distributions.h"
#include "sim/cRNG.h"

namespace {

std::vector<Source*> inOrder(const Generator& g)
{
    std::vector<Source*> out;
    for (DLinkable* e = g.sources().first; e; e = e->next)
        out.push_back(static_cast<Source*>(e));
    return out;
}

SourcePareto* sourceAt(short id, double time)
{
    auto* s = new SourcePareto;
    s->id = id;
    s->time = time;
    return s;
}

TEST(SelfSimilarSource, ShapesOutsideTheOpenIntervalAreTakenAsOneAndAHalf)
{
    setRandomSeed(31, 3);
    Generator wide, edge, inside;
    wide.build(10, 2.5, 2.5, 20000, 1);
    edge.build(10, 1, 2, 20000, 1);
    inside.build(10, 1.2, 1.7, 20000, 1);
    EXPECT_EQ(inOrder(wide)[0]->onShape, 1.5);
    EXPECT_EQ(inOrder(wide)[0]->offShape, 1.5);
    EXPECT_EQ(inOrder(edge)[0]->onShape, 1.5);
    EXPECT_EQ(inOrder(edge)[0]->offShape, 1.5);
    EXPECT_EQ(inOrder(inside)[0]->onShape, 1.2);
    EXPECT_EQ(inOrder(inside)[0]->offShape, 1.7);
    // 10 us is 125 byte times.
    EXPECT_EQ(inOrder(inside)[0]->minGap, 125);
    EXPECT_EQ(inOrder(inside)[0]->slot, 637);
}

TEST(SelfSimilarSource, ALoadOutsideTheOpenUnitIntervalIsTakenAsAHalf)
{
    auto offScale = [](double load, long minGap = 0) {
        SourcePareto s;
        s.minGap = minGap;
        s.slot = 512 + minGap;
        s.SetLoad(load);
        return s.offScale;
    };
    const double half = offScale(0.5);
    EXPECT_GT(half, 0);
    EXPECT_EQ(offScale(0), half);
    EXPECT_EQ(offScale(1), half);
    EXPECT_EQ(offScale(3), half);
    // A lighter load has longer silences.
    EXPECT_GT(offScale(0.25), half);
    // Never below the minimum gap, even when the packets alone would pass
    // the load.
    EXPECT_EQ(offScale(0.9, 1000000), 1000000);
}

TEST(SelfSimilarSource, AMinimumGapAboveTwoAndAHalfMillisecondsNeitherWrapsNorOverflows)
{
    setRandomSeed(31, 5);
    Generator g;
    g.build(5000, 1.5, 1.5, 100, 1);
    EXPECT_EQ(inOrder(g)[0]->minGap, 62500);
    EXPECT_EQ(inOrder(g)[0]->slot, 63012);
}

TEST(SelfSimilarSource, EqualTimesAreServedLaterInsertedFirst)
{
    Generator g;
    g.InsertInOrder(sourceAt(0, 5000));
    g.InsertInOrder(sourceAt(1, 5000));
    g.InsertInOrder(sourceAt(2, 3000));
    g.InsertInOrder(sourceAt(3, 9000));
    std::vector<short> ids;
    for (Source* s : inOrder(g))
        ids.push_back(s->id);
    EXPECT_EQ(ids, (std::vector<short>{2, 1, 0, 3}));
    EXPECT_EQ(g.sources().count, 4);
    EXPECT_EQ(g.currentTime(), 3000);
}

TEST(SelfSimilarSource, WithoutSourcesTheTimeStaysAtZero)
{
    Generator g;
    g.build(10, 1.5, 1.5, 20000, 0);
    g.step();
    EXPECT_EQ(g.currentTime(), 0);
    EXPECT_EQ(g.packets(), 0);
}

TEST(SelfSimilarSource, AStartInsideTheOnTimeBeginsAtZeroWithPartOfABurstLeft)
{
    setRandomSeed(31, 11);
    int onStarts = 0, offStarts = 0;
    for (int i = 0; i < 200; ++i) {
        SourcePareto s;
        s.minGap = 0;
        s.slot = 512;
        s.onShape = 1.2;
        s.offShape = 1.9;
        s.SetLoad(0.5);
        s.Reset();
        EXPECT_GE(s.remaining, 1);
        if (s.time == 0)
            ++onStarts;
        else
            ++offStarts;
    }
    EXPECT_GT(onStarts, 0);
    EXPECT_GT(offStarts, 0);
}

TEST(SelfSimilarSource, EachUniformTakesExactlyOneDrawOfGeneratorThirtyOne)
{
    setRandomSeed(31, 99);
    cRNG expected = randomGenerator(31);
    const cRNG other = randomGenerator(30);
    for (int i = 0; i < 5; ++i) {
        const double u = unit_open();
        EXPECT_GE(u, 0);
        EXPECT_LT(u, 1);
    }
    setRandomSeed(31, 99);
    for (int i = 0; i < 5; ++i)
        intuniform(1, 0x0FFFFFFF, 31);
    expected = randomGenerator(31);
    setRandomSeed(31, 99);
    for (int i = 0; i < 5; ++i)
        unit_closed();
    EXPECT_EQ(randomGenerator(31), expected);
    EXPECT_EQ(randomGenerator(30), other);
}

TEST(SelfSimilarSource, PacketsLeaveInTimeOrderAtLeastAPacketApart)
{
    setRandomSeed(31, 21);
    Generator g;
    g.build(0, 1.4, 1.3, 400000, 8);
    ASSERT_EQ(g.sources().count, 8);
    double previous = -1e300;
    for (int i = 0; i < 500; ++i) {
        const double t = g.currentTime();
        EXPECT_GE(t, previous + 520 - 1e-6) << i;
        previous = t;
        g.step();
    }
    EXPECT_EQ(g.packets(), 500);
    EXPECT_EQ(g.bytes(), 500 * 512.0);
    EXPECT_EQ(g.sources().count, 8);
}

} // namespace
