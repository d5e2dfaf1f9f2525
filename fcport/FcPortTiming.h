#pragma once

#include "fcport/TaskTiming.h"

class cModule;

// The timings that all FC ports of one FC controller CPU model share: the
// processor clocks and six tasks. The pair engine of a port uses the clocks
// and the first four tasks; the link services of switch ports the clocks and
// the two FC-4 tasks. The block is published through a long root parameter
// named "<fcCtrl>_For_FC_Ports", whose name each port keeps in `gbStr`.
struct FcPortTiming {
    double cpuClock = 0; // MHz
    double memClock = 0; // MHz
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

// The value of the root parameter that publishes a block.
long fc_port_timing_address(const FcPortTiming* block);
