#include <ostream>

#include "env/tk/EventRate.h"
#include "env/tk/LogBuffer.h"
#include "env/tk/RunController.h"
#include "tests/env/tk/PingPongRun.h"

namespace {

using LogBufferTest = PingPongRun;

TEST_F(LogBufferTest, LinesAreTaggedWithTheirModuleAndEventAndFilteredPerModule)
{
    LogBuffer log;
    std::ostream out(&log);
    ev.setStream(&out);
    RunController controller([](bool) {});
    controller.run(RunController::FAST, MAXTIME, 9);
    ev << "half a line";

    ASSERT_EQ(log.total(), 5u);
    std::vector<const LogBuffer::Line*> all = log.linesOf("");
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all[0]->event, 3u);
    EXPECT_DOUBLE_EQ(all[0]->time, 0.000005);
    EXPECT_EQ(all[0]->module, "PingPong.Pong");
    EXPECT_EQ(all[0]->text, "PingPong.Pong --> PING at 5e-06");
    EXPECT_EQ(all[1]->event, 5u);
    EXPECT_EQ(all[1]->module, "PingPong.Ping");
    EXPECT_EQ(all[4]->event, 9u);

    EXPECT_EQ(log.linesOf("PingPong.Pong").size(), 3u);
    EXPECT_EQ(log.linesOf("PingPong.Ping").size(), 2u);
    EXPECT_EQ(log.linesOf("PingPong").size(), 5u);
    EXPECT_EQ(log.linesOf("PingPong.Po").size(), 0u);
    std::vector<const LogBuffer::Line*> recent = log.linesOf("PingPong.Pong", 3);
    ASSERT_EQ(recent.size(), 1u);
    EXPECT_EQ(recent[0]->event, 9u);
    std::vector<const LogBuffer::Line*> lastTwo = log.linesOf("", 0, 2);
    ASSERT_EQ(lastTwo.size(), 2u);
    EXPECT_EQ(lastTwo[0]->event, 8u);
    EXPECT_EQ(lastTwo[1]->event, 9u);

    ev << "\n";
    EXPECT_EQ(log.total(), 6u);
    EXPECT_EQ(log.linesOf("", 5)[0]->module, "");
    EXPECT_EQ(log.linesOf("", 5)[0]->text, "half a line");
    log.clear();
    EXPECT_EQ(log.total(), 0u);
}

} // namespace

namespace {

TEST(LogBufferBound, KeepsTheNewestLinesAndCountsTheDroppedOnes)
{
    LogBuffer log;
    std::ostream out(&log);
    for (int i = 0; i < 50010; ++i)
        out << "line " << i << "\n";
    EXPECT_EQ(log.total(), 50010u);
    std::vector<const LogBuffer::Line*> all = log.linesOf("");
    ASSERT_EQ(all.size(), 50000u);
    EXPECT_EQ(all.front()->text, "line 10");
    EXPECT_EQ(all.back()->text, "line 50009");
    std::vector<const LogBuffer::Line*> fromEnd = log.linesOf("", 50008);
    ASSERT_EQ(fromEnd.size(), 2u);
    EXPECT_EQ(fromEnd[0]->text, "line 50008");
}

TEST(EventRateWindow, MeasuresOverTheRecentWindowAndSurvivesARestart)
{
    EventRate rate(3);
    EXPECT_EQ(rate.perSecond(), 0);
    rate.sample(100, 1000000);
    EXPECT_EQ(rate.perSecond(), 0);
    rate.sample(101, 1100000);
    EXPECT_DOUBLE_EQ(rate.perSecond(), 100000);
    // A slow stretch: after it has filled the window, the fast start no
    // longer counts.
    for (int s = 2; s <= 6; ++s)
        rate.sample(100 + s, 1100000 + 1000 * (s - 1));
    EXPECT_DOUBLE_EQ(rate.perSecond(), 1000);
    // The event number went back (a restart): no huge figure, a fresh start.
    rate.sample(107, 10);
    EXPECT_EQ(rate.perSecond(), 0);
    rate.sample(109, 4010);
    EXPECT_DOUBLE_EQ(rate.perSecond(), 2000);
    rate.reset();
    EXPECT_EQ(rate.perSecond(), 0);
}

} // namespace
