#pragma once

#include "sim/Sim.h"

// Stands in for a switch port's FC-4 dispatcher: hands the port's link
// services one piece of work at a time (sequences by TYPE, the switch
// centre's answers and requests), waiting for each NEXT_MSG, and passes
// everything they send up to the fabric stand-in on `to_up`.
class TestSwitchDispatcher : public cSimpleModule {
  public:
    TestSwitchDispatcher(const char* name, cModule* parent);
    void activity() override;

  private:
    void serveNext();
    cQueue waiting_;
    bool busy_ = false;
};
