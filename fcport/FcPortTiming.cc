#include "fcport/FcPortTiming.h"

#include <memory>

#include "device/CpuTimingFile.h"
#include "network/RootModule.h"
#include "sim/ObjectAddress.h"
#include "sim/cModule.h"
#include "sim/cSimulation.h"

FcPortTiming* fc_port_timing(const cModule* user, cModule* port)
{
    cModule* root = find_root(user);
    const long address = root->par(port->par("gbStr").stringValue()).longValue();
    return object_at<FcPortTiming>(address);
}

const std::vector<std::string> fcPortTasks = {"FC_SEQ_SEG", "FC_FRM_TXU",  "FC_FRM_RXU",
                                              "FC_SEQ_ASM", "FC4_IU_SEND", "FC4_IU_RECV"};

FcPortTiming* extract_cpu_timing(const cModule* fc2Ctrl, cModule* port, const std::string& fcCtrl)
{
    const std::string name = fcCtrl + "_For_FC_Ports";
    port->addPar("gbStr").setStringValue(name.c_str());
    cModule* root = find_root(fc2Ctrl);
    if (root->hasPar(name.c_str()))
        return fc_port_timing(fc2Ctrl, port);

    FcPortTiming* block = simulation.keepForRun(std::make_unique<FcPortTiming>());
    root->addPar(name.c_str()).setLongValue(object_address(block));

    CpuTiming timing = CpuTimingFile(fc2Ctrl, fcCtrl, "FC_Ports", true).read(fcPortTasks);
    block->cpuClock = timing.cpuClock;
    block->memClock = timing.memClock;
    block->fcSeqSeg = timing.tasks[0];
    block->fcFrmTxu = timing.tasks[1];
    block->fcFrmRxu = timing.tasks[2];
    block->fcSeqAsm = timing.tasks[3];
    block->fc4IuSend = timing.tasks[4];
    block->fc4IuRecv = timing.tasks[5];
    return block;
}
