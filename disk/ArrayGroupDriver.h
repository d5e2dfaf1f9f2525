#pragma once

#include "sim/cSimpleModule.h"

// The driver of one array group on its board, ArrGrpDrv[i]: block requests
// from the board's router go down to the group's loop port (through the
// board's peripheral bus), completions from the port go back up. It keeps
// nothing and takes no time.
class ArrayGroupDriver : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;

    void activity() override;
};
