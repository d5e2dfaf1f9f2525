#include "fcport/Fc2Controller.h"

#include <cstring>

#include "device/WarningsLog.h"
#include "fcport/FrameRecords.h"
#include "fcport/NxPortMap.h"
#include "fcport/PortCodes.h"
#include "fcport/PortSection.h"
#include "fcport/SequenceFrames.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"
#include "sim/ExactCast.h"

namespace {

cMessage* plain(const char* name, int kind)
{
    return new cMessage(name, kind, 0);
}

} // namespace

Fc2Controller::Fc2Controller(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize), localQue_("LOCAL_QUE"), remoteQue_("REMOTE_QUE"),
      rmtQueAnx_("RMT_QUE_ANX"), arbiQue_("ARBI_QUE"), txQue_("TX_QUE")
{
}

Fc2Controller::~Fc2Controller()
{
    for (cQueue* q : {&localQue_, &remoteQue_, &rmtQueAnx_, &arbiQue_, &txQue_, &server_.queue()})
        while (!q->empty())
            discard_message(static_cast<cMessage*>(q->pop()));
    for (cMessage* token : spareTokens_)
        delete token;
    release_record(locRxActive_);
}

// ---- Set-up --------------------------------------------------------------------

void Fc2Controller::initialize()
{
    root_ = find_root(this);
    fc2Layer_ = parentModule();
    port_ = fc2Layer_->parentModule();
    defConCurrSeq_ = static_cast<int>(def_con_curr_seq(this, root_));
    if (std::strcmp(port_->name(), "SwPort") == 0) {
        portRole_ = SWITCH_PORT_ROLE;
        load_swport_params();
    } else {
        portRole_ = NODE_PORT_ROLE;
        cPar& ports = root_->par("realNxPortNum");
        ports.setLongValue(ports.longValue() + 1);
        load_nport_params();
    }
    maxEePair_ = static_cast<int>(port_->par("maxEePair").longValue());
    initEePairTbl();
    setGateSize("from_eepair", maxEePair_ + 1);
    setGateSize("to_eepair", maxEePair_ + 1);
    create_pairs();
    note_pair_gates();
}

void Fc2Controller::note_pair_gates()
{
    const int first = gate("from_eepair", 0)->id();
    for (int i = 1; i <= maxEePair_; ++i)
        if (gate("from_eepair", i)->id() != first + i)
            return;
    fromPairFirstId_ = first;
    fromPairCount_ = maxEePair_ + 1;
}

void Fc2Controller::create_pairs()
{
    cModuleType* type = findModuleType("EndToEndPair");
    if (!type)
        error("Simple module type definition %s not found", "EndToEndPair");
    const int pool = maxEePair_ + 1;
    for (int i = 0; i < pool; ++i) {
        cModule* pair = type->create("EePair", fc2Layer_);
        pair->setIndex(i, pool);
        gate("to_eepair", i)->connectTo(pair->gate("from_fc2ctrl"));
        pair->gate("to_fc2ctrl")->connectTo(gate("from_eepair", i));
        for (const char* name : {"peerAddrId", "maxConCurrSeq"}) {
            pair->par(name).setLongValue(0);
            pair->par(name).setInput(false);
        }
        pair->setDisplayString("i=eepair;p=60,70,row,75;b=50,50");
        pair->buildInside();
        simulation.startCreatedModules(pair);
    }
}

void Fc2Controller::load_nport_params()
{
    read_port_section(this, port_);
}

void Fc2Controller::load_swport_params()
{
    read_port_section(this, port_);
}

void Fc2Controller::initEePairTbl()
{
    eePairTbl_.init(maxEePair_, defConCurrSeq_);
}

void Fc2Controller::start()
{
    if (portRole_ == SWITCH_PORT_ROLE) {
        cModule* sw = port_->parentModule();
        port_->par("reqRaTov") = sw->par("raTov");
        port_->par("reqEdTov") = sw->par("edTov");
    }
    txQueLen_ = &port_->addPar("txQueLen");
    txQueLen_->setLongValue(0);
    asicUtilDelta_ = &addPar("asicUtilDelta");
    asicUtilDelta_->setDoubleValue(0.0);
    currBbCredit_ = &port_->par("currBbCredit");
    currBbCnt_ = &port_->par("currBbCnt");
    txBufSize_ = &port_->par("txBufSize");
    busyStart_ = simTime();
    frmOuFlag_ = FRM_OU_IDLE;
    frmTxFlag_ = FRM_TX_IDLE;
    frmRxFlag_ = FRM_RX_IDLE;
    server_.set_busy(false);
    portDown_ = true;
    mapPending_ = true;
    WATCH(frmOuFlag_);
    WATCH(frmTxFlag_);
    WATCH(frmRxFlag_);
    addWatch("inProcFlag_", watch_text(server_.busy_flag()));

    fromFc1Id_ = gate("from_fc1")->id();
    fromFc4Id_ = gate("from_fc4")->id();
    fromSwctrlId_ = gate("from_swctrl")->id();
    toFc1Id_ = gate("to_fc1")->id();
    toFc4Id_ = gate("to_fc4")->id();
    toSwctrlId_ = gate("to_swctrl")->id();
    toEePair_ = OutputGates(this, "to_eepair");
}

void Fc2Controller::activity()
{
    start();
    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        handle(msg);
    }
}

// ---- Message routing -----------------------------------------------------------

Fc2Controller::Source Fc2Controller::source_of(const cMessage* msg) const
{
    if (msg->isSelfMessage())
        return FROM_SELF;
    const int id = msg->arrivalGateId();
    if (id == fromFc1Id_)
        return FROM_FC1;
    if (id == fromFc4Id_)
        return FROM_FC4;
    if (id == fromSwctrlId_)
        return FROM_SWCTRL;
    if (static_cast<unsigned>(id - fromPairFirstId_) < static_cast<unsigned>(fromPairCount_))
        return FROM_PAIR;
    const cGate* g = msg->arrivalGate();
    return g && g->isName("from_eepair") ? FROM_PAIR : FROM_OTHER;
}

void Fc2Controller::fail(cMessage* msg, const std::string& text)
{
    delete_message(msg);
    error("%s", text.c_str());
}

void Fc2Controller::handle(cMessage* msg)
{
    switch (msg->kind()) {
    case NEXT_MSG: end_request(msg); break;
    case REQ_LINK_RESET: send(msg, toFc1Id_); break;
    case RESET_ALL: fail(msg, "ERROR: Already outdated RESET_ALL");
    case FC_FRAME_HEAD:
    case FC_FRAME_PAYLOAD:
    case FC_FRAME_TAIL: handle_frame_part(msg, source_of(msg)); break;
    case FRAME_TX_OK:
        delete msg;
        if (portDown_)
            warnings(LogKind::WARNING, "Fc2Ctrl receive FRAME_TX_OK in PORT_DOWN mode!");
        else
            end_frame_tx();
        break;
    case REQ_FRM_FWD: handle_req_frm_fwd(msg, source_of(msg)); break;
    case ACK_FRM_FWD: send(msg, toFc1Id_); break;
    case RJT_FRM_FWD:
    case COM_FRM_FWD:
    case COM_FRM_RX:
        frmRxFlag_ = FRM_RX_IDLE;
        send(msg, toFc1Id_);
        break;
    case REQ_FRM_RX:
        if (portDown_)
            fail(msg, "ERROR: No way Fc2Ctrl can receive REQ_FRM_RX in PORT_DOWN mode!");
        proc_frame_in(msg);
        break;
    case FC_SEQ_PAYLOAD: handle_seq_payload(msg, source_of(msg)); break;
    case OESB_FREE: pass_up_or_fail(msg, "ERROR: can not receive OESB_FREE in PORT_DOWN!"); break;
    case RESB_FREE: queue_or_ignore(msg, "PORT_DOWN ignores RESB_FREE!"); break;
    case KEEP_IU_INIT:
    case PLOGI_SUCC:
    case PLOUT_SUCC: pass_up_or_fail(msg, "ERROR: No way Fc2Ctrl can receive %s in PORT_DOWN mode!"); break;
    case R_RDY:
        delete msg;
        if (portDown_)
            error("ERROR: No way Fc2Ctrl can receive R_RDY in PORT_DOWN mode!");
        proc_rrdy_recv();
        break;
    case LINK_UP:
        portDown_ = false;
        proc_port_ready(msg);
        break;
    case LINK_DOWN:
        if (portDown_)
            fail(msg, "ERROR: Already in LINK_DOWN mode!");
        into_request_queue(msg);
        break;
    case REQ_PLOUT:
        if (portDown_) {
            warnings(LogKind::WARNING, "PORT_DOWN ignores any REQ_PLOUT request!");
            delete_message(msg);
        } else {
            remove_eepair(msg);
        }
        break;
    case REQ_EEPAIR:
        if (portDown_) {
            warnings(LogKind::WARNING, "PORT_DOWN ignores any REQ_EEPAIR request!");
            delete_message(msg);
        } else {
            alloc_eepair(msg);
        }
        break;
    case ABT_SIO_REQ_ESB: queue_or_ignore(msg, "PORT_DOWN ignores ABT_SIO_REQ_ESB!"); break;
    case ABT_SIO_ACK_ESB: pass_up_or_fail(msg, "ERROR: cannot receive ABT_SIO_ACK when PORT_DOWN!"); break;
    case ABORT_EXCHANGE: queue_or_ignore(msg, "PORT_DOWN ignores ABORT_EXCHANGE!"); break;
    case ABORT_FCPIO: pass_up_or_fail(msg, "ERROR: cannot receive ABORT_FCPIO when PORT_DOWN!"); break;
    case HOLD_INIT: queue_or_ignore(msg, "PORT_DOWN ignores HOLD_INIT!"); break;
    case PLOGI_TO_RM_OESB:
    case ABTX_TO_RM_OESB: queue_or_ignore(msg, "PORT_DOWN ignores PLOGI/ABTX_TO_RM_OESB"); break;
    default: fail(msg, opp_format("ERROR: No idea know how to handle message: %s !", msg->name()));
    }
}

void Fc2Controller::handle_frame_part(cMessage* msg, Source from)
{
    if (portDown_) {
        switch (from) {
        case FROM_FC1: fail(msg, "ERROR: No way Fc2Ctrl can receive Frames in PORT_DOWN!");
        case FROM_SWCTRL:
            warnings(LogKind::WARNING, "Cannot forward Frames in PORT_DOWN!");
            delete_message(msg);
            return;
        default: fail(msg, "ERROR: No way eePair can issue Frames in PORT_DOWN!");
        }
    }
    if (from == FROM_FC1) {
        proc_frame_in(msg);
    } else if (from == FROM_SWCTRL && msg->kind() == FC_FRAME_HEAD) {
        fail(msg, "ERROR: FC_FRAME_HEAD came from wrong place!");
    } else {
        proc_frame_out(msg);
    }
}

void Fc2Controller::handle_req_frm_fwd(cMessage* msg, Source from)
{
    if (from != FROM_SWCTRL && from != FROM_FC1)
        fail(msg, "ERROR: REQ_FRM_FWD arrived from wrong gate!");
    if (!portDown_) {
        if (from == FROM_SWCTRL)
            proc_frame_out(msg);
        else
            proc_frame_in(msg);
        return;
    }
    if (from == FROM_FC1)
        fail(msg, "ERROR: No way Fc2Ctrl can receive REQ_FRM_FWD (from FC-1) in PORT_DOWN mode!");
    // The switch centre learns of the lost port only after a queued task, so
    // frames may still be handed over; they go like payloads and tails in this
    // state, and the centre's own port-down rules answer the source.
    warnings(LogKind::WARNING, "Cannot forward Frames in PORT_DOWN!");
    delete_message(msg);
}

void Fc2Controller::handle_seq_payload(cMessage* msg, Source from)
{
    switch (from) {
    case FROM_FC4:
        if (portDown_) {
            warnings(LogKind::WARNING, "PORT_DOWN ignores any FC_SEQ_PAYLOAD to be sent out!");
            delete_message(msg);
        } else {
            into_request_queue(msg);
        }
        break;
    case FROM_PAIR:
        if (portDown_) {
            warnings(LogKind::ALERT,
                     "No way EePair can send out FC_SEQ_PAYLOAD in PORT_DOWN, consider add a little delay "
                     "in release_resource(4) in EePair!");
            delete_message(msg);
        } else {
            send(msg, toFc4Id_);
        }
        break;
    default: fail(msg, "ERROR: FC_SEQ_PAYLOAD came from wrong place.");
    }
}

void Fc2Controller::queue_or_ignore(cMessage* msg, const char* downWarning)
{
    if (portDown_) {
        warnings(LogKind::WARNING, downWarning);
        delete msg;
    } else {
        into_request_queue(msg);
    }
}

void Fc2Controller::pass_up_or_fail(cMessage* msg, const char* downError)
{
    if (portDown_)
        fail(msg, opp_format(downError, msg->name()));
    send(msg, toFc4Id_);
}

// ---- Link up and down ------------------------------------------------------------

void Fc2Controller::proc_port_ready(cMessage* msg)
{
    if (std::strcmp(port_->name(), "NxPort") == 0) {
        cPar& mode = port_->par("portMode");
        if (mode.longValue() != PORT_MODE_NONE && mode.longValue() != N_PORT_MODE) {
            delete msg;
            error("ERROR: proc_port_ready N_Port expected !!!");
        }
        if (mode.longValue() == PORT_MODE_NONE)
            mode.setLongValue(N_PORT_MODE);
    }
    send(plain("PORT_UP", PORT_UP), toFc4Id_);
    delete msg;
}

void Fc2Controller::link_down(cMessage* msg)
{
    if (cPar* address = port_address())
        address->setLongValue(0);
    clear_resources();
    send(plain("PORT_DOWN", PORT_DOWN), toFc4Id_);
    delete msg;
}

void Fc2Controller::clear_resources()
{
    for (cQueue* q : {&localQue_, &remoteQue_, &rmtQueAnx_, &arbiQue_, &txQue_, &server_.queue()})
        while (!q->empty())
            delete_message(static_cast<cMessage*>(q->pop()));
    update_tx_que_len();
    if (frmRxFlag_ == FRM_RX_LOC && locRxActive_.hasCtxPtr && locRxActive_.ctxPtr)
        warnings(LogKind::WARNING, "PORT_DOWN Clearing FC2 - The receiving frame ctxPtr also deleted!");
    release_record(locRxActive_);

    frmOuFlag_ = FRM_OU_IDLE;
    frmTxFlag_ = FRM_TX_IDLE;
    frmRxFlag_ = FRM_RX_IDLE;
    server_.set_busy(false);
    portDown_ = true;

    port_->par("currRaTov").setLongValue(10000);
    port_->par("currEdTov").setLongValue(2000);
    currBbCredit_->setLongValue(1);
    currBbCnt_->setLongValue(0);
    const long speed = port_->par("maxPortSpeed").longValue();
    if (speed != 1 && speed != 2)
        error("EROOR: only support 1G or 2G port speed!");
    port_->par("currPortSpeed").setDoubleValue(port_speed_baud(speed));

    initEePairTbl();
    for (int i = 0; i <= maxEePair_; ++i)
        send(plain("INIT_EEPAIR", INIT_EEPAIR), "to_eepair", i);
}

// ---- Request queue and pair pool ---------------------------------------------------

void Fc2Controller::into_request_queue(cMessage* msg)
{
    server_.submit(msg);
}

void Fc2Controller::proc_request()
{
    if (server_.empty())
        error("---> proc_request : REQ_PROC_QUE shouldn't be empty");
    busyStart_ = simTime();
    cMessage* msg = server_.take_next();
    int pair = -1;
    switch (msg->kind()) {
    case COM_FRM_TX: {
        const LocalFrameActive& f = static_cast<LocFrmOk*>(msg)->getLocFrmActive();
        pair = f.type == TYPE_SCSI_FCP ? query_eepair(f.dId) : 0;
        break;
    }
    case REQ_RX_PROC: {
        const LocalFrameActive& f = static_cast<LocFrmOk*>(msg)->getLocFrmActive();
        adopt_address(f);
        pair = f.type == TYPE_SCSI_FCP ? query_eepair(f.sId) : 0;
        break;
    }
    case FC_SEQ_PAYLOAD: {
        auto* env = exact_cast<FcSeqPayload>(msg);
        if (!env)
            fail(msg, opp_format("ERROR: FC-2 Ctrl ReqProcQueue doesn't know how to handle message %s!", msg->name()));
        pair = env->getType() == TYPE_SCSI_FCP ? query_eepair(env->getDId()) : 0;
        break;
    }
    case PLOGI_TO_RM_OESB:
    case ABTX_TO_RM_OESB: pair = 0; break;
    case ALLOC_EEPAIR:
    case REMOVE_EEPAIR: pair = static_cast<int>(msg->par("eeIndex").longValue()); break;
    case RESB_FREE:
    case ABT_SIO_REQ_ESB:
    case HOLD_INIT: pair = query_eepair_by_eeidx(static_cast<int>(msg->par("eeIdx").longValue())); break;
    case ABORT_EXCHANGE: pair = query_eepair(static_cast<unsigned long>(msg->par("peerAddrId").longValue())); break;
    case LINK_DOWN: link_down(msg); return;
    default: fail(msg, opp_format("ERROR: FC-2 Ctrl ReqProcQueue doesn't know how to handle message %s!", msg->name()));
    }
    if (pair < 0 || pair > maxEePair_) {
        drop_request(msg);
        return;
    }
    toEePair_.send(msg, pair);
}

void Fc2Controller::drop_request(cMessage* msg)
{
    switch (msg->kind()) {
    case COM_FRM_TX: warnings(LogKind::ALERT, "COM_FRM_TX Break point ... for debugging!"); break;
    case REQ_RX_PROC:
        if (release_record(static_cast<LocFrmOk*>(msg)->getLocFrmActive()))
            warnings(LogKind::ALERT, "REQ_RX_PROC Break point ... context pointer deleted!");
        else
            warnings(LogKind::ALERT, "REQ_RX_PROC Break point ... for debugging!");
        break;
    case FC_SEQ_PAYLOAD: warnings(LogKind::ALERT, "FC_SEQ_PAYLOAD Break point ... for debugging!"); break;
    case RESB_FREE: warnings(LogKind::WARNING, "RESB_FREE detected missing EePair!"); break;
    case ABT_SIO_REQ_ESB: warnings(LogKind::WARNING, "ABT_SIO_REQ_ESB detected missing EePair!"); break;
    case ABORT_EXCHANGE: warnings(LogKind::WARNING, "ABORT_EXCHANGE detected missing EePair!"); break;
    case HOLD_INIT: warnings(LogKind::WARNING, "HOLD_INIT detected missing EePair!"); break;
    default: break;
    }
    delete_message(msg);
    release_resource();
}

void Fc2Controller::release_resource()
{
    scheduleAt(simTime(), requestEnd_.next());
}

void Fc2Controller::end_request(cMessage* msg)
{
    asicUtilDelta_->setDoubleValue(asicUtilDelta_->doubleValue() + (simTime() - busyStart_));
    busyStart_ = simTime();
    requestEnd_.done(msg);
    server_.release();
}

void Fc2Controller::adopt_address(const LocalFrameActive& f)
{
    cPar* address = portRole_ == NODE_PORT_ROLE ? port_address() : nullptr;
    if (!address || !is_nport_id(f.dId) || address->longValue() != 0)
        return;
    address->setLongValue(f.dId);
    if (mapPending_) {
        mapPending_ = false;
        write_nport_map(f.dId);
    }
}

cPar* Fc2Controller::port_address()
{
    if (!portAddress_ && port_->hasPar("addressId"))
        portAddress_ = &port_->par("addressId");
    return portAddress_;
}

void Fc2Controller::write_nport_map(unsigned long addressId)
{
    write_nx_port_map_row(this, port_, addressId);
}

int Fc2Controller::query_eepair(unsigned long peerAddrId)
{
    return eePairTbl_.query_by_peer(static_cast<std::uint32_t>(peerAddrId));
}

int Fc2Controller::query_eepair_by_eeidx(int eeIndex)
{
    return eePairTbl_.query_by_index(eeIndex);
}

void Fc2Controller::alloc_eepair(cMessage* msg)
{
    const long peer = msg->par("peerAddrId").longValue();
    const long conCurrSeq = msg->par("newC3ConCurrSeq").longValue();
    const long recTov = msg->par("newRecTov").longValue();
    end_superseded_login(static_cast<unsigned long>(peer));
    const int i =
        eePairTbl_.allocate(static_cast<std::uint32_t>(peer), static_cast<int>(conCurrSeq), static_cast<int>(recTov));
    if (i < 0)
        fail(msg, "---> alloc_eepair : couldn't allocate an EePair. Please enlarge maxEePair parameter");
    cMessage* alloc = plain("ALLOC_EEPAIR", ALLOC_EEPAIR);
    alloc->addPar("newC3ConCurrSeq").setLongValue(conCurrSeq);
    alloc->addPar("peerAddrId").setLongValue(peer);
    alloc->addPar("eeIndex").setLongValue(i);
    alloc->addPar("newRecTov").setLongValue(recTov);
    delete msg;
    into_request_queue(alloc);
}

void Fc2Controller::remove_eepair(cMessage* msg)
{
    const auto peer = static_cast<unsigned long>(msg->par("peerAddrId").longValue());
    delete msg;
    const int i = query_eepair(peer);
    if (i < 0) {
        EV << "WARNING: Couldn't remove an EePair for requested peerAddrId - " << static_cast<std::uint32_t>(peer)
           << " !\n";
        return;
    }
    release_eepair(i);
}

void Fc2Controller::release_eepair(int i)
{
    eePairTbl_.release(i);
    cMessage* remove = plain("REMOVE_EEPAIR", REMOVE_EEPAIR);
    remove->addPar("eeIndex").setLongValue(i);
    into_request_queue(remove);
}

void Fc2Controller::end_superseded_login(unsigned long peer)
{
    // A peer logged in again while its old login still stands: this port
    // never heard of the peer's logout, or a logout asked for before the old
    // login had finished found nothing to end.
    // The old pair goes first, as a logout would take it, so that the FC-4
    // layer closes the old path, and re-issues its I/O, before it opens the
    // new one.
    const int old = query_eepair(peer);
    if (old < 0)
        return;
    warnings(LogKind::WARNING, "PLOGI found the peer still logged in, its old EePair is removed first!");
    release_eepair(old);
}

// ---- Logs and disposal -------------------------------------------------------------------

void Fc2Controller::warnings(LogKind kind, const char* text)
{
    ::warnings(this, kind, text, OpenFailText::ERROR_BANG);
}

void Fc2Controller::delete_message(cMessage* msg)
{
    discard_message(msg);
}

static const sDescrItem fc2ControllerItems[] = {
    {'M', "default", nullptr, 0},       {'P', "portUp", "B", 0},         {'G', "from_eepair[]", nullptr, 'I'},
    {'G', "to_eepair[]", nullptr, 'O'}, {'G', "from_fc4", nullptr, 'I'}, {'G', "to_fc4", nullptr, 'O'},
    {'G', "from_fc1", nullptr, 'I'},    {'G', "to_fc1", nullptr, 'O'},   {'G', "from_swctrl", nullptr, 'I'},
    {'G', "to_swctrl", nullptr, 'O'},   {'E', nullptr, nullptr, 0}};

Define_Module_Interface(Fc2Controller, fc2ControllerItems);
Define_Module(Fc2Controller, 10240);
