#include "env/tk/EventRate.h"

void EventRate::sample(double clock, uint64_t eventNumber)
{
    if (!samples_.empty() && eventNumber < samples_.back().event)
        samples_.clear();
    samples_.push_back({clock, eventNumber});
    // Keep one sample at or before the window's start, so the window is full.
    while (samples_.size() > 2 && samples_[1].clock <= clock - window_)
        samples_.pop_front();
}

double EventRate::perSecond() const
{
    if (samples_.size() < 2)
        return 0;
    const Sample& first = samples_.front();
    const Sample& last = samples_.back();
    double elapsed = last.clock - first.clock;
    return elapsed > 0 ? static_cast<double>(last.event - first.event) / elapsed : 0;
}
