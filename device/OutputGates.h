#pragma once

#include "sim/SimTime.h"

class cMessage;
class cSimpleModule;

// An output gate vector of a module, found by name once: a send on one of
// its elements then costs no look-up of the name. The vector may be resized
// afterwards.
class OutputGates {
  public:
    OutputGates() = default;
    OutputGates(cSimpleModule* owner, const char* name);

    // Sends `msg` on element `index` after `delay`. An element the module
    // does not have is named in the send, so the kernel reports it as it
    // reports any send on a missing gate.
    void send(cMessage* msg, int index, simtime_t delay = 0) const;

  private:
    cSimpleModule* owner_ = nullptr;
    const char* name_ = nullptr;
    int slot_ = -1;
};
