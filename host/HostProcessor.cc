#include "host/HostProcessor.h"

#include "device/PlatformRegistry.h"
#include "host/HostGeneralSection.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"
#include "sim/Sim.h"

const std::vector<std::string>& hostTasks = nodeTasks;

namespace {

// A host is platform type 1; arrays are 2 and switches 3.
constexpr long HOST_PF_TYPE = 1;

const NodeProcessorTexts hostProcessorTexts = {
    hostHandshakeTexts,
    "ERROR: Couldn't open file %s!",
    "ERROR: REQ_CPU_PROC from FC4 should have par fc4Anx!",
    "ERROR: No idea know how to handle message: %s !",
};

} // namespace

HostProcessor::HostProcessor(const char* name, cModule* parent, unsigned stackSize)
    : NodeProcessor(name, parent, stackSize, hostProcessorTexts)
{
}

void HostProcessor::initialize()
{
    find_unit();
    equipId_ = take_a_number(root(), "equipId");
    pfName_ = take_a_number(root(), "iniEqName");
    unit()->addPar("pfName").setLongValue(pfName_);
    reg_pfname();
    unit()->addPar("pfType").setLongValue(HOST_PF_TYPE);
    load_host_params();
}

void HostProcessor::reg_pfname()
{
    register_platform_name(this, root(), equipId_, pfName_, PfNameText::INVALID_PF_NAME);
}

void HostProcessor::load_host_params()
{
    cModule* host = unit();
    const std::string confFile = host->par("confFile").stringValue();
    const char* file = confFile.c_str();
    HostGeneralSection section(this, confFile);
    cModule* hpc = host->submodule("Hpc");
    if (!hpc)
        error("---> %s has no peripheral bus Hpc for the settings of section [1] of the file \"%s\"",
              host->fullPath().c_str(), file);

    // A later data line sets the same parameters again: the last line wins.
    bool busWidthSet = false;
    HostGeneralRow row;
    while (section.next(row)) {
        cPar& busWidth = hpc->addPar("busWidth");
        cPar& busClock = hpc->addPar("busClock");
        cPar& cpuModel = host->addPar("cpuModel");
        cPar& maxTarLun = host->addPar("maxTarLun");
        cPar& maxRdWrIo = host->addPar("maxRdWrIo");
        cPar& maxCtrlIo = host->addPar("maxCtrlIo");

        check_host_bus(this, row, file);
        busWidth.setDoubleValue(row.hpcBusWidth);
        busWidthSet = true;
        busClock.setDoubleValue(row.hpcBusClock);
        cpuModel.setStringValue(row.cpuModel.c_str());
        extract_cpu_timing(row.cpuModel.c_str());
        check_host_io_limits(this, row, file);
        maxTarLun.setLongValue(row.maxTarLun);
        maxRdWrIo.setLongValue(row.maxRdWrIo);
        maxCtrlIo.setLongValue(row.maxCtrlIo);
    }
    if (!busWidthSet)
        error("Missing PeriBusWid setup. Please check section [1] of the file \"%s\"", file);
}

// The SCSI layer hears of every path event.
void HostProcessor::route(cMessage* msg)
{
    switch (msg->kind()) {
    case REMOVE_IT_PATH:
    case DEV_DOWN: send(msg, "to_scsi"); break;
    default: unknown(msg);
    }
}

namespace {

const sDescrItem hostProcessorItems[] = {{'M', "default", nullptr, 0},       {'G', "from_scsi", nullptr, 'I'},
                                         {'G', "to_scsi", nullptr, 'O'},     {'G', "from_driver[]", nullptr, 'I'},
                                         {'G', "to_driver[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(HostProcessor, hostProcessorItems);
Define_Module(HostProcessor, 16384);
