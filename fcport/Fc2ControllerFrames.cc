// The frame paths of the FC-2 controller: outbound frames from the queues to
// the transmitter under buffer-to-buffer credit, and inbound frames from the
// receive buffer to the pairs or the switch centre.

#include "fcport/Fc2Controller.h"
#include "fcport/FrameRecords.h"
#include "fcport/PortCodes.h"
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

// ---- Outbound frames -------------------------------------------------------------------

// The part as its class; a message of a frame kind that is not is refused
// with `text`.
template <class Part>
Part* Fc2Controller::part_of(cMessage* msg, const char* text)
{
    if (auto* part = exact_cast<Part>(msg))
        return part;
    refuse(msg, text);
}

void Fc2Controller::refuse(cMessage* msg, const char* text)
{
    fail(msg, opp_format(text, msg->name()));
}

void Fc2Controller::proc_frame_out(cMessage* msg)
{
    static const char* const refused = "ERROR: Fatal error - proc_frame_out can not handle %s !";
    int flag = LOCAL_FRAME;
    unsigned long gid = 0;
    switch (msg->kind()) {
    case FC_FRAME_HEAD: {
        auto* head = part_of<FcFrameHead>(msg, refused);
        flag = head->getFrameFlag();
        gid = head->getFrmGid();
        if (flag != LOCAL_FRAME)
            fail(msg, "ERROR: proc_frame_out FC_FRAME_HEAD must be LOCAL_FRAME!");
        break;
    }
    case FC_FRAME_PAYLOAD: {
        auto* payload = part_of<FcFramePayload>(msg, refused);
        flag = payload->getFrameFlag();
        gid = payload->getFrmGid();
        break;
    }
    case FC_FRAME_TAIL: {
        auto* tail = part_of<FcFrameTail>(msg, refused);
        flag = tail->getFrameFlag();
        gid = tail->getFrmGid();
        break;
    }
    case REQ_FRM_FWD:
        // Its frmGid is checked against the head's when the head goes out.
        flag = static_cast<int>(msg->par("frmFlag").longValue());
        if (flag != REMOTE_FRAME)
            fail(msg, "ERROR: proc_frame_out REQ_FRM_FWD must be REMOTE_FRAME!");
        break;
    default: refuse(msg, refused);
    }
    if (flag != LOCAL_FRAME && flag != REMOTE_FRAME)
        fail(msg, "ERROR: proc_frame_out request either Local or Remote frame.");

    const int kind = msg->kind();
    if (flag == LOCAL_FRAME)
        localQue_.insert(msg);
    else if (kind == REQ_FRM_FWD)
        remoteQue_.insert(msg);
    else
        rmtQueAnx_.insert(msg);

    if (kind == FC_FRAME_HEAD || kind == REQ_FRM_FWD) {
        arbiQue_.insert(queue_out_token(flag == LOCAL_FRAME ? FRM_OU_LOC : FRM_OU_RMT));
        if (frmOuFlag_ == FRM_OU_IDLE)
            proc_arbi_que();
    } else if (gid == outboundGid_ && frmOuFlag_ != FRM_OU_IDLE) {
        if (kind == FC_FRAME_PAYLOAD)
            proc_pay_out();
        else
            proc_tail_out();
    }
}

cMessage* Fc2Controller::queue_out_token(int frmOuFlag)
{
    cMessage* token;
    if (spareTokens_.empty()) {
        token = plain("REQ_QUE_OUT", REQ_QUE_OUT);
        token->addPar("frmOuFlag");
    } else {
        token = spareTokens_.back();
        spareTokens_.pop_back();
    }
    token->par(0).setLongValue(frmOuFlag);
    return token;
}

void Fc2Controller::proc_arbi_que()
{
    if (frmOuFlag_ != FRM_OU_IDLE)
        error("ERROR: proc_arbi_que expected FRM_OU_IDLE before processing ArbiQue!");
    if (txQue_.length() / 3 > txBufSize_->longValue())
        return; // the transmit buffers are full; the next sent tail tries again
    auto* token = static_cast<cMessage*>(arbiQue_.pop());
    if (!token)
        error("ERROR: arbiQue expected a FC_FRAME_HEAD.");
    frmOuFlag_ = static_cast<int>(token->par(0).longValue());
    spareTokens_.push_back(token);
    proc_head_out();
}

void Fc2Controller::proc_head_out()
{
    cMessage* head = nullptr;
    cMessage* coat = nullptr;
    if (frmOuFlag_ == FRM_OU_LOC) {
        if (localQue_.empty())
            error("ERROR: proc_head_out locQue expected a FC_FRAME_HEAD.");
        head = static_cast<cMessage*>(localQue_.pop());
    } else if (frmOuFlag_ == FRM_OU_RMT) {
        if (remoteQue_.empty())
            error("ERROR: proc_head_out rmtQue expected a REQ_FRM_FWD.");
        coat = static_cast<cMessage*>(remoteQue_.pop());
        if (!coat->encapsulatedMsg())
            fail(coat, "ERROR: proc_head_out REQ_FRM_FWD expected encapsulated message!");
        auto* inner = exact_cast<FcFrameHead>(coat->encapsulatedMsg());
        if (inner && inner->getFrmGid() != static_cast<unsigned long>(coat->par("frmGid").longValue()))
            fail(coat, "ERROR: proc_head_out inconsistent FrmGid found in REQ_FRM_FWD!");
        head = coat->decapsulate();
    } else {
        error("ERROR: proc_head_out expected FRM_OU_LOC or FRM_OU_RMT.");
    }
    if (head->kind() != FC_FRAME_HEAD) {
        if (coat)
            delete coat;
        fail(head, "ERROR: proc_head_out requested FC_FRAME_HEAD was not found!");
    }
    outboundGid_ = static_cast<FcFrameHead*>(head)->getFrmGid();
    txQue_.insert(head);
    update_tx_que_len();
    ini_frame_tx();
    if (coat) {
        cMessage* ack = plain("ACK_FRM_FWD", ACK_FRM_FWD);
        ack->addPar("srcPort").setLongValue(coat->par("srcPort").longValue());
        ack->addPar("destPort").setLongValue(port_->index());
        ack->addPar("frmGid").setLongValue(static_cast<long>(outboundGid_));
        send(ack, toSwctrlId_);
        delete coat;
    }
    const cQueue& source = frmOuFlag_ == FRM_OU_LOC ? localQue_ : rmtQueAnx_;
    if (!source.empty())
        proc_pay_out();
}

void Fc2Controller::proc_pay_out()
{
    cQueue* source;
    if (frmOuFlag_ == FRM_OU_LOC) {
        source = &localQue_;
        if (source->empty())
            error("ERROR: proc_pay_out locQue expected a FC_FRAME_PAYLOAD.");
    } else if (frmOuFlag_ == FRM_OU_RMT) {
        source = &rmtQueAnx_;
        if (source->empty())
            error("ERROR: proc_pay_out rmtQueAnx expected a FC_FRAME_PAYLOAD.");
    } else {
        error("ERROR: proc_pay_out expected FRM_OU_LOC or FRM_OU_RMT.");
    }
    auto* msg = static_cast<cMessage*>(source->pop());
    if (msg->kind() != FC_FRAME_PAYLOAD)
        fail(msg, "ERROR: proc_pay_out requested FC_FRAME_PAYLOAD was not found!");
    if (static_cast<FcFramePayload*>(msg)->getFrmGid() != outboundGid_)
        fail(msg, "ERROR: proc_pay_out Frame Payload being popped out inconsistent with Frame Head.");
    txQue_.insert(msg);
    update_tx_que_len();
    if (outbound_frame_on_the_wire())
        send_frame_pay();
    if (!source->empty())
        proc_tail_out();
}

void Fc2Controller::proc_tail_out()
{
    cQueue* source;
    if (frmOuFlag_ == FRM_OU_LOC) {
        source = &localQue_;
        if (source->empty())
            error("ERROR: proc_tail_out locQue expected a FC_FRAME_TAIL.");
    } else if (frmOuFlag_ == FRM_OU_RMT) {
        source = &rmtQueAnx_;
        if (source->empty())
            error("ERROR: proc_tail_out rmtQueAnx expected a FC_FRAME_TAIL.");
    } else {
        error("ERROR: proc_tail_out expected FRM_OU_LOC or FRM_OU_RMT.");
    }
    auto* msg = static_cast<cMessage*>(source->pop());
    if (msg->kind() != FC_FRAME_TAIL)
        fail(msg, "ERROR: proc_tail_out requested FC_FRAME_TAIL was not found!");
    if (static_cast<FcFrameTail*>(msg)->getFrmGid() != outboundGid_)
        fail(msg, "ERROR: proc_tail_out Frame Tail being popped out inconsistent with Frame Head.");
    txQue_.insert(msg);
    if (frmOuFlag_ == FRM_OU_RMT) {
        if (!to_swctrl_routed())
            error("ERROR: proc_tail_out COM_FRM_FWD expected gate to_swctrl.");
        cMessage* com = plain("COM_FRM_FWD", COM_FRM_FWD);
        com->addPar("frmGid").setLongValue(static_cast<long>(outboundGid_));
        send(com, toSwctrlId_);
    }
    update_tx_que_len();
    if (outbound_frame_on_the_wire())
        send_frame_tail();
    frmOuFlag_ = FRM_OU_IDLE;
    if (!arbiQue_.empty())
        proc_arbi_que();
}

// The frame being queued is on the wire once its head has left the transmit
// queue, and then the part just queued is all that waits there. A frame that
// comes back through this port while the routes settle carries the frmGid of
// its earlier pass, which may still be on the wire: the frmGid alone cannot
// tell the two apart.
bool Fc2Controller::outbound_frame_on_the_wire() const
{
    return frmTxFlag_ != FRM_TX_IDLE && transmittingGid_ == outboundGid_ && txQue_.length() == 1;
}

bool Fc2Controller::to_swctrl_routed() const
{
    // A path the kernel has already found ends at a simple module; only
    // without one is it walked again.
    double delay;
    const cGate* out = gate(toSwctrlId_);
    return out->route(delay) || out->isRouteOK();
}

// ---- Transmission under credit -------------------------------------------------------

void Fc2Controller::ini_frame_tx()
{
    if (frmTxFlag_ != FRM_TX_IDLE || txQue_.empty() || currBbCnt_->longValue() >= currBbCredit_->longValue())
        return;
    currBbCnt_->setLongValue(currBbCnt_->longValue() + 1);
    EV << "Sending out a frame, cost a BB_Credit.\n";
    send_frame_head();
}

void Fc2Controller::send_frame_head()
{
    if (frmTxFlag_ != FRM_TX_IDLE)
        error("ERROR: send_frame_head expected FRM_TX_IDLE.");
    if (txQue_.empty())
        error("ERROR: send_frame_head txQue expected a FC_FRAME_HEAD.");
    auto* msg = static_cast<cMessage*>(txQue_.pop());
    update_tx_que_len();
    if (msg->kind() != FC_FRAME_HEAD)
        fail(msg, "ERROR: send_frame_head requested FC_FRAME_HEAD was not found!");
    auto* head = static_cast<FcFrameHead*>(msg);
    if (head->getFrameFlag() == LOCAL_FRAME) {
        frmTxFlag_ = FRM_TX_LOC;
        setup_loctx_active(head);
    } else {
        frmTxFlag_ = FRM_TX_RMT;
    }
    transmittingGid_ = head->getFrmGid();
    send_frame_part(head);
    if (!txQue_.empty())
        send_frame_pay();
}

void Fc2Controller::send_frame_pay()
{
    if (frmTxFlag_ != FRM_TX_LOC && frmTxFlag_ != FRM_TX_RMT)
        error("ERROR: send_frame_pay expected FRM_TX_LOC or FRM_TX_RMT.");
    if (txQue_.empty())
        error("ERROR: send_frame_pay txQue expected a FC_FRAME_PAYLOAD.");
    auto* msg = static_cast<cMessage*>(txQue_.pop());
    update_tx_que_len();
    if (msg->kind() != FC_FRAME_PAYLOAD)
        fail(msg, "ERROR: send_frame_pay requested FC_FRAME_PAYLOAD was not found!");
    auto* payload = static_cast<FcFramePayload*>(msg);
    if (payload->getFrmGid() != transmittingGid_)
        fail(msg, "ERROR: send_frame_pay Frame Payload being sent inconsistent with Frame Head.");
    if (frmTxFlag_ == FRM_TX_LOC)
        locTxActive_.payLen = payload->getPayLen();
    send_frame_part(payload);
    if (!txQue_.empty())
        send_frame_tail();
}

void Fc2Controller::send_frame_tail()
{
    if (frmTxFlag_ != FRM_TX_LOC && frmTxFlag_ != FRM_TX_RMT)
        error("ERROR: send_frame_tail expected FRM_TX_LOC or FRM_TX_RMT.");
    if (txQue_.empty())
        error("ERROR: send_frame_tail txQue expected a FC_FRAME_TAIL.");
    auto* msg = static_cast<cMessage*>(txQue_.pop());
    update_tx_que_len();
    if (msg->kind() != FC_FRAME_TAIL)
        fail(msg, "ERROR: send_frame_tail requested FC_FRAME_TAIL was not found!");
    auto* tail = static_cast<FcFrameTail*>(msg);
    if (tail->getFrmGid() != transmittingGid_)
        fail(msg, "ERROR: send_frame_tail Frame Tail being sent inconsistent with Frame Head.");
    if (frmTxFlag_ == FRM_TX_LOC)
        locTxActive_.eof = tail->getEof();
    send_frame_part(tail);
    if (!arbiQue_.empty() && frmOuFlag_ == FRM_OU_IDLE)
        proc_arbi_que();
}

void Fc2Controller::end_frame_tx()
{
    if (frmTxFlag_ == FRM_TX_IDLE)
        error("ERROR: Expected FRM_TX_LOC or FRM_TX_RMT before finally ending frame tx.");
    if (frmTxFlag_ == FRM_TX_LOC) {
        auto* done = new LocFrmOk("COM_FRM_TX", 0);
        done->setKind(COM_FRM_TX);
        done->setLength(0);
        done->setLocFrmActive(locTxActive_);
        into_request_queue(done);
    }
    frmTxFlag_ = FRM_TX_IDLE;
    ini_frame_tx();
}

void Fc2Controller::proc_rrdy_recv()
{
    EV << "Received R_RDY, get a free BB_Credit.\n";
    currBbCnt_->setLongValue(currBbCnt_->longValue() - 1);
    if (currBbCnt_->longValue() < 0)
        error("ERROR: Found BB_Cnt < 0");
    ini_frame_tx();
}

void Fc2Controller::setup_loctx_active(FcFrameHead* head)
{
    locTxActive_ = LocalFrameActive{};
    fill_record_from_head(locTxActive_, *head);
}

// ---- Inbound frames --------------------------------------------------------------------

void Fc2Controller::proc_frame_in(cMessage* msg)
{
    static const char* const refused = "ERROR: proc_frame_in does not know how to handle receiving message: %s !";
    switch (msg->kind()) {
    case FC_FRAME_PAYLOAD: recv_frame_pay(part_of<FcFramePayload>(msg, refused)); break;
    case FC_FRAME_TAIL: recv_frame_tail(part_of<FcFrameTail>(msg, refused)); break;
    case REQ_FRM_FWD: req_frm_fwd(msg); break;
    case REQ_FRM_RX: req_frm_rx(msg); break;
    default: refuse(msg, refused);
    }
}

void Fc2Controller::req_frm_rx(cMessage* msg)
{
    if (frmRxFlag_ != FRM_RX_IDLE)
        fail(msg, "ERROR: REQ_FRM_RX expecting frmRxFlag IDLE.");
    if (!msg->encapsulatedMsg())
        fail(msg, "ERROR: REQ_FRM_RX should have encapsulated message.");
    auto* head = exact_cast<FcFrameHead>(msg->encapsulatedMsg());
    if (!head || head->kind() != FC_FRAME_HEAD)
        fail(msg, "ERROR: REQ_FRM_RX expecting Frame Head in REQ_FRM_RX coat message.");
    if (head->getFrameFlag() != LOCAL_FRAME)
        fail(msg, "ERROR: REQ_FRM_RX Frame flag within FC_FRAME_HEAD expecting LOCAL_FRAME.");
    frmRxFlag_ = FRM_RX_LOC;
    receivingGid_ = head->getFrmGid();
    setup_locrx_active(head);
    send(plain("ACK_FRM_RX", ACK_FRM_RX), toFc1Id_);
    delete msg; // with the head, whose context object the record holds now
}

void Fc2Controller::setup_locrx_active(FcFrameHead* head)
{
    release_record(locRxActive_);
    locRxActive_ = LocalFrameActive{};
    fill_receive_record(locRxActive_, *head);
}

void Fc2Controller::req_frm_fwd(cMessage* msg)
{
    if (frmRxFlag_ != FRM_RX_IDLE)
        fail(msg, "ERROR: REQ_FRM_FWD expecting frmRxFlag IDLE.");
    if (!msg->encapsulatedMsg())
        fail(msg, "ERROR: REQ_FRM_FWD should have encapsulated message.");
    auto* head = exact_cast<FcFrameHead>(msg->encapsulatedMsg());
    if (!head || head->kind() != FC_FRAME_HEAD)
        fail(msg, "ERROR: REQ_FRM_FWD expecting Frame Head in REQ_FRM_FWD coat message.");
    if (head->getFrameFlag() != REMOTE_FRAME)
        fail(msg, "ERROR: REQ_FRM_FWD Frame flag within FC_FRAME_HEAD expecting REMOTE_FRAME.");
    frmRxFlag_ = FRM_RX_RMT;
    receivingGid_ = head->getFrmGid();
    if (!to_swctrl_routed())
        fail(msg, "ERROR: REQ_FRM_FWD expected gate to_swctrl.");
    send(msg, toSwctrlId_);
}

void Fc2Controller::recv_frame_pay(FcFramePayload* payload)
{
    const int flag = payload->getFrameFlag();
    if (flag != LOCAL_FRAME && flag != REMOTE_FRAME)
        fail(payload, "ERROR: Received Payload expecting LOCAL_FRAME or REMOTE_FRAME.");
    if (frmRxFlag_ != FRM_RX_LOC && frmRxFlag_ != FRM_RX_RMT)
        fail(payload, "ERROR: recv_frame_pay FC_FRAME_PAYLOAD expecting frmRxFlag FRM_RX_LOC or FRM_RX_RMT.");
    if (flag == LOCAL_FRAME && frmRxFlag_ != FRM_RX_LOC)
        fail(payload, "ERROR: recv_frame_pay FC_FRAME_PAYLOAD expecting frmRxFlag FRM_RX_LOC.");
    if (flag == REMOTE_FRAME && frmRxFlag_ != FRM_RX_RMT)
        fail(payload, "ERROR: recv_frame_pay FC_FRAME_PAYLOAD expecting frmRxFlag FRM_RX_RMT.");
    if (payload->getFrmGid() != receivingGid_)
        fail(payload, "ERROR: recv_frame_pay frmGid of Payload inconsistent with Head being received.");
    if (flag == LOCAL_FRAME) {
        locRxActive_.payLen = payload->getPayLen();
        delete payload;
        return;
    }
    if (!to_swctrl_routed())
        fail(payload, "ERROR: recv_frame_pay Forwarding Payload expecting gate to_swctrl.");
    send(payload, toSwctrlId_);
}

void Fc2Controller::recv_frame_tail(FcFrameTail* tail)
{
    const int flag = tail->getFrameFlag();
    if (flag != LOCAL_FRAME && flag != REMOTE_FRAME)
        fail(tail, "ERROR: Received Tail expecting LOCAL_FRAME or REMOTE_FRAME.");
    if (frmRxFlag_ != FRM_RX_LOC && frmRxFlag_ != FRM_RX_RMT)
        fail(tail, "ERROR: recv_frame_tail FC_FRAME_TAIL expecting frmRxFlag FRM_RX_LOC or FRM_RX_RMT.");
    if (flag == LOCAL_FRAME && frmRxFlag_ != FRM_RX_LOC)
        fail(tail, "ERROR: recv_frame_tail FC_FRAME_TAIL expecting frmRxFlag FRM_RX_LOC.");
    if (flag == REMOTE_FRAME && frmRxFlag_ != FRM_RX_RMT)
        fail(tail, "ERROR: recv_frame_tail FC_FRAME_TAIL expecting frmRxFlag FRM_RX_RMT.");
    if (tail->getFrmGid() != receivingGid_)
        fail(tail, "ERROR: recv_frame_tail frmGid of Tail inconsistent with Head being received.");
    if (flag == REMOTE_FRAME) {
        if (!to_swctrl_routed())
            fail(tail, "ERROR: recv_frame_tail Forwarding Tail expecting gate to_swctrl.");
        send(tail, toSwctrlId_);
        return;
    }
    locRxActive_.eof = tail->getEof();
    if (tail->getEof() == EOFa) {
        warnings(LogKind::WARNING, "FC2 received frame with EOFa, abort it!");
        // The dropped frame's context object and route array go here.
        if (release_record(locRxActive_))
            warnings(LogKind::WARNING, "context pointer was deleted for EOFa frame.");
    } else {
        locRxActive_.netEtime = tail->getNetEtime();
        auto* frame = new LocFrmOk("REQ_RX_PROC", 0);
        frame->setKind(REQ_RX_PROC);
        frame->setLength(0);
        frame->setLocFrmActive(locRxActive_);
        // The request owns the context object and the route array from here.
        locRxActive_.hasCtxPtr = false;
        locRxActive_.ctxPtr = 0;
        locRxActive_.rtPathPtr = 0;
        into_request_queue(frame);
    }
    scheduleAt(simTime(), plain("COM_FRM_RX", COM_FRM_RX));
    delete tail;
}
