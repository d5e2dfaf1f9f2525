#pragma once

#include <vector>

#include "sim/Sim.h"

// Stands in for the FC-4 controller of a switch port (`Fc4Ctrl` beside the
// real link services FcEls and FcGs) on a port cabled to an N_Port: it hands
// the services one piece of work at a time (received sequences by TYPE, the
// end of their exchanges, the centre's answers and RSCN requests), each held
// until the service's NEXT_MSG; it passes their sequences to FC-2 and their
// name-server requests to the centre; it resets the services on the first
// PORT_UP and on PORT_DOWN (telling the centre DEV_DOWN), and once FcEls has
// accepted a fabric login (F_PORT_FOUND: F_Port mode) it reports F_PORT_UP
// with the login's values on the PORT_UP that follows the link reset.
class SwitchFc4StandIn : public cSimpleModule {
  public:
    // What reached it from FC-2: PORT_UP, PORT_DOWN and received sequences
    // (their TYPE and the command code of the packet they carry).
    struct Arrival {
        double time;
        int kind;
        unsigned type;
        unsigned long code;
    };

    SwitchFc4StandIn(const char* name, cModule* parent, unsigned stackSize);
    void activity() override;

    std::vector<Arrival> fromFc2;
    std::vector<const Arrival*> arrivalsOfKind(int kind) const;

  private:
    void handle(cMessage* msg);
    void into_queue(cMessage* msg);
    void serve();
    void port_up(cMessage* msg);
    void clear_services();
    void release();
    void record(cMessage* msg);

    cModule* port_ = nullptr;
    cModule* layer_ = nullptr;
    cQueue queue_;
    bool busy_ = false;
    bool down_ = true;
    long portId_ = 0, portName_ = 0, nodeName_ = 0, bbCredit_ = 1;
};
