#pragma once

#include <string>
#include <vector>

#include "device/CpuUtilFile.h"
#include "device/ProcessorHandshake.h"
#include "sim/cSimpleModule.h"

struct TaskTiming;

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
class ChipProcessor : public cSimpleModule {
  public:
    ChipProcessor(const char* name, cModule* parent, unsigned stackSize);

    void initialize() override;
    void activity() override;
    void finish() override;

  protected:
    virtual void ack_proc_req();
    virtual void create_cpu_util();
    virtual void write_cpu_util();
    virtual void load_chip_params();
    virtual void extract_cpu_timing(const char* cpuModel);
    // Called once per task after its timing is set up; a board has nothing
    // to show.
    virtual void show_task_timing(const char* taskName, TaskTiming* timing);

  private:
    void handle(cMessage* msg);
    void request(cMessage* msg);
    void route_path_event(cMessage* msg);
    void to_port(cMessage* msg, int fc4Index);
    [[noreturn]] void unknown(cMessage* msg);

    cModule* root_ = nullptr;
    cModule* board_ = nullptr;
    cModule* device_ = nullptr;
    cPar* simDone_ = nullptr;
    int nxPortNum_ = 0;
    double period_ = 0; // seconds
    ProcessorHandshake cpu_;
    CpuUtilFile utilFile_;
};

// The tasks of a board processor, each timed in section "[2]" of the
// CPU-model file exactly once; the role word of their timing-file rows is
// "Node", as a host's.
extern const std::vector<std::string> chipTasks;
