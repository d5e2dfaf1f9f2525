#include <ostream>

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

    ev << "\n";
    EXPECT_EQ(log.total(), 6u);
    EXPECT_EQ(log.linesOf("", 5)[0]->module, "");
    EXPECT_EQ(log.linesOf("", 5)[0]->text, "half a line");
    log.clear();
    EXPECT_EQ(log.total(), 0u);
}

} // namespace
