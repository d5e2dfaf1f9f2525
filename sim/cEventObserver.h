#pragma once

class cMessage;

// Told of every event just before it is delivered, for an environment that
// follows the run event by event (banners, animation, stepping). With no
// observer set the event loop pays nothing beyond one pointer test.
class cEventObserver {
  public:
    virtual ~cEventObserver() = default;
    // `next` is about to become event number simulation.eventNumber() + 1 at
    // its arrival time. Returning false stops the run before it, leaving the
    // event in place so that the run can go on from there.
    virtual bool beforeEvent(const cMessage& next) = 0;
};
