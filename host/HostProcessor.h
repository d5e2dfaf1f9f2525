#pragma once

#include <string>
#include <vector>

#include "device/CpuUtilFile.h"
#include "device/ProcessorHandshake.h"
#include "sim/cSimpleModule.h"

struct TaskTiming;

// The processor `Cpu` of a client host. At initialisation it takes the
// host's equipment number and platform name, registers the name, reads the
// host's general settings (section "[1]" of its configuration file) and loads
// the task timings of its CPU model. During the run it gives the processor to
// one process at a time, the SCSI layer (process 0) or the FC-4 layer of a
// node port (process i + 1), strictly in the order of their requests; passes
// SCSI-level messages between the SCSI layer and the FC-4 layers; and writes
// the host's ".CpuUtil" file every `cpuUtilTimeScale` ms until `simDone`.
class HostProcessor : public cSimpleModule {
  public:
    HostProcessor(const char* name, cModule* parent, unsigned stackSize);

    void initialize() override;
    void activity() override;
    void finish() override;

    long equipId() const { return equipId_; }

  protected:
    virtual void ack_proc_req();
    virtual void create_cpu_util();
    virtual void write_cpu_util();
    virtual void reg_pfname();
    virtual void load_host_params();
    virtual void extract_cpu_timing(const char* cpuModel);
    // Called once per task after its timing is set up; a host has nothing to
    // show.
    virtual void show_task_timing(const char* taskName, TaskTiming* timing);

  private:
    void handle(cMessage* msg);
    void request(cMessage* msg);
    void forward_up(cMessage* msg);
    void forward_down(cMessage* msg, int fc4Index);

    cModule* root_ = nullptr;
    cModule* host_ = nullptr;
    cPar* simDone_ = nullptr;
    long equipId_ = 0;
    long pfName_ = 0;
    int nxPortNum_ = 0;
    double period_ = 0; // seconds
    ProcessorHandshake cpu_;
    CpuUtilFile utilFile_;
};

// The tasks of a host processor, each timed in section "[2]" of the CPU-model
// file exactly once; the role word of their timing-file rows is "Node".
extern const std::vector<std::string> hostTasks;
