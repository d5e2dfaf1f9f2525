#include "switch/SwitchTransport.h"

#include "messages/MsgKinds.h"
#include "switch/SwitchCodes.h"

namespace {

const sDescrItem switchTransportItems[] = {{'M', "default", nullptr, 0},     {'G', "from_fc2", nullptr, 'I'},
                                           {'G', "to_fc2", nullptr, 'O'},    {'G', "from_fc4", nullptr, 'I'},
                                           {'G', "to_fc4", nullptr, 'O'},    {'G', "from_swctrl", nullptr, 'I'},
                                           {'G', "to_swctrl", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

} // namespace

SwitchTransport::SwitchTransport(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize)
{
}

void SwitchTransport::activity()
{
    fromFc2_ = findGate("from_fc2");
    fromFc4_ = findGate("from_fc4");
    fromSwctrl_ = findGate("from_swctrl");
    toFc2_ = gate("to_fc2");
    toFc4_ = gate("to_fc4");
    toSwctrl_ = gate("to_swctrl");
    for (;;)
        pass_on(receive());
}

void SwitchTransport::pass_on(cMessage* msg)
{
    EV << fullPath() << " --> " << msg->name() << "\n";
    switch (msg->kind()) {
    case FC_FRAME_PAYLOAD:
    case FC_FRAME_TAIL:
    case REQ_FRM_FWD:
    case ACK_FRM_FWD:
    case RJT_FRM_FWD:
    case COM_FRM_FWD: pass_frame_part(msg); break;
    case swils::FSPF_PACKET: pass_fspf_packet(msg); break;
    case DEV_DOWN:
    case E_PORT_UP:
    case F_PORT_UP:
    case GOT_RFF_ID:
    case GOT_GFF_ID:
    case GOT_GID_FT:
    case GOT_SW_RSCN:
    case RECV_PID_LIST: send(msg, toSwctrl_); break;
    case REQ_GFF_ID:
    case ACC_GFF_ID:
    case RJT_GFF_ID:
    case REQ_GID_FT:
    case ACC_GID_FT:
    case ISSUE_RSCN:
    case ISSUE_SW_RSCN: send(msg, toFc4_); break;
    default: error("---> No idea know how to handle message: %s", msg->name());
    }
}

// Frames and their forwarding answers run between FC-2 and the centre only.
void SwitchTransport::pass_frame_part(cMessage* msg)
{
    if (msg->arrivedOn(fromSwctrl_))
        send(msg, toFc2_);
    else if (msg->arrivedOn(fromFc2_))
        send(msg, toSwctrl_);
    else
        error("---> %s came from wrong place", msg->name());
}

// Routing packets run between the centre and the port's FC-4 layer only.
void SwitchTransport::pass_fspf_packet(cMessage* msg)
{
    if (msg->arrivedOn(fromSwctrl_))
        send(msg, toFc4_);
    else if (msg->arrivedOn(fromFc4_))
        send(msg, toSwctrl_);
    else
        error("---> FSPF_PACKET came from wrong place");
}

Define_Module_Interface(SwitchTransport, switchTransportItems);
Define_Module(SwitchTransport, 8192);
