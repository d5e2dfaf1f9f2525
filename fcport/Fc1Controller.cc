#include "fcport/Fc1Controller.h"

#include <string>

#include "messages/MsgKinds.h"

void Fc1Controller::activity()
{
    fromFc2_ = findGate("from_fc2");
    fromRxbuf_ = findGate("from_rxbuf");
    toTx_ = findGate("to_tx");
    toFc2_ = findGate("to_fc2");
    toRxbuf_ = findGate("to_rxbuf");
    toPsm_ = findGate("to_psm");
    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        route(msg);
    }
}

void Fc1Controller::route(cMessage* msg)
{
    switch (msg->kind()) {
    case REQ_LINK_RESET: send(msg, toPsm_); break;
    case RESET_ALL:
    case FRAME_TX_OK:
    case REQ_FRM_FWD:
    case REQ_FRM_RX:
    case R_RDY: send(msg, toFc2_); break;
    case FC_FRAME_HEAD:
    case FC_FRAME_PAYLOAD:
    case FC_FRAME_TAIL: route_frame_part(msg); break;
    case ACK_FRM_FWD:
    case RJT_FRM_FWD:
    case COM_FRM_FWD:
    case ACK_FRM_RX:
    case COM_FRM_RX: send(msg, toRxbuf_); break;
    case PORT_READY:
        delete msg;
        send(new cMessage("LINK_UP", LINK_UP, 0), toFc2_);
        break;
    case PORT_FAIL:
        delete msg;
        send(new cMessage("TX_COLR_OFF", TX_COLR_OFF, 0), toTx_);
        send(new cMessage("LINK_DOWN", LINK_DOWN, 0), toFc2_);
        break;
    default: {
        const std::string name = msg->name();
        delete msg;
        error("ERROR: No idea know how to handle message: %s !", name.c_str());
    }
    }
}

void Fc1Controller::route_frame_part(cMessage* msg)
{
    if (msg->arrivedOn(fromFc2_)) {
        send(msg, toTx_);
    } else if (msg->kind() != FC_FRAME_HEAD && msg->arrivedOn(fromRxbuf_)) {
        send(msg, toFc2_);
    } else {
        const std::string name = msg->name();
        delete msg;
        error("---> %s came from wrong place", name.c_str());
    }
}

static const sDescrItem fc1ControllerItems[] = {{'M', "default", nullptr, 0},    {'G', "from_tx", nullptr, 'I'},
                                                {'G', "to_tx", nullptr, 'O'},    {'G', "from_fc2", nullptr, 'I'},
                                                {'G', "to_fc2", nullptr, 'O'},   {'G', "from_rxbuf", nullptr, 'I'},
                                                {'G', "to_rxbuf", nullptr, 'O'}, {'G', "from_psm", nullptr, 'I'},
                                                {'G', "to_psm", nullptr, 'O'},   {'E', nullptr, nullptr, 0}};

Define_Module_Interface(Fc1Controller, fc1ControllerItems);
Define_Module(Fc1Controller, 8192);
