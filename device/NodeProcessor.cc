#include "device/NodeProcessor.h"

#include "device/CpuTimingFile.h"
#include "device/OutputFile.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RootModule.h"
#include "sim/Sim.h"

const std::vector<std::string> nodeTasks = {"FC4_IU_SEND", "FC4_IU_RECV", "FCP_IU_SEND",  "FCP_IU_RECV", "CRE_IT_PATH",
                                            "RMV_IT_PATH", "INI_SCSI_IO", "INI_SCSI_SIO", "COM_SCSI_IO"};

NodeProcessor::NodeProcessor(const char* name, cModule* parent, unsigned stackSize, const NodeProcessorTexts& texts)
    : cSimpleModule(name, parent, stackSize), texts_(texts), cpu_(this, texts_.handshake),
      utilFile_(this, texts_.utilOpenFail)
{
}

void NodeProcessor::find_unit()
{
    root_ = find_root(this);
    unit_ = parentModule();
}

void NodeProcessor::extract_cpu_timing(const char* cpuModel)
{
    CpuTiming timing = ::extract_cpu_timing(this, cpuModel, nodeTasks, "Node");
    for (size_t k = 0; k < nodeTasks.size(); ++k)
        show_task_timing(nodeTasks[k].c_str(), timing.tasks[k]);
}

void NodeProcessor::show_task_timing(const char*, TaskTiming*) {}

void NodeProcessor::activity()
{
    simDone_ = &root_->par("simDone");
    fromScsi_ = findGate("from_scsi");
    toDriver_ = OutputGates(this, "to_driver");
    nxPortNum_ = static_cast<int>(unit_->par("nxPortNum").longValue());
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

// The handshake, the statistics timer and the initiator's traffic are the
// same on every node; the rest is the device's to route.
void NodeProcessor::handle(cMessage* msg)
{
    switch (msg->kind()) {
    case REQ_CPU_PROC: request(msg); break;
    case COMP_CPU_PROC:
        discard_message(msg);
        if (cpu_.release())
            ack_proc_req();
        break;
    case CREATE_IT_PATH:
    case FREE_LUNPT_SIO:
    case CMD_COMP_RECVD: send(msg, "to_scsi"); break;
    case SEND_SCSI_CMD: to_port(msg, fc4_index_of<SendScsiCmd>(msg)); break;
    case CMD_COMP_CONF: to_port(msg, fc4_index_of<CmdCompConf>(msg)); break;
    case REQ_ABT_SIO: to_port(msg, static_cast<int>(msg->par("initiator").longValue())); break;
    case NEXT_STAT:
        write_cpu_util();
        discard_message(msg);
        break;
    default: route(msg);
    }
}

void NodeProcessor::request(cMessage* msg)
{
    int procId = 0;
    if (!arrived_on(msg, fromScsi_)) {
        if (!msg->hasPar("fc4Anx")) {
            discard_message(msg);
            error("%s", texts_.requestWithoutAnnex);
        }
        procId = gate(msg->arrivalGateId())->index() + 1;
    }
    if (cpu_.queue_request(msg, procId))
        ack_proc_req();
}

void NodeProcessor::ack_proc_req()
{
    cpu_.ack_proc_req();
}

void NodeProcessor::to_port(cMessage* msg, int fc4Index)
{
    toDriver_.send(msg, fc4Index);
}

void NodeProcessor::unknown(cMessage* msg)
{
    const std::string name = msg->name();
    discard_message(msg);
    error(texts_.unknownKind, name.c_str());
}

void NodeProcessor::wrong_form(cMessage* msg) const
{
    error("ERROR: %s of class %s cannot be routed to an FC-4 layer", msg->name(), msg->className());
}

void NodeProcessor::create_cpu_util()
{
    utilFile_.create(output_path(root_, "cpuUtilDir", unit_->fullPath(), ".CpuUtil"), device_process_labels(nxPortNum_),
                     device_port_labels(nxPortNum_));
}

void NodeProcessor::write_cpu_util()
{
    cpu_.charge_to_now();
    std::vector<double> processBusy(cpu_.procNum());
    for (int p = 0; p < cpu_.procNum(); ++p)
        processBusy[p] = cpu_.take_busy(p);
    std::vector<double> portBusy(nxPortNum_);
    for (int i = 0; i < nxPortNum_; ++i)
        portBusy[i] = take_port_busy(this, unit_, i);
    utilFile_.write_row(period_, processBusy, portBusy);
    if (!simDone_->boolValue())
        scheduleAt(simTime() + period_, new cMessage("NEXT_STAT", NEXT_STAT, 0));
}

void NodeProcessor::finish()
{
    utilFile_.close();
}
