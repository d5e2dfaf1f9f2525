#include "host/HostProcessor.h"

#include "device/CpuTimingFile.h"
#include "device/OutputFile.h"
#include "device/PlatformRegistry.h"
#include "host/HostGeneralSection.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RootModule.h"
#include "sim/Sim.h"

const std::vector<std::string> hostTasks = {"FC4_IU_SEND", "FC4_IU_RECV", "FCP_IU_SEND",  "FCP_IU_RECV", "CRE_IT_PATH",
                                            "RMV_IT_PATH", "INI_SCSI_IO", "INI_SCSI_SIO", "COM_SCSI_IO"};

namespace {

// A host is platform type 1; arrays are 2 and switches 3.
constexpr long HOST_PF_TYPE = 1;

template <class T>
T* as_primitive(const cModule* mod, cMessage* msg)
{
    auto* primitive = dynamic_cast<T*>(msg);
    if (!primitive)
        mod->error("ERROR: %s of class %s cannot be routed to an FC-4 layer", msg->name(), msg->className());
    return primitive;
}

} // namespace

HostProcessor::HostProcessor(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize), cpu_(this, hostHandshakeTexts),
      utilFile_(this, "ERROR: Couldn't open file %s!")
{
}

void HostProcessor::initialize()
{
    root_ = find_root(this);
    host_ = parentModule();
    equipId_ = take_a_number(root_, "equipId");
    pfName_ = take_a_number(root_, "iniEqName");
    host_->addPar("pfName").setLongValue(pfName_);
    reg_pfname();
    host_->addPar("pfType").setLongValue(HOST_PF_TYPE);
    load_host_params();
}

void HostProcessor::reg_pfname()
{
    register_platform_name(this, root_, equipId_, pfName_, PfNameText::INVALID_PF_NAME);
}

void HostProcessor::load_host_params()
{
    const std::string confFile = host_->par("confFile").stringValue();
    const char* file = confFile.c_str();
    HostGeneralSection section(this, confFile);
    cModule* hpc = host_->submodule("Hpc");
    if (!hpc)
        error("---> %s has no peripheral bus Hpc for the settings of section [1] of the file \"%s\"",
              host_->fullPath().c_str(), file);

    // A later data line sets the same parameters again: the last line wins.
    bool busWidthSet = false;
    HostGeneralRow row;
    while (section.next(row)) {
        cPar& busWidth = hpc->addPar("busWidth");
        cPar& busClock = hpc->addPar("busClock");
        cPar& cpuModel = host_->addPar("cpuModel");
        cPar& maxTarLun = host_->addPar("maxTarLun");
        cPar& maxRdWrIo = host_->addPar("maxRdWrIo");
        cPar& maxCtrlIo = host_->addPar("maxCtrlIo");

        if (row.hpcBusWidth < 1)
            error("---> Invalid HpcBusWidth. Must >= 1-bit. Normally should choose 16, 32, or 64-bit. Please check "
                  "section [1] of the file \"%s\"",
                  file);
        busWidth.setDoubleValue(row.hpcBusWidth);
        busWidthSet = true;
        if (row.hpcBusClock < 1)
            error("---> Invalid HpcBusClock. Must >= 1-MHz. Normally should choose 33, 66, 100 or 133-MHz. Please "
                  "check section [1] of the file \"%s\"",
                  file);
        busClock.setDoubleValue(row.hpcBusClock);
        cpuModel.setStringValue(row.cpuModel.c_str());
        extract_cpu_timing(row.cpuModel.c_str());
        if (row.maxTarLun < 1)
            error("---> Invalid MaxTarLun. At least one LUN must be setup for each Target Port. Please check "
                  "section [1] of the file \"%s\"",
                  file);
        maxTarLun.setLongValue(row.maxTarLun);
        if (row.maxRdWrIo < 1)
            error("---> Invalid MaxRdWrIo. Must >= 1. Please check section [1] of the file \"%s\"", file);
        maxRdWrIo.setLongValue(row.maxRdWrIo);
        if (row.maxCtrlIo < 1)
            error("---> Invalid MaxCtrlIo. Must >= 1. Please check section [1] of the file \"%s\"", file);
        maxCtrlIo.setLongValue(row.maxCtrlIo);
    }
    if (!busWidthSet)
        error("Missing PeriBusWid setup. Please check section [1] of the file \"%s\"", file);
}

void HostProcessor::extract_cpu_timing(const char* cpuModel)
{
    CpuTiming timing = ::extract_cpu_timing(this, cpuModel, hostTasks, "Node");
    for (size_t k = 0; k < hostTasks.size(); ++k)
        show_task_timing(hostTasks[k].c_str(), timing.tasks[k]);
}

void HostProcessor::show_task_timing(const char*, TaskTiming*) {}

void HostProcessor::activity()
{
    simDone_ = &root_->par("simDone");
    nxPortNum_ = static_cast<int>(host_->par("nxPortNum").longValue());
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

void HostProcessor::handle(cMessage* msg)
{
    switch (msg->kind()) {
    case REQ_CPU_PROC: request(msg); break;
    case COMP_CPU_PROC:
        delete msg;
        if (cpu_.release())
            ack_proc_req();
        break;
    case CREATE_IT_PATH:
    case REMOVE_IT_PATH:
    case DEV_DOWN:
    case FREE_LUNPT_SIO:
    case CMD_COMP_RECVD: forward_up(msg); break;
    case SEND_SCSI_CMD: forward_down(msg, as_primitive<SendScsiCmd>(this, msg)->getFc4Index()); break;
    case CMD_COMP_CONF: forward_down(msg, as_primitive<CmdCompConf>(this, msg)->getFc4Index()); break;
    case REQ_ABT_SIO: forward_down(msg, static_cast<int>(msg->par("initiator").longValue())); break;
    case NEXT_STAT:
        write_cpu_util();
        delete msg;
        break;
    default: {
        const std::string name = msg->name();
        delete msg;
        error("ERROR: No idea know how to handle message: %s !", name.c_str());
    }
    }
}

void HostProcessor::request(cMessage* msg)
{
    int procId = 0;
    if (!msg->arrivedOn("from_scsi")) {
        if (!msg->hasPar("fc4Anx")) {
            delete msg;
            error("ERROR: REQ_CPU_PROC from FC4 should have par fc4Anx!");
        }
        procId = msg->arrivalGate()->index() + 1;
    }
    if (cpu_.queue_request(msg, procId))
        ack_proc_req();
}

void HostProcessor::ack_proc_req()
{
    cpu_.ack_proc_req();
}

void HostProcessor::forward_up(cMessage* msg)
{
    send(msg, "to_scsi");
}

void HostProcessor::forward_down(cMessage* msg, int fc4Index)
{
    send(msg, "to_driver", fc4Index);
}

void HostProcessor::create_cpu_util()
{
    utilFile_.create(output_path(root_, "cpuUtilDir", host_->fullPath(), ".CpuUtil"), device_process_labels(nxPortNum_),
                     device_port_labels(nxPortNum_));
}

void HostProcessor::write_cpu_util()
{
    cpu_.charge_to_now();
    std::vector<double> processBusy(cpu_.procNum());
    for (int p = 0; p < cpu_.procNum(); ++p)
        processBusy[p] = cpu_.take_busy(p);
    std::vector<double> portBusy(nxPortNum_);
    for (int i = 0; i < nxPortNum_; ++i)
        portBusy[i] = take_port_busy(this, host_, i);
    utilFile_.write_row(period_, processBusy, portBusy);
    if (!simDone_->boolValue())
        scheduleAt(simTime() + period_, new cMessage("NEXT_STAT", NEXT_STAT, 0));
}

void HostProcessor::finish()
{
    utilFile_.close();
}

namespace {

const sDescrItem hostProcessorItems[] = {{'M', "default", nullptr, 0},       {'G', "from_scsi", nullptr, 'I'},
                                         {'G', "to_scsi", nullptr, 'O'},     {'G', "from_driver[]", nullptr, 'I'},
                                         {'G', "to_driver[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(HostProcessor, hostProcessorItems);
Define_Module(HostProcessor, 16384);
