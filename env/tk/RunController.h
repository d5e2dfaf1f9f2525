#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "sim/SimTime.h"
#include "sim/cEventObserver.h"
#include "sim/cSimulation.h"

// How the graphical environment drives a run: which mode, where it stops,
// and how often the window is brought up to date meanwhile.
//
// The window is never touched from inside the event loop (that runs on the
// modules' coroutine stacks): when a refresh is due the controller pauses
// the kernel before the next event, refreshes from the main context and
// resumes the run.
class RunController : private cEventObserver {
  public:
    enum Mode { STEP, NORMAL, FAST, EXPRESS };

    // `refresh(full)` runs between events: full = true to redraw the
    // pictures, false only to let the user interface take its input (the
    // stop button) without drawing.
    explicit RunController(std::function<void(bool full)> refresh) : refresh_(std::move(refresh)) {}

    // Runs in `mode` until the run ends, stop is requested, or the next event
    // lies past `untilTime` or is numbered beyond `untilEvent` (0: no bound).
    // Errors of the run are thrown on.
    RunOutcome run(Mode mode, simtime_t untilTime = MAXTIME, uint64_t untilEvent = 0);
    // Stops the run before its next event.
    void requestStop() { stopRequested_ = true; }
    bool isRunning() const { return running_; }

    // The event last let through: sender and arrival module and gate ids,
    // the message.
    struct LastEvent {
        int fromId = -1, toId = -1;
        int fromGateId = -1, toGateId = -1;
        std::string message;
    };
    const LastEvent& lastEvent() const { return last_; }

    // Events between refreshes: a redraw after every event in normal mode,
    // one every FAST_REDRAW events in fast mode, and in express mode only
    // input handling every EXPRESS_INPUT events.
    static constexpr uint64_t FAST_REDRAW = 1000;
    static constexpr uint64_t EXPRESS_INPUT = 20000;

  private:
    enum Pause { NONE, INPUT, REDRAW };
    bool beforeEvent(const cMessage& next) override;
    Pause dueRefresh() const;

    std::function<void(bool)> refresh_;
    Mode mode_ = STEP;
    simtime_t untilTime_ = MAXTIME;
    uint64_t untilEvent_ = 0;
    uint64_t eventsThisRun_ = 0;
    bool stopRequested_ = false;
    bool running_ = false;
    bool justRefreshed_ = false;
    Pause pause_ = NONE;
    LastEvent last_;
};
