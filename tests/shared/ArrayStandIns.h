#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sim/Sim.h"
#include "sim/cQueue.h"

// Stand-ins for the array modules that the array's compounds hold but that
// are built elsewhere: the control-memory processor (`CtrlMemProcessor`),
// the array control processor board (`ArrayControlProcessor`) and the
// remote-mirror initiator (`ScsiRmtMirr`), each with the exact interface of
// the real module. A stand-in sends what its script says, when it says, and
// records everything that reaches it. They are registered under their own
// names (the class names), with the real module's interface. The control-memory stand-in also gives
// its compound the `allDone` flag that the real processor keeps there.
class ArrayStandIn : public cSimpleModule {
  public:
    struct Step {
        double time;
        const char* gate;
        int index; // -1 for a scalar gate
        std::function<cMessage*()> make;
    };
    struct Heard {
        std::string module; // full path
        std::string gate;   // full name of the arrival gate
        std::string name;
        double time;
        cMessage* msg;
    };

    using cSimpleModule::cSimpleModule;
    void activity() override;

    // Scripts by full path of the stand-in; what the stand-ins heard, in the
    // order they heard it. clear() deletes what was kept.
    static std::map<std::string, std::vector<Step>> scripts;
    static std::vector<Heard> heard;
    static void clear();
};

// Beside its script, the control-memory stand-in can play the processor
// towards real LUN controllers: with `lunNum` above 0 it creates
// LunCtrl[0 .. lunNum-1] at initialisation as the real processor does,
// publishes the clocks and the five LUN task timings (SCSI_RD_SEG 2 us,
// SCSI_WR_SEG 3 us, RMV_LUN_IO 4 us, COM_BLK_RD 5 us, COM_BLK_WR 6 us), and
// grants its processor to one LUN task at a time: a task waits until the
// controller holding the processor has sent NEXT_MSG. It answers
// REQ_PROC_NEXT_LUNIO with an ACK_PROC_NEXT_LUNIO task and, when
// `blockDelay` is not negative, each block request with its completion that
// much later, as a task of the LUN. An RMT_IO_GEN_RDY of the tasks goes at
// once to every controller. Everything the controllers send is recorded in
// `heard`; a NEXT_MSG while no task runs is recorded in `strayReleases`.
class CtrlMemProcessorStandIn : public ArrayStandIn {
  public:
    struct LunTask {
        double time;
        int lun;
        std::function<cMessage*()> make;
    };

    using ArrayStandIn::ArrayStandIn;
    void initialize() override;
    void activity() override;

    static int lunNum;
    static double blockDelay;
    static std::vector<LunTask> lunTasks;
    static int strayReleases;
    static int granted; // tasks given to LUN controllers
    static void clearLuns();

  private:
    void create_lun_controllers();
    void publish_timings();
    void serve_luns();
    void from_lun(cMessage* msg);
    void queue_task(int lun, cMessage* msg);
    void start_task();

    cQueue tasks_{"REQ_PROC_QUE"};
    bool busy_ = false;
};

// A LUN controller of the control memory: it takes the settings of its
// play (a LUN in use has a world-wide name, and I/O counters for the
// summary files), runs its script of messages to the processor, records
// what reaches it and ends every task it is given with NEXT_MSG on
// `to_cpu`, `hold` seconds after the task arrived.
class LunControllerStandIn : public ArrayStandIn {
  public:
    struct Play {
        std::string lunWwn; // empty: the LUN is not in use
        double hold = 0;
        std::map<std::string, long> counters;
    };
    static std::map<std::string, Play> plays; // by full path; cleared by clear()

    using ArrayStandIn::ArrayStandIn;
    void initialize() override;
    void activity() override;
};

// While it lives, the array's compounds get the stand-ins in place of the
// real control-memory processor, array control processor and remote-mirror
// initiator.
struct ArrayStandInsInPlace {
    ModuleTypeSubstitution ctrlMem{"CtrlMemProcessor", "CtrlMemProcessorStandIn"};
    ModuleTypeSubstitution acp{"ArrayControlProcessor", "ArrayControlProcessorStandIn"};
    ModuleTypeSubstitution rmtMirr{"ScsiRmtMirr", "ScsiRmtMirrStandIn"};
};

// While it lives, the control memory creates stand-in LUN controllers.
struct LunControllerStandInInPlace {
    ModuleTypeSubstitution lunCtrl{"LunController", "LunControllerStandIn"};
};
