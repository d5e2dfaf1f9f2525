#pragma once

#include <string>
#include <vector>

#include "device/NodeProcessor.h"

// The processor `Cpu` of a client host. At initialisation it takes the
// host's equipment number and platform name, registers the name, reads the
// host's general settings (section "[1]" of its configuration file) and loads
// the task timings of its CPU model. During the run it gives the processor to
// one process at a time, the SCSI layer (process 0) or the FC-4 layer of a
// node port (process i + 1), strictly in the order of their requests; passes
// SCSI-level messages between the SCSI layer and the FC-4 layers; and writes
// the host's ".CpuUtil" file every `cpuUtilTimeScale` ms until `simDone`.
class HostProcessor : public NodeProcessor {
  public:
    HostProcessor(const char* name, cModule* parent, unsigned stackSize);

    void initialize() override;

    long equipId() const { return equipId_; }

  protected:
    virtual void reg_pfname();
    virtual void load_host_params();
    void route(cMessage* msg) override;

  private:
    long equipId_ = 0;
    long pfName_ = 0;
};

// The tasks of a host processor: those of every node processor.
extern const std::vector<std::string>& hostTasks;
