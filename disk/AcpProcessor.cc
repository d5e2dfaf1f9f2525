#include "disk/AcpProcessor.h"

#include <string>

#include "disk/AcpGeneralSection.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RootModule.h"
#include "sim/Sim.h"

void AcpProcessor::initialize()
{
    root_ = find_root(this);
    board_ = parentModule();
    device_ = board_->parentModule();
    load_acp_params();
}

void AcpProcessor::load_acp_params()
{
    const std::string confFile = device_->par("confFile").stringValue();
    const AcpGeneralRow row = read_acp_general_row(this, confFile, board_->index(), board_->size(), board_->fullPath());
    cModule* apc = board_->submodule("Apc");
    if (!apc)
        error("---> %s has no peripheral bus Apc for the settings of section [4] of the file \"%s\"",
              board_->fullPath().c_str(), confFile.c_str());
    apc->addPar("busWidth").setDoubleValue(row.apcBusWidth);
    apc->addPar("busClock").setDoubleValue(row.apcBusClock);
    board_->addPar("cpuModel").setStringValue(row.cpuModel.c_str());
}

void AcpProcessor::activity()
{
    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        route(msg);
    }
}

void AcpProcessor::route(cMessage* msg)
{
    switch (msg->kind()) {
    case REQ_PHY_BLK_READ:
        if (!msg->arrivedOn("from_mc"))
            refuse(msg, "---> REQ_PHY_BLK_READ came from wrong place");
        to_group_driver(msg);
        break;
    case REQ_PHY_BLK_WRITE:
        if (msg->arrivedOn("from_mc"))
            refuse(msg, "---> REQ_PHY_BLK_WRITE came from wrong place");
        to_group_driver(msg);
        break;
    case BLK_READ_DATA: send(msg, "to_bs"); break;
    case PHY_BLK_WRITE_COMP: send(msg, "to_mc"); break;
    default: refuse(msg, "---> No idea know how to handle message: %s");
    }
}

void AcpProcessor::to_group_driver(cMessage* msg)
{
    send(msg, "to_driver", static_cast<LunBlkIo*>(msg)->getLunBlkLoc().grpId);
}

void AcpProcessor::refuse(cMessage* msg, const char* format)
{
    const std::string name = msg->name();
    discard_message(msg);
    error(format, name.c_str());
}

namespace {

const sDescrItem acpProcessorItems[] = {{'M', "default", nullptr, 0},       {'G', "from_mc", nullptr, 'I'},
                                        {'G', "to_mc", nullptr, 'O'},       {'G', "from_bs", nullptr, 'I'},
                                        {'G', "to_bs", nullptr, 'O'},       {'G', "from_driver[]", nullptr, 'I'},
                                        {'G', "to_driver[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(AcpProcessor, acpProcessorItems);
Define_Module(AcpProcessor, 16384);
