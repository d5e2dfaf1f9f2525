#include "env/tk/RunController.h"
#include "tests/env/tk/PingPongRun.h"

namespace {

class RunControl : public PingPongRun {
  protected:
    RunController controller{[this](bool full) {
        (full ? redraws : inputs)++;
        if (stopAfterRedraws > 0 && redraws == stopAfterRedraws)
            controller.requestStop();
    }};
    int redraws = 0;
    int inputs = 0;
    int stopAfterRedraws = 0;
};

TEST_F(RunControl, StepTakesOneEventAtATimeAndRemembersIt)
{
    ev.setDisabled(true);
    EXPECT_EQ(controller.run(RunController::STEP), RunOutcome::INTERRUPTED);
    EXPECT_EQ(simulation.eventNumber(), 1u);
    controller.run(RunController::STEP);
    controller.run(RunController::STEP);
    EXPECT_EQ(simulation.eventNumber(), 3u);
    // Both starters ran; the third event is Ping's first message reaching Pong.
    EXPECT_EQ(controller.lastEvent().message, "PING");
    EXPECT_EQ(controller.lastEvent().fromId, module("PingPong.Ping")->id());
    EXPECT_EQ(controller.lastEvent().toId, module("PingPong.Pong")->id());
    EXPECT_DOUBLE_EQ(simulation.simTime(), 0.000005);
    EXPECT_EQ(redraws + inputs, 0);
    EXPECT_FALSE(controller.isRunning());
    EXPECT_EQ(simulation.eventObserver(), nullptr);
}

TEST_F(RunControl, RunUntilStopsBeforeTheFirstEventPastTheBoundAndGoesOnFromThere)
{
    ev.setDisabled(true);
    EXPECT_EQ(controller.run(RunController::FAST, MAXTIME, 10), RunOutcome::INTERRUPTED);
    EXPECT_EQ(simulation.eventNumber(), 10u);
    // One round trip takes 20 microseconds and three events; the run stops
    // with the clock at the last event not past the bound.
    controller.run(RunController::FAST, 0.000102);
    EXPECT_LE(simulation.simTime(), 0.000102);
    EXPECT_GT(simulation.messageQueue().peekFirst()->arrivalTime(), 0.000102);
    uint64_t atBound = simulation.eventNumber();
    EXPECT_EQ(atBound, 17u);
    EXPECT_EQ(controller.run(RunController::EXPRESS), RunOutcome::EVENTS_EXHAUSTED);
    EXPECT_EQ(simulation.eventNumber(), 152u);
    EXPECT_EQ(redraws, 0); // fast mode redraws every thousand events only
    EXPECT_EQ(inputs, 0);
}

TEST_F(RunControl, NormalModeRedrawsBetweenEventsAndTheRedrawCanStopTheRun)
{
    ev.setDisabled(true);
    controller.run(RunController::NORMAL, MAXTIME, 20);
    EXPECT_EQ(simulation.eventNumber(), 20u);
    EXPECT_EQ(redraws, 19);
    redraws = 0;
    stopAfterRedraws = 4;
    EXPECT_EQ(controller.run(RunController::NORMAL), RunOutcome::INTERRUPTED);
    EXPECT_EQ(simulation.eventNumber(), 24u);
    EXPECT_EQ(simulation.stopReason(), "Simulation stopped");
}

class LongRunControl : public RunControl {
    int rounds() const override { return 20000; }
};

TEST_F(LongRunControl, FastAndExpressModesRefreshSeldom)
{
    ev.setDisabled(true);
    controller.run(RunController::FAST, MAXTIME, 5000);
    EXPECT_EQ(redraws, 4); // before events 1001, 2001, 3001 and 4001
    redraws = 0;
    EXPECT_EQ(controller.run(RunController::EXPRESS), RunOutcome::EVENTS_EXHAUSTED);
    EXPECT_EQ(simulation.eventNumber(), 60002u);
    EXPECT_EQ(redraws, 0);
    EXPECT_EQ(inputs, 2); // 55002 events in this run: input handled twice, drawing never
}

} // namespace
