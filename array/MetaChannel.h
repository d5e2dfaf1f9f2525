#pragma once

#include "sim/cSimpleModule.h"

// The control path of a storage array: a relay without delay between a
// processor (`cpu` side), the far end of the path (`meta` side) and, on a
// host-interface board, the remote-mirror initiator (`scsi` side). Commands,
// completions, path events and physical-block requests run between `cpu` and
// `meta`; copy requests go from the far end to the initiator and the
// initiator's readiness reports towards the far end.
class MetaChannel : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    void activity() override;

  private:
    void relay(cMessage* msg);
    [[noreturn]] void reject(cMessage* msg, const char* format);

    int fromCpu_ = -1;
    int fromMeta_ = -1;
    int toCpu_ = -1;
    int toMeta_ = -1;
    int toScsi_ = -1;
};
