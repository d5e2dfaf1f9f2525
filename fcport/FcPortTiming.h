#pragma once

#include <string>
#include <vector>

#include "device/TaskTiming.h"

class cModule;

// The timings that all FC ports of one FC controller CPU model share: the
// processor clocks and six tasks. The pair engine of a port uses the clocks
// and the first four tasks; the link services of switch ports the clocks and
// the two FC-4 tasks. The block is published through a long root parameter
// named "<fcCtrl>_For_FC_Ports", whose name each port keeps in `gbStr`.
struct FcPortTiming {
    double cpuClock = 0;             // MHz
    double memClock = 0;             // MHz
    TaskTiming* fcSeqSeg = nullptr;  // FC_SEQ_SEG
    TaskTiming* fcFrmTxu = nullptr;  // FC_FRM_TXU
    TaskTiming* fcFrmRxu = nullptr;  // FC_FRM_RXU
    TaskTiming* fcSeqAsm = nullptr;  // FC_SEQ_ASM
    TaskTiming* fc4IuSend = nullptr; // FC4_IU_SEND
    TaskTiming* fc4IuRecv = nullptr; // FC4_IU_RECV
};

// The block of a port compound: the root parameter named by the port's
// `gbStr`. `user` is the module asking, for the root lookup.
FcPortTiming* fc_port_timing(const cModule* user, cModule* port);

// The task list of the FC ports, in the order of the block's records.
extern const std::vector<std::string> fcPortTasks;

// FC-2 controller form of the CPU-model loader: sets the port compound's
// `gbStr` to "<fcCtrl>_For_FC_Ports". The first port of a model makes the
// block, publishes it under that name on the root, reads the model's file and
// writes its rows; every later port of the model only finds the block. The
// block lives as long as the run.
FcPortTiming* extract_cpu_timing(const cModule* fc2Ctrl, cModule* port, const std::string& fcCtrl);
