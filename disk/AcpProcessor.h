#pragma once

#include "sim/cSimpleModule.h"

// The router of an array control processor board, AcpCpu. Physical block
// reads come from the control memory over the meta channel and physical
// block writes from a cache switch over the bus selector; each goes to the
// driver of the array group its block lies in. Read data leaves on the data
// path, write completions on the control path. Routing takes no time, and
// no processor timing is modelled for the board.
//
// At initialisation it gives the board's peripheral bus Apc its width and
// clock, and the board its processor model, from the board's row of the
// storage device's section "[4]".
class AcpProcessor : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;

    void initialize() override;
    void activity() override;

  protected:
    virtual void load_acp_params();

  private:
    void route(cMessage* msg);
    void to_group_driver(cMessage* msg);
    [[noreturn]] void refuse(cMessage* msg, const char* format);

    cModule* root_ = nullptr;
    cModule* board_ = nullptr;
    cModule* device_ = nullptr;
};
