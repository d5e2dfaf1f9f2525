#include "env/tk/RunController.h"

#include "sim/cMessage.h"

namespace {

// Takes the controller off the kernel however the run ends.
struct ObserverGuard {
    ObserverGuard(cEventObserver* observer, bool& running) : running_(running)
    {
        simulation.setEventObserver(observer);
        running_ = true;
    }
    ~ObserverGuard()
    {
        simulation.setEventObserver(nullptr);
        running_ = false;
    }
    bool& running_;
};

} // namespace

RunOutcome RunController::run(Mode mode, simtime_t untilTime, uint64_t untilEvent)
{
    mode_ = mode;
    untilTime_ = untilTime;
    untilEvent_ = untilEvent;
    eventsThisRun_ = 0;
    stopRequested_ = false;
    justRefreshed_ = false;
    ObserverGuard guard(this, running_);
    for (;;) {
        pause_ = NONE;
        RunOutcome outcome = simulation.run();
        if (outcome != RunOutcome::INTERRUPTED || pause_ == NONE)
            return outcome;
        refresh_(pause_ == REDRAW);
        if (stopRequested_)
            return outcome;
        justRefreshed_ = true;
    }
}

RunController::Pause RunController::dueRefresh() const
{
    if (eventsThisRun_ == 0 || justRefreshed_)
        return NONE;
    switch (mode_) {
    case NORMAL: return REDRAW;
    case FAST: return eventsThisRun_ % FAST_REDRAW == 0 ? REDRAW : NONE;
    case EXPRESS: return eventsThisRun_ % EXPRESS_INPUT == 0 ? INPUT : NONE;
    case STEP: break;
    }
    return NONE;
}

bool RunController::beforeEvent(const cMessage& next)
{
    if (stopRequested_)
        return false;
    if (next.arrivalTime() > untilTime_ || (untilEvent_ > 0 && simulation.eventNumber() + 1 > untilEvent_))
        return false;
    if (mode_ == STEP && eventsThisRun_ == 1)
        return false;
    pause_ = dueRefresh();
    if (pause_ != NONE)
        return false;
    justRefreshed_ = false;
    ++eventsThisRun_;
    last_ = {next.senderModuleId(), next.arrivalModuleId(), next.senderGateId(), next.arrivalGateId(), next.name()};
    return true;
}
