#include "fcport/Transmitter.h"

#include <cmath>
#include <cstring>

#include "device/SettingCatalogue.h"
#include "device/WarningsLog.h"
#include "fcport/FrameParts.h"
#include "fcport/PortCodes.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RootModule.h"

namespace {

// Splits `s` at the first `mark` into what comes before, the tag that runs
// from the mark up to the next ',' or ';', and the rest.
void split_tag(const std::string& s, char mark, std::string& prefix, std::string& tag, std::string& suffix)
{
    const size_t at = s.find(mark);
    if (at == std::string::npos) {
        prefix = s;
        tag.clear();
        suffix.clear();
        return;
    }
    const size_t end = s.find_first_of(",;", at);
    prefix = s.substr(0, at);
    tag = s.substr(at, end == std::string::npos ? std::string::npos : end - at);
    suffix = end == std::string::npos ? std::string() : s.substr(end);
}

} // namespace

void Transmitter::initialize()
{
    root_ = find_root(this);
    port_ = parentModule()->parentModule();
    lightSpeed_ = root_long_setting(this, root_, "light_speed");
    if (lightSpeed_ < 290000 || lightSpeed_ > 300000)
        error("---> Wrong light_speed setup. Consider a value within [290000,300000]. Please check the file "
              "\"omnetpp.ini\"");
    link1GCost_ = root_long_setting(this, root_, "link_1G_cost");
    if (link1GCost_ <= 0)
        error("---> Wrong link_1G_cost setup. Must > 0. Please check the file \"omnetpp.ini\"");
    link2GCost_ = root_long_setting(this, root_, "link_2G_cost");
    if (link2GCost_ <= 0)
        error("---> Wrong link_2G_cost setup. Must > 0. Please check the file \"omnetpp.ini\"");
    // The test bed's cables between its sites take their delays from these.
    for (const char* distance : {"distC1C2", "distC2C3", "distC1C3"})
        if (root_->hasPar(distance))
            root_double_setting(this, root_, distance);
    sFactKm_ = root_long_setting(this, root_, "s_fact_km");
    if (sFactKm_ <= 0)
        error("---> Wrong s_fact_km setup. Must > 0km. Please check the file \"omnetpp.ini\"");
}

void Transmitter::activity()
{
    start();
    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        handle(msg);
    }
}

void Transmitter::start()
{
    isNxPort_ = std::strcmp(port_->name(), "NxPort") == 0;
    linkOut_ = gate("link_out");
    toPsm_ = findGate("to_psm");
    toFc1ctrl_ = findGate("to_fc1ctrl");
    maxPortSpeed_ = &port_->par("maxPortSpeed");
    currPortSpeed_ = &port_->par("currPortSpeed");
    sFact_ = &port_->addPar("sFact");
    txFrmDelta_ = &par("txFrmDelta");
    txPayDelta_ = &par("txPayDelta");
    totalTxKbComp_ = &par("totalTxKbComp");
    txByteCompDelta_ = &par("txByteCompDelta");

    init_lnk_str();
    rrdyQueue_.setName("R_RDY_QUE");
    bitQueue_.setName("BIT_TX_QUE");
    busy_ = false;
    frameInTx_ = headSent_ = paySent_ = tailSent_ = false;
    txStatPar_ = &addPar("txStat");
}

void Transmitter::handle(cMessage* msg)
{
    switch (msg->kind()) {
    case EV_PORT_INIT:
        delete msg;
        init_speed_nego();
        return;
    case TX_COLR_OFF:
        delete msg;
        tx_colr_off();
        return;
    case TX_COLR_ON:
        delete msg;
        tx_colr_on();
        return;
    default: break;
    }
    switch (txStat_) {
    case TX_UP: handle_up(msg); break;
    case TX_OFF: handle_off(msg); break;
    case TX_NEGOTIATING: handle_negotiating(msg); break;
    default: delete_message(msg); break;
    }
}

void Transmitter::handle_up(cMessage* msg)
{
    switch (msg->kind()) {
    case SPEED_NEGO: take_speed_nego(msg); break;
    case SPEED_NEGO_ACK:
        setup_s_fact(simTime() - msg->par("sTime").doubleValue());
        delete msg;
        break;
    case NEXT_TX_MSG:
        lineTurn_.done(msg);
        busy_ = false;
        if (!bitQueue_.empty())
            _8b10b_encoding_n_send();
        break;
    case EV_TX_OFF:
        warnings(LogKind::ALERT, "Transmitter is off!");
        clear_bittx_queue();
        if (line_connected())
            send(new cMessage("EV_RX_LOS", EV_RX_LOS, 0), linkOut_);
        send(msg, toPsm_);
        set_tx_stat(TX_OFF);
        break;
    case EV_TX_ON: delete msg; break;
    case FC_FRAME_HEAD:
    case FC_FRAME_PAYLOAD:
    case FC_FRAME_TAIL: take_frame_part(msg); break;
    case R_RDY: take_rrdy(msg); break;
    default: // primitive sequences and anything else the line carries
        queue_for_line(msg);
        break;
    }
}

void Transmitter::handle_off(cMessage* msg)
{
    switch (msg->kind()) {
    case SPEED_NEGO:
    case SPEED_NEGO_ACK:
    case EV_TX_OFF: delete msg; break;
    case NEXT_TX_MSG: end_turn_discarding(msg); break;
    case EV_TX_ON:
        tx_colr_on();
        clear_bittx_queue();
        if (line_connected())
            send(new cMessage("EV_RX_GOS", EV_RX_GOS, 0), linkOut_);
        warnings(LogKind::NOTICE, "Transmitter is powered on.");
        send(msg, toPsm_);
        break;
    default: reject(msg); break;
    }
}

void Transmitter::handle_negotiating(cMessage* msg)
{
    switch (msg->kind()) {
    case NOS:
    case OLS:
        EV << "The NOS or OLS being transmitted is for speed negotiation !\n";
        delete msg;
        break;
    case SPEED_NEGO: take_speed_nego(msg); break;
    case SPEED_NEGO_ACK:
        setup_s_fact(simTime() - msg->par("sTime").doubleValue());
        set_tx_stat(TX_UP);
        delete msg;
        break;
    case NEXT_TX_MSG: end_turn_discarding(msg); break;
    case EV_TX_OFF:
        delete msg;
        warnings(LogKind::ALERT, "transmitter off during the process of speed negotiation!!!");
        clear_bittx_queue();
        if (line_connected())
            send(new cMessage("EV_RX_LOS", EV_RX_LOS, 0), linkOut_);
        set_tx_stat(TX_OFF);
        break;
    case EV_TX_ON: delete msg; break;
    default: reject(msg); break;
    }
}

// The end of a line turn while the line is not up: whatever waits to go out
// is dropped.
void Transmitter::end_turn_discarding(cMessage* msg)
{
    lineTurn_.done(msg);
    busy_ = false;
    clear_bittx_queue();
}

void Transmitter::take_speed_nego(cMessage* msg)
{
    setup_s_fact(simTime() - msg->par("sTime").doubleValue());
    clear_bittx_queue();
    bitQueue_.insert(proc_speed_nego(msg));
    _8b10b_encoding_n_send();
}

void Transmitter::take_frame_part(cMessage* msg)
{
    const unsigned long gid = frame_gid_of(this, msg);
    const bool isHead = msg->kind() == FC_FRAME_HEAD;
    const bool ofAccepted = !isHead && accepting_ && gid == acceptGid_;
    const bool ofRefused = !isHead && refusing_ && gid == refuseGid_;
    if (ofRefused || (port_stat() != PS_AC && !ofAccepted)) {
        refuse_frame_part(msg);
        return;
    }
    if (isHead) {
        accepting_ = true;
        acceptGid_ = gid;
    } else if (msg->kind() == FC_FRAME_TAIL && ofAccepted) {
        accepting_ = false;
    }
    queue_for_line(msg);
}

void Transmitter::refuse_frame_part(cMessage* msg)
{
    const unsigned long gid = frame_gid_of(this, msg);
    const int kind = msg->kind();
    if (kind == FC_FRAME_HEAD) {
        refusing_ = true;
        refuseGid_ = gid;
        refusingInReset_ = in_link_reset(port_stat());
    }
    EV << "Port State is not AC, reject message " << msg->name() << ".\n";
    delete_message(msg);
    if (kind != FC_FRAME_TAIL || !refusing_ || gid != refuseGid_)
        return;
    refusing_ = false;
    if (refusingInReset_) {
        // FC-2 waits for the frame to leave before it sends the next one; its
        // credit comes back when the reset completes.
        EV << "Frame refused during link reset, reported as sent.\n";
        send(new cMessage("FRAME_TX_OK", FRAME_TX_OK, 0), toFc1ctrl_);
    }
}

void Transmitter::take_rrdy(cMessage* msg)
{
    if (port_stat() != PS_AC) {
        delete msg;
        return;
    }
    rrdyQueue_.insert(msg);
    if (!frameInTx_)
        proc_rrdy_send();
}

void Transmitter::queue_for_line(cMessage* msg)
{
    bitQueue_.insert(msg);
    if (!busy_)
        _8b10b_encoding_n_send();
}

void Transmitter::reject(cMessage* msg)
{
    if (txStat_ == TX_OFF) {
        EV << "Transmitter is down, reject " << msg->name() << "\n";
    } else {
        EV << "Transmitter still in the process of speed negotiation, reject " << msg->name() << "\n";
    }
    delete_message(msg);
}

bool Transmitter::line_connected() const
{
    double delay;
    return linkOut_->route(delay) != nullptr;
}

void Transmitter::set_tx_stat(int state)
{
    txStat_ = state;
    txStatPar_->setLongValue(state);
}

long Transmitter::port_stat() const
{
    if (!portStat_)
        portStat_ = &port_->par("portStat");
    return portStat_->longValue();
}

void Transmitter::add_to(cPar& par, long delta)
{
    par.setLongValue(par.longValue() + delta);
}

void Transmitter::_8b10b_encoding_n_send()
{
    if (bitQueue_.empty())
        error("ERROR: About to transmit a message but bitTxQue is empty !!!");
    busy_ = true;
    auto* msg = static_cast<cMessage*>(bitQueue_.pop());
    long bytes = msg->length();
    bool sizedByField = false;
    switch (msg->kind()) {
    case FC_FRAME_HEAD: {
        FcFrameHead* head = as_head(this, msg);
        add_to(*txFrmDelta_, 1);
        if (isNxPort_)
            head->setNetStime(simTime());
        proc_frame_head(head);
        break;
    }
    case FC_FRAME_PAYLOAD: {
        FcFramePayload* pay = as_payload(this, msg);
        proc_frame_payload(pay);
        bytes = pay->getPayLen();
        add_to(*txPayDelta_, bytes);
        sizedByField = true;
        break;
    }
    case FC_FRAME_TAIL: {
        FcFrameTail* tail = as_tail(this, msg);
        proc_frame_tail(tail);
        bytes = tail->getTailLen();
        sizedByField = true;
        break;
    }
    default: break;
    }
    const long bits = BITS_PER_BYTE_ON_LINE * bytes;
    if (!sizedByField)
        msg->setLength(bits);
    EV << "Transmitting " << msg->name() << " ... \n";
    if (line_connected()) {
        send(msg, linkOut_);
    } else {
        EV << "Couldn't make it due to module not being connected out!\n";
        delete_message(msg);
    }
    scheduleAt(simTime() + bits / currPortSpeed_->doubleValue(), lineTurn_.next());
    add_to(*txByteCompDelta_, bytes);
    totalTxKbComp_->setDoubleValue(totalTxKbComp_->doubleValue() + bytes / 1024.0);
}

void Transmitter::proc_frame_head(FcFrameHead* head)
{
    if (frameInTx_) {
        delete_message(head);
        error("ERROR: FC_FRAME_HEAD conflicting with another frame being transmitted!");
    }
    frameInTx_ = true;
    frmGid_ = head->getFrmGid();
    headSent_ = true;
    paySent_ = tailSent_ = false;
}

void Transmitter::proc_frame_payload(FcFramePayload* pay)
{
    if (!frameInTx_) {
        delete_message(pay);
        error("ERROR: FC_FRAME_PAYLOAD should follow FC_FRAME_HEAD!");
    }
    if (pay->getFrmGid() != frmGid_) {
        delete_message(pay);
        error("ERROR: FC_FRAME_PAYLOAD doesn't belong to current active frame being transmitted!");
    }
    paySent_ = true;
}

void Transmitter::proc_frame_tail(FcFrameTail* tail)
{
    if (!frameInTx_) {
        delete_message(tail);
        error("ERROR: FC_FRAME_TAIL should follow FC_FRAME_PAYLOAD!");
    }
    if (tail->getFrmGid() != frmGid_) {
        delete_message(tail);
        error("ERROR: FC_FRAME_TAIL doesn't belong to current active frame being transmitted!");
    }
    if (!headSent_ || !paySent_) {
        delete_message(tail);
        error("ERROR: Frame integrity problem encountered !");
    }
    tailSent_ = true;
    send(new cMessage("FRAME_TX_OK", FRAME_TX_OK, 0), toFc1ctrl_);
    frameInTx_ = false;
    if (!rrdyQueue_.empty())
        bitQueue_.insert(rrdyQueue_.pop());
}

void Transmitter::proc_rrdy_send()
{
    while (!rrdyQueue_.empty())
        bitQueue_.insert(rrdyQueue_.pop());
    if (!busy_ && !bitQueue_.empty())
        _8b10b_encoding_n_send();
}

void Transmitter::clear_bittx_queue()
{
    while (!bitQueue_.empty())
        delete_message(static_cast<cMessage*>(bitQueue_.pop()));
    while (!rrdyQueue_.empty())
        delete_message(static_cast<cMessage*>(rrdyQueue_.pop()));
    busy_ = false;
    frameInTx_ = headSent_ = paySent_ = tailSent_ = false;
    accepting_ = refusing_ = false;
}

void Transmitter::delete_message(cMessage* msg)
{
    discard_message(msg);
}

void Transmitter::init_speed_nego()
{
    EV << "Transmitter initiated speed negotiation !\n";
    auto* nego = new cMessage("SPEED_NEGO", SPEED_NEGO, 12);
    nego->addPar("speedReq").setLongValue(maxPortSpeed_->longValue());
    nego->addPar("master").setBoolValue(true);
    nego->addPar("sTime").setDoubleValue(simTime());
    clear_bittx_queue();
    bitQueue_.insert(nego);
    _8b10b_encoding_n_send();
    set_tx_stat(TX_NEGOTIATING);
}

cMessage* Transmitter::proc_speed_nego(cMessage* msg)
{
    EV << "Received speed negotiation request, processing speed negotiation ...\n";
    const long own = maxPortSpeed_->longValue();
    cPar& req = msg->par("speedReq");
    if (req.longValue() < own)
        currPortSpeed_->setDoubleValue(port_speed_baud(req.longValue()));
    else
        req.setLongValue(own);
    EV << "Speed negotiation is done.\n";
    cPar& master = msg->par("master");
    if (master.boolValue()) {
        master.setBoolValue(false);
        return msg;
    }
    EV << "Transmitter state is up, ready for normal operation. \n";
    set_tx_stat(TX_UP);
    send(new cMessage("EV_LINK_INIT", EV_LINK_INIT, 0), toPsm_);
    delete msg;
    auto* ack = new cMessage("SPEED_NEGO_ACK", SPEED_NEGO_ACK, 12);
    ack->addPar("sTime").setDoubleValue(simTime());
    return ack;
}

// The delay is the difference of two instants, each rounded to the clock's
// precision, so a cable whose length is a multiple of s_fact_km would fall on
// either side of it by the time it is measured at; the distance is taken to
// the nearest metre before it is truncated to whole kilometres.
void Transmitter::setup_s_fact(double seconds)
{
    const long metres = std::lround(static_cast<double>(lightSpeed_) * seconds * 1000.0);
    const long km = metres / 1000;
    sFact_->setLongValue(km / sFactKm_ + 1);
}

void Transmitter::init_lnk_str()
{
    linkDisplay_.clear();
    for (cGate* g = linkOut_; g && g->toGate(); g = g->toGate())
        setup_lnk_str(g, g->isRouteOK());
}

void Transmitter::setup_lnk_str(cGate* gate, bool routeComplete)
{
    cModule* mod = gate->ownerModule();
    const bool isOutput = gate->isOutput();
    const int index = gate->index();
    const std::string connStr = gate->displayString();
    if (connStr.empty()) {
        if (isOutput)
            error("---> %s.link_out[%d] has no display string setup", mod->fullPath().c_str(), index);
        error("---> %s.link_in[%d] has no display string setup", mod->fullPath().c_str(), index);
    }
    std::string prefix, colour, suffix;
    split_tag(connStr, 'o', prefix, colour, suffix);
    if (colour.empty()) {
        if (isOutput)
            error("---> %s.link_out[%d] display string has no color setup", mod->fullPath().c_str(), index);
        error("---> %s.link_in[%d] display string has no color setup", mod->fullPath().c_str(), index);
    }
    cPar& active = mod->addPar("actvLinkNum");
    active.setLongValue(active.hasValue() ? active.longValue() + 1 : 1);
    if (static_cast<int>(linkDisplay_.size()) >= MAX_CTR_LEVEL)
        error("---> setup_lnk_str : MAX_CTR_LEVEL overflow");

    LinkDisplayEntry e;
    e.module = mod;
    e.gate = gate;
    e.isOutput = isOutput;
    e.gateIndex = index;
    if (colour == "o=#ffffff" && routeComplete) {
        e.onStr = prefix + "o=#000000" + suffix;
        gate->setDisplayString(e.onStr.c_str());
    } else {
        e.onStr = connStr;
    }
    e.offStr = prefix + "o=#c0c0c0" + suffix;
    if (mod->hasPar("pfType")) {
        const std::string modStr = mod->displayString();
        if (modStr.empty())
            error("---> %s has no display string setup", mod->fullPath().c_str());
        std::string iconPrefix, icon, iconSuffix;
        split_tag(modStr, 'i', iconPrefix, icon, iconSuffix);
        if (icon.empty())
            error("---> %s display string has no icon setup", mod->fullPath().c_str());
        e.pfOnStr = modStr;
        e.pfOffStr = iconPrefix + icon + "_off" + iconSuffix;
    }
    linkDisplay_.push_back(std::move(e));
}

void Transmitter::tx_colr_off()
{
    for (LinkDisplayEntry& e : linkDisplay_) {
        e.gate->setDisplayString(e.offStr.c_str());
        cPar& active = e.module->par("actvLinkNum");
        const long left = active.longValue() - 1;
        if (left < 0)
            error("---> tx_colr_off : actvLinkNum minus value");
        active.setLongValue(left);
        if (left == 0 && e.module->hasPar("pfType")) {
            e.module->addPar("pfDown").setBoolValue(true);
            if (e.pfOffStr.empty())
                error("---> tx_colr_off : missing pfOffStr");
            e.module->setDisplayString(e.pfOffStr.c_str());
        }
    }
}

void Transmitter::tx_colr_on()
{
    for (LinkDisplayEntry& e : linkDisplay_) {
        e.gate->setDisplayString(e.onStr.c_str());
        cPar& active = e.module->par("actvLinkNum");
        if (active.longValue() == 0 && e.module->hasPar("pfType")) {
            if (!e.module->hasPar("pfDown"))
                error("---> tx_colr_on : missing pfDown");
            if (!e.module->par("pfDown").boolValue())
                error("---> tx_colr_on : wrong pfDown");
            if (e.pfOnStr.empty())
                error("---> tx_colr_on : missing pfOnStr");
            e.module->par("pfDown").setBoolValue(false);
            e.module->setDisplayString(e.pfOnStr.c_str());
        }
        active.setLongValue(active.longValue() + 1);
    }
}

void Transmitter::warnings(LogKind kind, const char* text)
{
    ::warnings(this, kind, text, OpenFailText::ERROR_BANG);
}

static const sDescrItem transmitterItems[] = {
    {'M', "default", nullptr, 0},        {'P', "txFrmDelta", "LDXFT", 0},      {'P', "txPayDelta", "LDXFT", 0},
    {'P', "totalTxKbComp", "LDXFT", 0},  {'P', "txByteCompDelta", "LDXFT", 0}, {'G', "from_fc1ctrl", nullptr, 'I'},
    {'G', "to_fc1ctrl", nullptr, 'O'},   {'G', "from_psm", nullptr, 'I'},      {'G', "to_psm", nullptr, 'O'},
    {'G', "from_txevgen", nullptr, 'I'}, {'G', "link_out", nullptr, 'O'},      {'E', nullptr, nullptr, 0}};

Define_Module_Interface(Transmitter, transmitterItems);
Define_Module(Transmitter, 10240);
