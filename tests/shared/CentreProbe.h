#pragma once

#include <vector>

#include "tests/shared/MessageTap.h"
#include "tests/shared/RoutedFrame.h"

// Watches the real control centre of a switch from outside: taps on both
// directions of every port's connection to the centre record what the
// ports hand it and what it sends them.
class CentreProbe {
  public:
    // What went by on one port's connection.
    struct Seen {
        int port;
        const MessageTap::Passage* passage;
        const MessageTap::Passage* operator->() const { return passage; }
    };
    using Frame = RoutedFrame;

    // Splices the taps into switch `sw` (built, not yet initialised).
    void attach(cModule* sw);

    // Has `msg` reach the centre at `time` as though port `port` sent it.
    void sendToCentre(int port, double time, cMessage* msg) const
    {
        toCentre_.at(static_cast<size_t>(port))->inject(time, msg);
    }

    // Messages of `kind` that ports handed the centre, in order of time.
    std::vector<Seen> toCentre(int kind) const;
    // Messages of `kind` that the centre sent to ports, in order of time.
    std::vector<Seen> fromCentre(int kind) const;
    // The frames routed, in order of routing; read once the run is over.
    const std::vector<Frame>& frames() const;
    std::vector<const Frame*> framesOf(unsigned type, unsigned rCtl) const;

  private:
    static std::vector<Seen> collect(const std::vector<MessageTap*>& taps, int kind);

    std::vector<MessageTap*> toCentre_;
    std::vector<MessageTap*> fromCentre_;
    mutable std::vector<Frame> frames_;
    mutable bool framesRead_ = false;
};
