#include "array/ChipProcessor.h"

#include "array/ChipGeneralSection.h"
#include "device/CpuTimingFile.h"
#include "device/OutputFile.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RootModule.h"
#include "sim/Sim.h"

const std::vector<std::string> chipTasks = {"FC4_IU_SEND", "FC4_IU_RECV", "FCP_IU_SEND",  "FCP_IU_RECV", "CRE_IT_PATH",
                                            "RMV_IT_PATH", "INI_SCSI_IO", "INI_SCSI_SIO", "COM_SCSI_IO"};

namespace {

const HandshakeTexts chipHandshakeTexts = {
    "---> ack_proc_req : CPU_REQ_QUE empty",
    "ERROR: ack_proc_req Invalid Process ID!",
    "ERROR: ack_proc_req invalid procssId!",
};

// The board port that carries the exchange of a SCSI-FCP primitive.
template <class T>
int fc4_index_of(const cModule* mod, cMessage* msg)
{
    auto* primitive = dynamic_cast<T*>(msg);
    if (!primitive)
        mod->error("ERROR: %s of class %s cannot be routed to an FC-4 layer", msg->name(), msg->className());
    return primitive->getFc4Index();
}

} // namespace

ChipProcessor::ChipProcessor(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize), cpu_(this, chipHandshakeTexts), utilFile_(this, OpenFailText::QUOTED)
{
}

void ChipProcessor::initialize()
{
    root_ = find_root(this);
    board_ = parentModule();
    device_ = board_->parentModule();
    load_chip_params();
}

void ChipProcessor::load_chip_params()
{
    const std::string confFile = device_->par("confFile").stringValue();
    const char* file = confFile.c_str();
    const long chipIdx = board_->index();
    const ChipGeneralRow row = read_chip_general_row(this, confFile, chipIdx, board_->fullPath());

    cModule* cpc = board_->submodule("Cpc");
    if (!cpc)
        error("---> %s has no peripheral bus Cpc for the settings of section [1] of the file \"%s\"",
              board_->fullPath().c_str(), file);
    cPar& busWidth = cpc->addPar("busWidth");
    cPar& busClock = cpc->addPar("busClock");
    cPar& cpuModel = board_->addPar("cpuModel");
    cPar& maxTarLun = board_->addPar("maxTarLun");
    cPar& maxRdWrIo = board_->addPar("maxRdWrIo");
    cPar& maxCtrlIo = board_->addPar("maxCtrlIo");

    if (row.cpcBusWidth < 1)
        error("---> Chip[%ld] General Configuration : invalid CpcBusWidth. Must >= 1-bit. Normally should choose 16, "
              "32, or 64-bit. Please check section [1] of the file \"%s\"",
              chipIdx, file);
    busWidth.setDoubleValue(row.cpcBusWidth);
    if (row.cpcBusClock < 1)
        error("---> Chip[%ld] General Configuration : invalid CpcBusClock. Must >= 1-MHz. Normally should choose 33, "
              "66, 100 or 133-MHz. Please check section [1] of the file \"%s\"",
              chipIdx, file);
    busClock.setDoubleValue(row.cpcBusClock);
    cpuModel.setStringValue(row.cpuModel.c_str());
    extract_cpu_timing(row.cpuModel.c_str());
    if (row.maxTarLun < 1)
        error("---> Chip[%ld] General Configuration : invalid MaxTarLun. At least one LUN must be setup for each "
              "Target Port. Please check section [1] of the file \"%s\"",
              chipIdx, file);
    if (row.maxRdWrIo < 1)
        error("---> Chip[%ld] General Configuration : invalid MaxRdWrIo. Must >= 1. Please check section [1] of the "
              "file \"%s\"",
              chipIdx, file);
    if (row.maxCtrlIo < 1)
        error("---> Chip[%ld] General Configuration : invalid MaxCtrlIo. Must >= 1. Please check section [1] of the "
              "file \"%s\"",
              chipIdx, file);
    maxTarLun.setLongValue(row.maxTarLun);
    maxRdWrIo.setLongValue(row.maxRdWrIo);
    maxCtrlIo.setLongValue(row.maxCtrlIo);
}

void ChipProcessor::extract_cpu_timing(const char* cpuModel)
{
    CpuTiming timing = ::extract_cpu_timing(this, cpuModel, chipTasks, "Node");
    for (size_t k = 0; k < chipTasks.size(); ++k)
        show_task_timing(chipTasks[k].c_str(), timing.tasks[k]);
}

void ChipProcessor::show_task_timing(const char*, TaskTiming*) {}

void ChipProcessor::activity()
{
    simDone_ = &root_->par("simDone");
    nxPortNum_ = static_cast<int>(board_->par("nxPortNum").longValue());
    cpu_.reset(nxPortNum_ + 1);
    period_ = time_scale_seconds(this, root_, "cpuUtilTimeScale");
    create_cpu_util();
    write_cpu_util();
    WATCH(cpu_.inProcRef());
    WATCH(cpu_.currProcIdRef());

    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        handle(msg);
    }
}

void ChipProcessor::handle(cMessage* msg)
{
    switch (msg->kind()) {
    case REQ_CPU_PROC: request(msg); break;
    case COMP_CPU_PROC:
        discard_message(msg);
        if (cpu_.release())
            ack_proc_req();
        break;
    case DEV_DOWN:
    case REMOVE_IT_PATH: route_path_event(msg); break;
    case FREE_LUNPT_SIO:
    case CREATE_IT_PATH:
    case CMD_COMP_RECVD: send(msg, "to_scsi"); break;
    case SEND_SCSI_CMD: to_port(msg, fc4_index_of<SendScsiCmd>(this, msg)); break;
    case CMD_COMP_CONF: to_port(msg, fc4_index_of<CmdCompConf>(this, msg)); break;
    case REQ_ABT_SIO: to_port(msg, static_cast<int>(msg->par("initiator").longValue())); break;
    case SEND_DATA_IN: to_port(msg, fc4_index_of<SendDataIn>(this, msg)); break;
    case RECV_DATA_OUT: to_port(msg, fc4_index_of<RecvDataOut>(this, msg)); break;
    case SEND_CMD_COMP: to_port(msg, fc4_index_of<SendCmdComp>(this, msg)); break;
    case SCSI_CMD_RECVD:
    case REQ_CMD_COMP:
    case COMP_CONF_RECVD:
    case ABORT_LUNIO: send(msg, "to_mc"); break;
    case DATA_OUT_RECVD: send(msg, "to_bs"); break;
    case NEXT_STAT:
        write_cpu_util();
        discard_message(msg);
        break;
    default: unknown(msg);
    }
}

void ChipProcessor::unknown(cMessage* msg)
{
    const std::string name = msg->name();
    discard_message(msg);
    error("---> No idea know how to handle message: %s", name.c_str());
}

void ChipProcessor::request(cMessage* msg)
{
    if (msg->arrivedOn("from_mc") || msg->arrivedOn("from_bs")) {
        discard_message(msg);
        error("---> REQ_CPU_PROC is allowed only from FC4");
    }
    int procId = 0;
    if (!msg->arrivedOn("from_scsi")) {
        if (!msg->hasPar("fc4Anx")) {
            discard_message(msg);
            error("---> REQ_CPU_PROC from FC4 should have par fc4Anx");
        }
        procId = msg->arrivalGate()->index() + 1;
    }
    if (cpu_.queue_request(msg, procId))
        ack_proc_req();
}

// Port and path events of an initiator port concern the remote-mirror
// initiator; those of a target port go to the control memory, which tells
// its LUN controllers.
void ChipProcessor::route_path_event(cMessage* msg)
{
    const long port = msg->par("fc4Index").longValue();
    cModule* nxPort = board_->submodule("NxPort", static_cast<int>(port));
    if (!nxPort) {
        const std::string name = msg->name();
        discard_message(msg);
        error("ERROR: %s names port %ld, which %s does not have", name.c_str(), port, board_->fullPath().c_str());
    }
    send(msg, nxPort->par("fcpIni").boolValue() ? "to_scsi" : "to_mc");
}

void ChipProcessor::to_port(cMessage* msg, int fc4Index)
{
    send(msg, "to_driver", fc4Index);
}

void ChipProcessor::ack_proc_req()
{
    cpu_.ack_proc_req();
}

void ChipProcessor::create_cpu_util()
{
    utilFile_.create(output_path(root_, "cpuUtilDir", board_->fullPath(), ".CpuUtil"),
                     device_process_labels(nxPortNum_), device_port_labels(nxPortNum_));
}

void ChipProcessor::write_cpu_util()
{
    cpu_.charge_to_now();
    std::vector<double> processBusy(cpu_.procNum());
    for (int p = 0; p < cpu_.procNum(); ++p)
        processBusy[p] = cpu_.take_busy(p);
    std::vector<double> portBusy(nxPortNum_);
    for (int i = 0; i < nxPortNum_; ++i)
        portBusy[i] = take_port_busy(this, board_, i);
    utilFile_.write_row(period_, processBusy, portBusy);
    if (!simDone_->boolValue())
        scheduleAt(simTime() + period_, new cMessage("NEXT_STAT", NEXT_STAT, 0));
}

void ChipProcessor::finish()
{
    utilFile_.close();
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
