#include <gtest/gtest.h>

#include <algorithm>

#include "device/TaskTiming.h"
#include "sim/Sim.h"

namespace {

TEST(TaskTiming, ZeroDeviationGivesTheFormulaExactly)
{
    const TaskTiming task{1000, 0, 2, 0, 0.5, 0};
    // 1000 x (2 + 0.5 x 400 / 100) / (400 x 1e6)
    EXPECT_DOUBLE_EQ(load_timing(&task, 400, 100), 1e-5);
    EXPECT_DOUBLE_EQ(mean_timing_us(task, 400, 100), 10.0);
    EXPECT_DOUBLE_EQ(load_timing(&task, 200, 200), 1000 * 2.5 / 200e6);
}

TEST(TaskTiming, DrawsInstrThenCylThenMemOnGenerator29Only)
{
    const TaskTiming task{1000, 300, 2, 0.5, 0.5, 0.2};
    setRandomSeed(29, 7);
    const cRNG other = randomGenerator(0);
    const double drawn = load_timing(&task, 400, 100);
    EXPECT_EQ(randomGenerator(0), other);

    setRandomSeed(29, 7);
    auto clamp = [](double x, double m, double s) { return std::min(std::max(x, m - s), m + s); };
    const double instr = clamp(normal(1000, 300, 29), 1000, 300);
    const double cyl = clamp(normal(2, 0.5, 29), 2, 0.5);
    const double mem = clamp(normal(0.5, 0.2, 29), 0.5, 0.2);
    EXPECT_DOUBLE_EQ(drawn, instr * (cyl + mem * 4) / 400e6);
}

TEST(TaskTiming, DrawsStayWithinTheClampedBoundsAndReachThem)
{
    const double s1 = 200, s2 = 0.5, s3 = 0.1;
    const TaskTiming task{1000, s1, 2, s2, 0.5, s3};
    const double low = (1000 - s1) * ((2 - s2) + (0.5 - s3) * 4) / 400e6;
    const double high = (1000 + s1) * ((2 + s2) + (0.5 + s3) * 4) / 400e6;
    setRandomSeed(29, 11);
    int atLow = 0, atHigh = 0;
    for (int i = 0; i < 20000; ++i) {
        const double t = load_timing(&task, 400, 100);
        ASSERT_GE(t, low * (1 - 1e-12));
        ASSERT_LE(t, high * (1 + 1e-12));
        atLow += t <= low * (1 + 1e-12);
        atHigh += t >= high * (1 - 1e-12);
    }
    // All three quantities clamped at once happens about once in 250 draws.
    EXPECT_GT(atLow, 10);
    EXPECT_GT(atHigh, 10);
}

TEST(TaskTiming, TimingFieldsReadAMeanAndAnOptionalStddev)
{
    double mean = -1, stddev = -1;
    parse_mean_stddev("2000", mean, stddev);
    EXPECT_EQ(mean, 2000);
    EXPECT_EQ(stddev, 0);
    parse_mean_stddev("1.5,0.25", mean, stddev);
    EXPECT_EQ(mean, 1.5);
    EXPECT_EQ(stddev, 0.25);
    parse_mean_stddev("10,2,99", mean, stddev);
    EXPECT_EQ(stddev, 2);
    parse_mean_stddev("10,", mean, stddev);
    EXPECT_EQ(stddev, 0);
    parse_mean_stddev("abc", mean, stddev);
    EXPECT_EQ(mean, 0);
}

} // namespace
