#pragma once

#include <cstdint>
#include <deque>

// Events per second over the last few seconds of running: the environment
// samples the event number with the wall clock at every refresh. Samples
// older than the window are dropped; a restart forgets them all.
class EventRate {
  public:
    explicit EventRate(double windowSeconds = 3) : window_(windowSeconds) {}
    void sample(double clock, uint64_t eventNumber);
    // 0 until two samples lie apart in time, or when the event number went
    // back (a restart not yet followed by reset()).
    double perSecond() const;
    void reset() { samples_.clear(); }

  private:
    struct Sample {
        double clock;
        uint64_t event;
    };
    double window_;
    std::deque<Sample> samples_;
};
