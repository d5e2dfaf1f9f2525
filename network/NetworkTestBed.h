#pragma once

#include <vector>

#include "sim/cModule.h"

// The root module "Velmora": three data centres joined by long-distance
// cables. Its parameters are the run's settings and the run's shared state.
class NetworkTestBed : public cCompoundModule {
  public:
    using cCompoundModule::cCompoundModule;
    const char* className() const override { return "NetworkTestBed"; }
    void doBuildInside() override;
};

// One root parameter, in declaration order. A state parameter gets its first
// value from the network set-up (through the bool or the long setter); every
// other one is an input read from "omnetpp.ini".
struct RootParamDecl {
    enum Start : char { INPUT, FIRST_BOOL, FIRST_LONG };
    const char* name;
    const char* types; // "S", "B" or "LDXFT"
    Start start;
    long firstValue;
};

// The 96 parameters of NetworkTestBed, in declaration order.
const std::vector<RootParamDecl>& root_parameters();
