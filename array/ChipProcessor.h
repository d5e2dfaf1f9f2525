#pragma once

#include "device/NodeProcessor.h"

// The processor `ChipCpu` of a storage array's host-interface board. At
// initialisation it reads the board's row of section "[1]" of the device's
// configuration file, publishes the settings on the board and its bus `Cpc`
// and loads the task timings of its CPU model. During the run it gives the
// processor to one process at a time, the remote-mirror initiator (process
// 0) or the FC-4 layer of a node port (process i + 1), in the order of their
// requests; routes every SCSI-level message between the FC-4 layers, the
// initiator, the control path (`MC`) and the data path (`BS`); and writes
// the board's ".CpuUtil" file every `cpuUtilTimeScale` ms until `simDone`.
//
// The array registers its platform name once, through its control memory,
// so the boards take no equipment number and register nothing.
class ChipProcessor : public NodeProcessor {
  public:
    ChipProcessor(const char* name, cModule* parent, unsigned stackSize);

    void initialize() override;

  protected:
    virtual void load_chip_params();
    void request(cMessage* msg) override;
    void route(cMessage* msg) override;

  private:
    void route_path_event(cMessage* msg);

    cModule* device_ = nullptr;
    int fromMc_ = -1;
    int fromBs_ = -1;
};
