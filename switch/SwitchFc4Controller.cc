#include "switch/SwitchFc4Controller.h"

#include "device/SettingCatalogue.h"
#include "device/WarningsLog.h"
#include "fcport/PortCodes.h"
#include "fcport/SequenceFrames.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RootModule.h"
#include "switch/SwitchCodes.h"

namespace {

const sDescrItem switchFc4ControllerItems[] = {
    {'M', "default", nullptr, 0},       {'G', "from_fc2", nullptr, 'I'},   {'G', "to_fc2", nullptr, 'O'},
    {'G', "from_fcgs", nullptr, 'I'},   {'G', "to_fcgs", nullptr, 'O'},    {'G', "from_fcels", nullptr, 'I'},
    {'G', "to_fcels", nullptr, 'O'},    {'G', "from_swils", nullptr, 'I'}, {'G', "to_swils", nullptr, 'O'},
    {'G', "from_swctrl", nullptr, 'I'}, {'G', "to_swctrl", nullptr, 'O'},  {'E', nullptr, nullptr, 0}};

// The TYPE of the service each OESB_FREE duplicate goes to, in the order
// they are queued.
constexpr long oesbFreeTypes[] = {TYPE_SW_ILS, TYPE_GS, TYPE_ELS};

std::uint32_t long_par(cMessage* msg, const char* name)
{
    return static_cast<std::uint32_t>(msg->par(name).longValue());
}

} // namespace

SwitchFc4Controller::SwitchFc4Controller(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize)
{
}

SwitchFc4Controller::~SwitchFc4Controller()
{
    empty_into(server_.queue(), *this);
    empty_into(heldQue_, *this);
}

void SwitchFc4Controller::empty_into(cQueue& queue, SwitchFc4Controller& owner)
{
    while (!queue.empty())
        owner.delete_message(static_cast<cMessage*>(queue.pop()));
}

void SwitchFc4Controller::activity()
{
    start();
    for (;;)
        handle(receive());
}

void SwitchFc4Controller::start()
{
    root_ = find_root(this);
    defConCurrSeq_ = root_long_setting(this, root_, "defConCurrSeq");
    if (defConCurrSeq_ < 1 || defConCurrSeq_ > 255)
        error("---> defConCurrSeq must be within [1,255]. Please check the file \"omnetpp.ini\"");
    server_.set_busy(false);
    devDown_ = true;
    asicUtilDelta_ = &addPar("asicUtilDelta");
    asicUtilDelta_->setDoubleValue(0.0);
    startTime_ = simTime();

    layer_ = parentModule();
    port_ = layer_->parentModule();
    elpDone_ = &layer_->par("elpDone");
    elpLrDone_ = &layer_->par("elpLrDone");
    portMode_ = &port_->par("portMode");
    const char* services[] = {"FcGs", "FcEls", "SwIls"};
    for (int i = 0; i < 3; ++i)
        openCount_[i] = &layer_->submodule(services[i])->par("currConCurrIu");

    fromFc2_ = gate("from_fc2");
    fromSwctrl_ = gate("from_swctrl");
    fromSwils_ = gate("from_swils");
    toFc2_ = gate("to_fc2");
    toFcgs_ = gate("to_fcgs");
    toFcels_ = gate("to_fcels");
    toSwils_ = gate("to_swils");
    toSwctrl_ = gate("to_swctrl");
}

cMessage* SwitchFc4Controller::plain(const char* name, int kind) const
{
    return new cMessage(name, kind, 0);
}

long SwitchFc4Controller::open_exchanges() const
{
    return openCount_[0]->longValue() + openCount_[1]->longValue() + openCount_[2]->longValue();
}

void SwitchFc4Controller::handle(cMessage* msg)
{
    EV << fullPath() << " --> " << msg->name() << "\n";
    switch (msg->kind()) {
    case NEXT_MSG: end_of_request(msg); break;
    case FC_SEQ_PAYLOAD:
        if (gate(msg->arrivalGateId()) == fromFc2_)
            seq_from_fc2(msg);
        else
            seq_from_service(msg);
        break;
    case OESB_FREE: oesb_free(msg); break;
    case swils::FSPF_PACKET: fspf_packet(msg); break;
    case PORT_UP: queue(msg); break;
    case PORT_DOWN: port_down(msg); break;
    case DEV_UP: port_up(msg); break;
    case E_PORT_FOUND: elp_outcome(msg); break;
    case F_PORT_FOUND: fabric_login(msg); break;
    case GOT_RFF_ID:
    case GOT_GFF_ID:
    case GOT_GID_FT:
    case GOT_SW_RSCN:
    case RECV_PID_LIST: service_result(msg); break;
    case REQ_GFF_ID:
    case ACC_GFF_ID:
    case RJT_GFF_ID:
    case REQ_GID_FT:
    case ACC_GID_FT:
    case ISSUE_RSCN:
    case ISSUE_SW_RSCN: centre_request(msg); break;
    case REQ_ILS_ELP: queue(msg); break;
    default: error("ERROR: No idea know how to handle message: %s !", msg->name());
    }
}

void SwitchFc4Controller::queue(cMessage* msg)
{
    server_.submit(msg);
}

void SwitchFc4Controller::end_of_request(cMessage* msg)
{
    const simtime_t now = simTime();
    asicUtilDelta_->setDoubleValue(asicUtilDelta_->doubleValue() + (now - startTime_));
    startTime_ = now;
    delete msg;
    server_.release();
}

void SwitchFc4Controller::seq_from_fc2(cMessage* msg)
{
    if (devDown_ && elpDone_->boolValue())
        error("ERROR: Can not receive FC_SEQ_PAYLOAD from FC-2 when device is down!");
    queue(msg);
}

void SwitchFc4Controller::seq_from_service(cMessage* msg)
{
    if (devDown_ && elpDone_->boolValue())
        error("ERROR: Can not handle FC_SEQ_PAYLOAD from FC-4 modules when DEV_DOWN!");
    send(msg, toFc2_);
}

void SwitchFc4Controller::oesb_free(cMessage* msg)
{
    if (msg->par("eeIndex").longValue() != 0)
        error("---> OESB_FREE found invalid eeIndex");
    for (long type : oesbFreeTypes) {
        cMessage* copy = msg->dup();
        copy->addPar("type").setLongValue(type);
        queue(copy);
    }
    delete msg;
}

void SwitchFc4Controller::fspf_packet(cMessage* msg)
{
    if (gate(msg->arrivalGateId()) == fromSwctrl_) {
        if (devDown_) {
            warnings(LogKind::WARNING, "DEV_DOWN ignores PSPF_PACKET from SwCtrl Centre!");
            delete_message(msg);
            return;
        }
        queue(msg);
    } else if (gate(msg->arrivalGateId()) == fromSwils_) {
        if (devDown_)
            error("ERROR: Can not handle PSPF_PACKET from Sw_ILS when DEV_DOWN!");
        send(msg, toSwctrl_);
    } else {
        error("ERROR: FSPF_PACKET came from wrong place!");
    }
}

void SwitchFc4Controller::port_down(cMessage* msg)
{
    if (devDown_) {
        warnings(LogKind::ALERT, "Already in DEV_DOWN mode!");
        // Whatever was agreed on the way up was agreed on the lost link: the
        // next PORT_UP starts the bring-up again with a fresh ELP.
        elpDone_->setBoolValue(false);
        elpLrDone_->setBoolValue(false);
        delete_message(msg);
        return;
    }
    queue(msg);
}

void SwitchFc4Controller::service_result(cMessage* msg)
{
    if (devDown_)
        error("ERROR: %s can not be received when link is down!", msg->name());
    send(msg, toSwctrl_);
}

void SwitchFc4Controller::centre_request(cMessage* msg)
{
    if (devDown_) {
        warnings(LogKind::WARNING, ("DEV_DOWN ignores " + std::string(msg->name()) + " from SwCtrl Centre!").c_str());
        delete_message(msg);
        return;
    }
    queue(msg);
}

// ---- One request at a time ------------------------------------------------------

void SwitchFc4Controller::proc_request()
{
    if (server_.empty() && heldQue_.empty())
        error("ERROR: FC4 Request_Processing Queue shouldn't be empty!");
    server_.set_busy(true);
    startTime_ = simTime();
    cMessage* msg = nullptr;
    if (!heldQue_.empty() && open_exchanges() < defConCurrSeq_)
        msg = static_cast<cMessage*>(heldQue_.pop());
    else if (!server_.empty())
        msg = server_.take_next();
    if (!msg) {
        // Held requests wait for the NEXT_MSG that closes an exchange.
        server_.set_busy(false);
        return;
    }
    requestName_ = msg->name();
    dispatch(msg);
}

// A request handed to a service keeps the controller busy until the
// service's NEXT_MSG.
void SwitchFc4Controller::dispatch(cMessage* msg)
{
    switch (msg->kind()) {
    case FC_SEQ_PAYLOAD: proc_recv_seq(msg); break;
    case OESB_FREE: dispatch_oesb_free(msg); break;
    case ACC_GFF_ID:
    case RJT_GFF_ID:
    case ACC_GID_FT: send(msg, toFcgs_); break;
    case swils::FSPF_PACKET:
    case REQ_GFF_ID:
    case REQ_GID_FT:
    case ISSUE_RSCN:
    case ISSUE_SW_RSCN:
    case REQ_ILS_ELP: open_exchange(msg); break;
    case PORT_UP: proc_port_up(msg); break;
    case PORT_DOWN: proc_port_down(msg); break;
    default: error("ERROR: Switch FC-4 Ctrl ReqProcQueue doesn't know how to handle message %s !", msg->name());
    }
}

void SwitchFc4Controller::dispatch_oesb_free(cMessage* msg)
{
    switch (msg->par("type").longValue() & 0xFF) {
    case TYPE_ELS: send(msg, toFcels_); break;
    case TYPE_GS: send(msg, toFcgs_); break;
    case TYPE_SW_ILS: send(msg, toSwils_); break;
    default: error("---> OESB_FREE found no destination");
    }
}

void SwitchFc4Controller::open_exchange(cMessage* msg)
{
    if (open_exchanges() >= defConCurrSeq_) {
        heldQue_.insert(msg);
        release_resource();
        return;
    }
    switch (msg->kind()) {
    case REQ_GFF_ID:
    case REQ_GID_FT: send(msg, toFcgs_); break;
    case ISSUE_RSCN: send(msg, toFcels_); break;
    default: send(msg, toSwils_); break;
    }
}

void SwitchFc4Controller::proc_recv_seq(cMessage* msg)
{
    const unsigned type = static_cast<FcSeqPayload*>(msg)->getType();
    switch (type) {
    case TYPE_ELS: send(msg, toFcels_); break;
    case TYPE_GS: send(msg, toFcgs_); break;
    case TYPE_SW_ILS: send(msg, toSwils_); break;
    default: error("ERROR: proc_recv_seq Unknown TYPE field - %d !", static_cast<int>(type));
    }
}

void SwitchFc4Controller::proc_port_up(cMessage* msg)
{
    const bool elpDone = elpDone_->boolValue();
    if (elpDone && elpLrDone_->boolValue())
        error("ERROR: Received PORT_READY but both SW_ILS_ELP and LR already finished !");
    if (!elpDone) {
        clear_fc4_resource();
        scheduleAt(simTime() + swils::ELP_REQUEST_DELAY, plain("REQ_ILS_ELP", REQ_ILS_ELP));
        release_resource();
    } else {
        elpLrDone_->setBoolValue(true);
        scheduleAt(simTime(), plain("DEV_UP", DEV_UP));
    }
    delete msg;
}

void SwitchFc4Controller::proc_port_down(cMessage* msg)
{
    clear_fc4_resource();
    send(plain("DEV_DOWN", DEV_DOWN), toSwctrl_);
    release_resource();
    delete msg;
}

void SwitchFc4Controller::clear_fc4_resource()
{
    devDown_ = true;
    server_.set_busy(false);
    empty_into(server_.queue(), *this);
    empty_into(heldQue_, *this);
    elpDone_->setBoolValue(false);
    elpLrDone_->setBoolValue(false);
    send(plain("INIT_FCELS", INIT_FCELS), toFcels_);
    send(plain("INIT_FCGS", INIT_FCGS), toFcgs_);
    send(plain("INIT_SWILS", INIT_SWILS), toSwils_);
}

void SwitchFc4Controller::release_resource()
{
    schedule_next_msg(this);
}

void SwitchFc4Controller::delete_message(cMessage* msg)
{
    discard_message(msg);
}

void SwitchFc4Controller::warnings(LogKind kind, const char* text)
{
    ::warnings(this, kind, text, OpenFailText::ERROR_BANG);
}

// ---- Bring-up ---------------------------------------------------------------------

void SwitchFc4Controller::fabric_login(cMessage* msg)
{
    newBbCredit_ = long_par(msg, "newBbCredit");
    portId_ = long_par(msg, "portId");
    nodeName_ = long_par(msg, "nodeName");
    portName_ = long_par(msg, "portName");
    delete msg;
    portMode_->setLongValue(F_PORT_MODE);
    elpDone_->setBoolValue(true);
}

void SwitchFc4Controller::elp_outcome(cMessage* msg)
{
    newEdTov_ = long_par(msg, "newEdTov");
    newRaTov_ = long_par(msg, "newRaTov");
    newBbCredit_ = long_par(msg, "newBbCredit");
    newConCurrSeq_ = long_par(msg, "newConCurrSeq");
    if (msg->par("reqLr").boolValue())
        sendDelayed(plain("REQ_LINK_RESET", REQ_LINK_RESET), swils::LINK_RESET_DELAY, toFc2_);
    delete msg;
    portMode_->setLongValue(E_PORT_MODE);
    elpDone_->setBoolValue(true);
}

void SwitchFc4Controller::port_up(cMessage* msg)
{
    delete msg;
    devDown_ = false;
    switch (portMode_->longValue()) {
    case E_PORT_MODE: e_port_up(); break;
    case F_PORT_MODE: f_port_up(); break;
    default: break;
    }
    release_resource();
}

void SwitchFc4Controller::e_port_up()
{
    EV << "Found a new ILS link up. \n";
    port_->par("currBbCnt").setLongValue(0);
    port_->par("currEdTov").setLongValue(newEdTov_);
    port_->par("currRaTov").setLongValue(newRaTov_);
    port_->par("currBbCredit").setLongValue(newBbCredit_);
    send(plain("E_PORT_UP", E_PORT_UP), toSwctrl_);
}

void SwitchFc4Controller::f_port_up()
{
    EV << "Found a new F_PORT ink up. \n";
    port_->par("currBbCnt").setLongValue(0);
    port_->par("currBbCredit").setLongValue(newBbCredit_);
    port_->par("currEdTov").setLongValue(port_->par("reqEdTov").longValue());
    port_->par("currRaTov").setLongValue(port_->par("reqRaTov").longValue());
    cMessage* up = plain("F_PORT_UP", F_PORT_UP);
    up->addPar("portId").setLongValue(portId_);
    up->addPar("portName").setLongValue(portName_);
    up->addPar("nodeName").setLongValue(nodeName_);
    send(up, toSwctrl_);
}

Define_Module_Interface(SwitchFc4Controller, switchFc4ControllerItems);
Define_Module(SwitchFc4Controller, 8192);
