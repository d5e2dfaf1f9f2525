#pragma once

#include "sim/Sim.h"

// The port transport of a switch port (`SwTrans`): joins the port's FC-2
// controller and FC-4 controller to the switch control centre. It keeps no
// state and costs no time; each message goes on at once, unchanged, by its
// kind and, for the kinds that flow both ways, by the gate it came in on.
class SwitchTransport : public cSimpleModule {
  public:
    SwitchTransport(const char* name, cModule* parent, unsigned stackSize);
    void activity() override;

  private:
    void pass_on(cMessage* msg);
    void pass_frame_part(cMessage* msg);
    void pass_fspf_packet(cMessage* msg);

    int fromFc2_ = -1;
    int fromFc4_ = -1;
    int fromSwctrl_ = -1;
    cGate* toFc2_ = nullptr;
    cGate* toFc4_ = nullptr;
    cGate* toSwctrl_ = nullptr;
};
