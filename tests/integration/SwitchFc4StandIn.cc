#include "messages/MessageOwnership.h"
#include "tests/integration/SwitchFc4StandIn.h"

#include "fc4/SequenceEnvelope.h"
#include "fcport/PortCodes.h"
#include "fcport/SequenceFrames.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"

namespace {

const sDescrItem switchFc4Items[] = {{'M', "default", nullptr, 0},       {'G', "from_fc2", nullptr, 'I'},
                                     {'G', "to_fc2", nullptr, 'O'},       {'G', "from_fcgs", nullptr, 'I'},
                                     {'G', "to_fcgs", nullptr, 'O'},      {'G', "from_fcels", nullptr, 'I'},
                                     {'G', "to_fcels", nullptr, 'O'},     {'G', "from_swctrl", nullptr, 'I'},
                                     {'G', "to_swctrl", nullptr, 'O'},    {'E', nullptr, nullptr, 0}};

cMessage* plain(const char* name, int kind)
{
    return new cMessage(name, kind, 0);
}

} // namespace

SwitchFc4StandIn::SwitchFc4StandIn(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize), queue_("REQ_PROC_QUE")
{
}

std::vector<const SwitchFc4StandIn::Arrival*> SwitchFc4StandIn::arrivalsOfKind(int kind) const
{
    std::vector<const Arrival*> out;
    for (const Arrival& a : fromFc2)
        if (a.kind == kind)
            out.push_back(&a);
    return out;
}

void SwitchFc4StandIn::activity()
{
    layer_ = parentModule();
    port_ = layer_->parentModule();
    for (;;)
        handle(receive());
}

void SwitchFc4StandIn::record(cMessage* msg)
{
    Arrival a{simTime(), msg->kind(), 0, 0};
    if (auto* seq = dynamic_cast<FcSeqPayload*>(msg)) {
        a.type = seq->getType();
        if (auto* els = dynamic_cast<FcElsPacket*>(carried_object(seq)))
            a.code = els->getCmdCode();
        else if (auto* gs = dynamic_cast<FcGsPacket*>(carried_object(seq)))
            a.code = gs->getCmdCode();
    }
    fromFc2.push_back(a);
}

void SwitchFc4StandIn::handle(cMessage* msg)
{
    const bool fromFc2Gate = msg->arrivedOn("from_fc2");
    switch (msg->kind()) {
    case NEXT_MSG:
        delete msg;
        busy_ = false;
        serve();
        break;
    case FC_SEQ_PAYLOAD:
        if (fromFc2Gate) {
            record(msg);
            into_queue(msg);
        } else {
            send(msg, "to_fc2");
        }
        break;
    case OESB_FREE:
        // Every originator exchange of a port cabled to an N_Port belongs to
        // one of the two services; each looks for its block.
        for (long type : {long(TYPE_GS), long(TYPE_ELS)}) {
            cMessage* copy = msg->dup();
            copy->addPar("type").setLongValue(type);
            into_queue(copy);
        }
        delete msg;
        break;
    case PORT_UP:
    case PORT_DOWN:
        record(msg);
        into_queue(msg);
        break;
    case F_PORT_FOUND:
        portId_ = msg->par("portId").longValue();
        portName_ = msg->par("portName").longValue();
        nodeName_ = msg->par("nodeName").longValue();
        bbCredit_ = msg->par("newBbCredit").longValue();
        port_->par("portMode").setLongValue(F_PORT_MODE);
        layer_->par("elpDone").setBoolValue(true);
        delete msg;
        break;
    case GOT_RFF_ID:
    case GOT_GFF_ID:
    case GOT_GID_FT:
        send(msg, "to_swctrl");
        break;
    case ACC_GFF_ID:
    case RJT_GFF_ID:
    case ACC_GID_FT:
    case ISSUE_RSCN:
        if (down_)
            discard_message(msg);
        else
            into_queue(msg);
        break;
    default:
        error("switch FC-4 stand-in got %s", msg->name());
    }
}

void SwitchFc4StandIn::into_queue(cMessage* msg)
{
    queue_.insert(msg);
    serve();
}

void SwitchFc4StandIn::serve()
{
    if (busy_ || queue_.empty())
        return;
    busy_ = true;
    auto* msg = static_cast<cMessage*>(queue_.pop());
    switch (msg->kind()) {
    case FC_SEQ_PAYLOAD: {
        const unsigned type = static_cast<FcSeqPayload*>(msg)->getType();
        if (type != TYPE_ELS && type != TYPE_GS)
            error("switch FC-4 stand-in: sequence of TYPE %u", type);
        send(msg, type == TYPE_ELS ? "to_fcels" : "to_fcgs");
        break;
    }
    case OESB_FREE:
        send(msg, msg->par("type").longValue() == long(TYPE_ELS) ? "to_fcels" : "to_fcgs");
        break;
    case ISSUE_RSCN: send(msg, "to_fcels"); break;
    case ACC_GFF_ID:
    case RJT_GFF_ID:
    case ACC_GID_FT: send(msg, "to_fcgs"); break;
    case PORT_UP: port_up(msg); break;
    case PORT_DOWN:
        delete msg;
        clear_services();
        send(plain("DEV_DOWN", DEV_DOWN), "to_swctrl");
        release();
        break;
    default: error("switch FC-4 stand-in cannot serve %s", msg->name());
    }
}

void SwitchFc4StandIn::port_up(cMessage* msg)
{
    delete msg;
    cPar& elpDone = layer_->par("elpDone");
    cPar& elpLrDone = layer_->par("elpLrDone");
    if (!elpDone.boolValue()) {
        clear_services();
    } else if (!elpLrDone.boolValue()) {
        elpLrDone.setBoolValue(true);
        down_ = false;
        port_->par("currBbCnt").setLongValue(0);
        port_->par("currBbCredit").setLongValue(bbCredit_);
        port_->par("currEdTov").setLongValue(port_->par("reqEdTov").longValue());
        port_->par("currRaTov").setLongValue(port_->par("reqRaTov").longValue());
        cMessage* up = plain("F_PORT_UP", F_PORT_UP);
        up->addPar("portId").setLongValue(portId_);
        up->addPar("portName").setLongValue(portName_);
        up->addPar("nodeName").setLongValue(nodeName_);
        send(up, "to_swctrl");
    } else {
        error("ERROR: Received PORT_READY but both SW_ILS_ELP and LR already finished !");
    }
    release();
}

void SwitchFc4StandIn::clear_services()
{
    down_ = true;
    while (!queue_.empty())
        discard_message(static_cast<cMessage*>(queue_.pop()));
    layer_->par("elpDone").setBoolValue(false);
    layer_->par("elpLrDone").setBoolValue(false);
    send(plain("INIT_FCELS", INIT_FCELS), "to_fcels");
    send(plain("INIT_FCGS", INIT_FCGS), "to_fcgs");
}

void SwitchFc4StandIn::release()
{
    scheduleAt(simTime(), plain("NEXT_MSG", NEXT_MSG));
}

Define_Module_Interface(SwitchFc4StandIn, switchFc4Items);
Define_Module(SwitchFc4StandIn, 32768);
