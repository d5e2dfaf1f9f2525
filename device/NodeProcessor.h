#pragma once

#include <string>
#include <vector>

#include "device/CpuUtilFile.h"
#include "device/OutputGates.h"
#include "device/ProcessorHandshake.h"
#include "sim/ExactCast.h"
#include "sim/cSimpleModule.h"

struct TaskTiming;

// How a node processor words its own faults.
struct NodeProcessorTexts {
    HandshakeTexts handshake;
    // The utilisation file cannot be opened; one "%s" for the path.
    const char* utilOpenFail;
    // A REQ_CPU_PROC from an FC-4 layer without its `fc4Anx`.
    const char* requestWithoutAnnex;
    // A kind the processor has no route for; one "%s" for the message name.
    const char* unknownKind;
};

// The processor of a device with node ports: a host's `Cpu` or an array
// board's `ChipCpu`. It serves one unit (the host, or the board), whose
// `nxPortNum` node ports each have an FC-4 layer, and gives the processor to
// one process at a time, the unit's SCSI engine (process 0) or the FC-4
// layer of node port i (process i + 1), in the order of their requests. It
// writes the unit's ".CpuUtil" file every `cpuUtilTimeScale` ms until
// `simDone`. What each device routes where, and what it reads at set-up, is
// the device's own.
class NodeProcessor : public cSimpleModule {
  public:
    // The most I/Os of one kind a device may keep open at once (MaxRdWrIo,
    // MaxCtrlIo): far beyond any adapter, and small enough that the tables
    // sized by it fit in memory.
    static constexpr long MAX_OPEN_IO = 1000000;

    void activity() override;
    void finish() override;

  protected:
    NodeProcessor(const char* name, cModule* parent, unsigned stackSize, const NodeProcessorTexts& texts);

    // Finds the root and takes the parent as the unit served; the first step
    // of a device's initialisation.
    void find_unit();
    cModule* root() const { return root_; }
    cModule* unit() const { return unit_; }

    virtual void ack_proc_req();
    virtual void create_cpu_util();
    virtual void write_cpu_util();
    // Loads the timings of the node tasks for the model `cpuModel`.
    virtual void extract_cpu_timing(const char* cpuModel);
    // Called once per task after its timing is set up; a node processor has
    // nothing to show.
    virtual void show_task_timing(const char* taskName, TaskTiming* timing);

    // Queues a REQ_CPU_PROC of the SCSI engine (on `from_scsi`) or of an
    // FC-4 layer and grants it at once when the processor is idle.
    virtual void request(cMessage* msg);
    // Every kind other than the handshake's and NEXT_STAT.
    virtual void route(cMessage* msg) = 0;

    void to_port(cMessage* msg, int fc4Index);
    // The node port that carries the exchange of a SCSI-FCP primitive.
    template <class T>
    int fc4_index_of(cMessage* msg) const
    {
        auto* primitive = exact_cast<T>(msg);
        if (!primitive)
            wrong_form(msg);
        return primitive->getFc4Index();
    }
    [[noreturn]] void unknown(cMessage* msg);
    // Whether `msg` came in on gate `gateId`, -1 standing for a gate the
    // module does not have.
    static bool arrived_on(const cMessage* msg, int gateId) { return gateId >= 0 && msg->arrivedOn(gateId); }

  private:
    void handle(cMessage* msg);
    [[noreturn]] void wrong_form(cMessage* msg) const;

    NodeProcessorTexts texts_;
    cModule* root_ = nullptr;
    cModule* unit_ = nullptr;
    cPar* simDone_ = nullptr;
    int fromScsi_ = -1;
    OutputGates toDriver_;
    int nxPortNum_ = 0;
    double period_ = 0; // seconds
    ProcessorHandshake cpu_;
    CpuUtilFile utilFile_;
};

// The tasks of a node processor, each timed in section "[2]" of the
// CPU-model file exactly once; the role word of their timing-file rows is
// "Node".
extern const std::vector<std::string> nodeTasks;
