#pragma once

#include "sim/Sim.h"

// The switchboard of the FC-1 layer: routes every message between FC-2 and
// the transmitter, the receive buffer and the port state machine, and turns
// the state machine's PORT_READY and PORT_FAIL into LINK_UP and LINK_DOWN for
// FC-2. It keeps no state between messages and adds no delay.
class Fc1Controller : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    const char* className() const override { return "Fc1Controller"; }

  protected:
    void activity() override;

  private:
    void route(cMessage* msg);
    // A frame part is accepted from FC-2 (towards the line) and, payloads and
    // tails only, from the receive buffer (towards FC-2).
    void route_frame_part(cMessage* msg);

    int fromFc2_ = -1;
    int fromRxbuf_ = -1;
    int toTx_ = -1;
    int toFc2_ = -1;
    int toRxbuf_ = -1;
    int toPsm_ = -1;
};
