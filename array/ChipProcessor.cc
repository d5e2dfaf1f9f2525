#include "array/ChipProcessor.h"

#include <string>

#include "array/ChipGeneralSection.h"
#include "device/OutputFile.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "sim/Sim.h"

namespace {

const NodeProcessorTexts chipProcessorTexts = {
    {
        "---> ack_proc_req : CPU_REQ_QUE empty",
        "ERROR: ack_proc_req Invalid Process ID!",
        "ERROR: ack_proc_req invalid procssId!",
    },
    OpenFailText::QUOTED,
    "---> REQ_CPU_PROC from FC4 should have par fc4Anx",
    "---> No idea know how to handle message: %s",
};

} // namespace

ChipProcessor::ChipProcessor(const char* name, cModule* parent, unsigned stackSize)
    : NodeProcessor(name, parent, stackSize, chipProcessorTexts)
{
}

void ChipProcessor::initialize()
{
    find_unit();
    device_ = unit()->parentModule();
    fromMc_ = findGate("from_mc");
    fromBs_ = findGate("from_bs");
    load_chip_params();
}

void ChipProcessor::load_chip_params()
{
    cModule* board = unit();
    const std::string confFile = device_->par("confFile").stringValue();
    const char* file = confFile.c_str();
    const long chipIdx = board->index();
    const ChipGeneralRow row = read_chip_general_row(this, confFile, chipIdx, board->size(), board->fullPath());

    cModule* cpc = board->submodule("Cpc");
    if (!cpc)
        error("---> %s has no peripheral bus Cpc for the settings of section [1] of the file \"%s\"",
              board->fullPath().c_str(), file);
    cPar& busWidth = cpc->addPar("busWidth");
    cPar& busClock = cpc->addPar("busClock");
    cPar& cpuModel = board->addPar("cpuModel");
    cPar& maxTarLun = board->addPar("maxTarLun");
    cPar& maxRdWrIo = board->addPar("maxRdWrIo");
    cPar& maxCtrlIo = board->addPar("maxCtrlIo");

    check_chip_bus(this, row, file);
    busWidth.setDoubleValue(row.cpcBusWidth);
    busClock.setDoubleValue(row.cpcBusClock);
    cpuModel.setStringValue(row.cpuModel.c_str());
    extract_cpu_timing(row.cpuModel.c_str());
    check_chip_io_limits(this, row, file);
    maxTarLun.setLongValue(row.maxTarLun);
    maxRdWrIo.setLongValue(row.maxRdWrIo);
    maxCtrlIo.setLongValue(row.maxCtrlIo);
}

// The initiator's own traffic goes the way of every node processor's; this
// is the target side and the path events.
void ChipProcessor::route(cMessage* msg)
{
    switch (msg->kind()) {
    case DEV_DOWN:
    case REMOVE_IT_PATH: route_path_event(msg); break;
    case SEND_DATA_IN: to_port(msg, fc4_index_of<SendDataIn>(msg)); break;
    case RECV_DATA_OUT: to_port(msg, fc4_index_of<RecvDataOut>(msg)); break;
    case SEND_CMD_COMP: to_port(msg, fc4_index_of<SendCmdComp>(msg)); break;
    case SCSI_CMD_RECVD:
    case REQ_CMD_COMP:
    case COMP_CONF_RECVD:
    case ABORT_LUNIO: send(msg, "to_mc"); break;
    case DATA_OUT_RECVD: send(msg, "to_bs"); break;
    default: unknown(msg);
    }
}

void ChipProcessor::request(cMessage* msg)
{
    if (arrived_on(msg, fromMc_) || arrived_on(msg, fromBs_)) {
        discard_message(msg);
        error("---> REQ_CPU_PROC is allowed only from FC4");
    }
    NodeProcessor::request(msg);
}

// Port and path events of an initiator port concern the remote-mirror
// initiator; those of a target port go to the control memory, which tells
// its LUN controllers.
void ChipProcessor::route_path_event(cMessage* msg)
{
    cModule* board = unit();
    const long port = msg->par("fc4Index").longValue();
    cModule* nxPort = board->submodule("NxPort", static_cast<int>(port));
    if (!nxPort) {
        const std::string name = msg->name();
        discard_message(msg);
        error("ERROR: %s names port %ld, which %s does not have", name.c_str(), port, board->fullPath().c_str());
    }
    send(msg, nxPort->par("fcpIni").boolValue() ? "to_scsi" : "to_mc");
}

namespace {

const sDescrItem chipProcessorItems[] = {{'M', "default", nullptr, 0},       {'G', "from_mc", nullptr, 'I'},
                                         {'G', "to_mc", nullptr, 'O'},       {'G', "from_bs", nullptr, 'I'},
                                         {'G', "to_bs", nullptr, 'O'},       {'G', "from_driver[]", nullptr, 'I'},
                                         {'G', "to_driver[]", nullptr, 'O'}, {'G', "from_scsi", nullptr, 'I'},
                                         {'G', "to_scsi", nullptr, 'O'},     {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(ChipProcessor, chipProcessorItems);
Define_Module(ChipProcessor, 16384);
