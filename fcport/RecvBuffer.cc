#include "fcport/RecvBuffer.h"

#include <string>

#include "device/WarningsLog.h"
#include "fcport/FrameParts.h"
#include "fcport/PortCodes.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RootModule.h"

void RecvBuffer::activity()
{
    start();
    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        handle(msg);
    }
}

void RecvBuffer::start()
{
    root_ = find_root(this);
    port_ = parentModule()->parentModule();
    toPsm_ = findGate("to_psm");
    toFc1ctrl_ = findGate("to_fc1ctrl");
    buf_.setName("RECV_BUF");
    recvBufSize_ = port_->par("rxBufSize").longValue();
    freeBufSize_ = recvBufSize_;
    WATCH(recvBufSize_);
    WATCH(freeBufSize_);
    bufOut_ = false;
    linkDown_ = true;
}

void RecvBuffer::handle(cMessage* msg)
{
    switch (msg->kind()) {
    case FC_FRAME_HEAD:
        linkDown_ = false;
        proc_head_recv(msg);
        break;
    case FC_FRAME_PAYLOAD:
        linkDown_ = false;
        proc_pay_recv(msg);
        break;
    case FC_FRAME_TAIL:
        linkDown_ = false;
        proc_tail_recv(msg);
        break;
    case ACK_FRM_FWD:
    case RJT_FRM_FWD:
    case ACK_FRM_RX: take_answer(msg); break;
    case COM_FRM_FWD:
    case COM_FRM_RX: take_completion(msg); break;
    case PORT_READY: take_port_ready(msg); break;
    case PORT_FAIL:
        linkDown_ = true;
        empty_recv_buf();
        send(msg, toFc1ctrl_);
        break;
    default: {
        const std::string name = msg->name();
        delete msg;
        error("ERROR: No idea know how to handle message: %s !", name.c_str());
    }
    }
}

void RecvBuffer::fail(cMessage* msg, const char* text)
{
    discard_message(msg);
    error("%s", text);
}

long RecvBuffer::port_mode() const
{
    if (!portMode_)
        portMode_ = &port_->par("portMode");
    return portMode_->longValue();
}

void RecvBuffer::take_answer(cMessage* msg)
{
    const bool rejected = msg->kind() == RJT_FRM_FWD;
    delete msg;
    if (linkDown_) {
        ::warnings_as_written(this, LogKind::WARNING, "RJT/ACK_FRM_FWD or ACK_FRM_RX came but link is down!",
                              OpenFailText::ERROR_BANG);
        return;
    }
    if (!bufOut_)
        error("---> ACK_FRM_FWD/RX expecting BufOut active");
    awaitingAnswer_ = false;
    headOut_ = true;
    if (rejected)
        frameFlag_ = DISCARD;
    if (!buf_.empty())
        request_pay_out();
}

void RecvBuffer::take_completion(cMessage* msg)
{
    delete msg;
    if (linkDown_) {
        ::warnings_as_written(this, LogKind::WARNING, "COM_FRM_FWD/RX came but link is down!",
                              OpenFailText::ERROR_BANG);
        return;
    }
    if (!bufOut_)
        error("---> COM_FRM_FWD/RX expecting BufOut active");
    if (!headOut_ || !payOut_ || !tailOut_)
        error("---> Top One Fatal Programming ERROR!!! ");
    bufOut_ = false;
    if (++freeBufSize_ > recvBufSize_)
        error("---> freeBufSize exceeds available recvBufSize");
    if (uncredited_ > 0) {
        --uncredited_;
        EV << "Finished receiving a frame held over a link reset, its credit was restored with the reset.\n";
    } else {
        schedule_rrdy();
    }
    if (!buf_.empty())
        request_head_out();
}

void RecvBuffer::take_port_ready(cMessage* msg)
{
    delete msg;
    uncredited_ = bufOut_ ? 1 : 0;
    for (cObject* part : buf_)
        if (static_cast<cMessage*>(part)->kind() == FC_FRAME_HEAD)
            ++uncredited_;
}

void RecvBuffer::proc_head_recv(cMessage* head)
{
    frameIn_ = true;
    inGid_ = frame_gid_of(this, head);
    hasEmptiedFrame_ = false; // a new frame: nothing of the old one follows
    buf_.insert(head);
    if (--freeBufSize_ < 0)
        error("ERROR: Receiver Buffer overrun!!!");
    if (!bufOut_)
        request_head_out();
}

void RecvBuffer::proc_pay_recv(cMessage* pay)
{
    const unsigned long gid = frame_gid_of(this, pay);
    if (rest_of_emptied_frame(pay, gid))
        return;
    buf_.insert(pay);
    if (bufOut_ && gid == outGid_ && !awaitingAnswer_ && headOut_)
        request_pay_out();
}

void RecvBuffer::proc_tail_recv(cMessage* tail)
{
    const unsigned long gid = frame_gid_of(this, tail);
    if (rest_of_emptied_frame(tail, gid))
        return;
    frameIn_ = false;
    buf_.insert(tail);
    if (bufOut_ && gid == outGid_ && !awaitingAnswer_ && headOut_ && payOut_)
        request_tail_out();
}

bool RecvBuffer::rest_of_emptied_frame(cMessage* part, unsigned long gid)
{
    if (!hasEmptiedFrame_ || gid != emptiedGid_)
        return false;
    EV << "Late " << part->name() << " of a frame emptied out at link failure, drop it.\n";
    if (part->kind() == FC_FRAME_TAIL)
        hasEmptiedFrame_ = false;
    delete_message(part);
    return true;
}

void RecvBuffer::empty_recv_buf()
{
    EV << "Empty Receiver Buffer.\n";
    hasEmptiedFrame_ = frameIn_;
    emptiedGid_ = inGid_;
    frameIn_ = false;
    while (!buf_.empty())
        delete_message(static_cast<cMessage*>(buf_.pop()));
    freeBufSize_ = recvBufSize_;
    uncredited_ = 0;
    bufOut_ = false;
    awaitingAnswer_ = false;
    headOut_ = payOut_ = tailOut_ = false;
}

void RecvBuffer::request_head_out()
{
    if (bufOut_)
        error("ERROR: There shouldn't has a frame being out of RecvBuf.");
    bufOut_ = true;
    auto* first = static_cast<cMessage*>(buf_.tail());
    if (!first || first->kind() != FC_FRAME_HEAD)
        error("ERROR: FC_FRAME_HEAD expected!");
    buf_.pop();
    FcFrameHead* head = as_head(this, first);
    outGid_ = head->getFrmGid();
    headOut_ = payOut_ = tailOut_ = false;
    awaitingAnswer_ = true;
    frameFlag_ = admit(head);
    switch (frameFlag_) {
    case RECEIVE: {
        head->setFrameFlag(RECEIVE);
        auto* req = new cMessage("REQ_FRM_RX", REQ_FRM_RX, 0);
        req->encapsulate(head);
        send(req, toFc1ctrl_);
        break;
    }
    case FORWARD: {
        head->setFrameFlag(FORWARD);
        auto* req = new cMessage("REQ_FRM_FWD", REQ_FRM_FWD, 0);
        req->addPar("srcPort").setLongValue(port_->index());
        req->addPar("frmFlag").setLongValue(FORWARD);
        req->addPar("frmGid").setLongValue(static_cast<long>(head->getFrmGid()));
        req->addPar("destId").setLongValue(static_cast<long>(head->getDId()));
        req->addPar("trunkId").setLongValue(static_cast<long>(head->getTrunkId()));
        req->addPar("trunkEnd").setBoolValue(head->getEndSeq());
        req->encapsulate(head);
        send(req, toFc1ctrl_);
        break;
    }
    default:
        delete_message(head);
        headOut_ = true;
        awaitingAnswer_ = false;
        if (!buf_.empty())
            request_pay_out();
        break;
    }
}

int RecvBuffer::admit(FcFrameHead* head)
{
    const unsigned long dId = head->getDId();
    const bool class3 = head->getSof() == SOFi3 || head->getSof() == SOFn3;
    const bool classF = head->getSof() == SOFf;
    const int d = static_cast<int>(dId);
    switch (port_mode()) {
    case PORT_MODE_NONE:
        if ((dId == FABRIC_CONTROLLER_ID && classF) || (dId == LOGIN_SERVER_ID && class3))
            return RECEIVE;
        fail(head, "ERROR: Port Mode is unknown, only ELP and FLOGI frames are handled!");
    case N_PORT_MODE: {
        if (!class3) {
            warnings(LogKind::WARNING, "N_Port ignores non Class-3 frame.");
            return DISCARD;
        }
        if (!addressId_ && port_->hasPar("addressId"))
            addressId_ = &port_->par("addressId");
        const long addressId = addressId_ ? addressId_->longValue() : 0;
        if (dId == static_cast<unsigned long>(addressId))
            return RECEIVE;
        if (addressId == 0 && is_nport_id(dId)) {
            EV << "N_Port Address_ID will be assigned ... \n";
            return RECEIVE;
        }
        delete_message(head);
        error("ERROR: Wrong N_PORT Destination - addrId[%d], dId[%d] !", static_cast<int>(addressId), d);
    }
    case F_PORT_MODE:
        if (dId >= NAME_SERVER_ID && dId <= LOGIN_SERVER_ID) {
            if (class3)
                return RECEIVE;
            fail(head, "ERROR: Any frames to F_Port must be Class_3.");
        }
        if (is_nport_id(dId)) {
            if (class3)
                return FORWARD;
            fail(head, "ERROR: Any forwarded frames by F_Port must be Class_3.");
        }
        delete_message(head);
        error("ERROR: F_Port found invalid N_Port AddressID - addrId[%d] !", d);
    case E_PORT_MODE: {
        if (dId >= DOMAIN_CONTROLLER_BASE + 0x01 && dId <= DOMAIN_CONTROLLER_BASE + 0xFE) {
            if (!domainId_)
                domainId_ = &port_->parentModule()->par("domainId");
            const long domCtrl = static_cast<long>(DOMAIN_CONTROLLER_BASE) + domainId_->longValue();
            if (static_cast<long>(dId) == domCtrl) {
                if (classF)
                    return RECEIVE;
                fail(head, "ERROR: Distributed Srv requires Class_F.");
            }
            delete_message(head);
            error("ERROR: Wrong Domain Controller destination - dId[%d], domCtrl[%d] !", d, static_cast<int>(domCtrl));
        }
        if (dId == FABRIC_CONTROLLER_ID) {
            if (classF)
                return RECEIVE;
            fail(head, "ERROR: E_Port Fabric Controller requires Class_F.");
        }
        if (dId == NAME_SERVER_ID)
            fail(head, "ERROR: E_Port DIR_SRV should use domCtrl as destId.");
        if (is_nport_id(dId)) {
            if (class3)
                return FORWARD;
            fail(head, "ERROR: E_Port can not forward frame other than Class_3.");
        }
        delete_message(head);
        error("ERROR: E_Port found invalid N_Port AddressID - addrId[%d] !", d);
    }
    default: fail(head, "ERROR: Invalid Frame_Flag for popping frame out of RecvBuf.");
    }
}

cMessage* RecvBuffer::pop_next_part(int kind)
{
    const bool pay = kind == FC_FRAME_PAYLOAD;
    if (!bufOut_)
        error(pay ? "ERROR: BufOut should be active before retrieving payload out of RecvBuf."
                  : "ERROR: BufOut should be active before retrieving tail out of RecvBuf.");
    auto* first = static_cast<cMessage*>(buf_.tail());
    if (!first || first->kind() != kind)
        error(pay ? "ERROR: FC_FRAME_PAYLOAD expected!" : "ERROR: FC_FRAME_TAIL expected!");
    if (frame_gid_of(this, first) != outGid_)
        error(pay ? "ERROR: FC_FRAME_PAYLOAD out of RecvBuf inconsistent with Head."
                  : "ERROR: FC_FRAME_TAIL out of RecvBuf inconsistent with Head.");
    if (pay ? payOut_ : tailOut_)
        error(pay ? "ERROR: FC_FRAME_PAYLOAD already been received." : "ERROR: FC_FRAME_TAIL already been received.");
    if (awaitingAnswer_)
        error(pay ? "ERROR: Should be BUF_OUT_ENABLE before retrieving payload!"
                  : "ERROR: Should be BUF_OUT_ENABLE before retrieving tail!");
    buf_.pop();
    return first;
}

void RecvBuffer::hand_out(cMessage* part)
{
    if (frameFlag_ == DISCARD) {
        delete_message(part);
        return;
    }
    if (part->kind() == FC_FRAME_PAYLOAD)
        as_payload(this, part)->setFrameFlag(frameFlag_);
    else
        as_tail(this, part)->setFrameFlag(frameFlag_);
    send(part, toFc1ctrl_);
}

void RecvBuffer::request_pay_out()
{
    hand_out(pop_next_part(FC_FRAME_PAYLOAD));
    payOut_ = true;
    if (!buf_.empty())
        request_tail_out();
}

void RecvBuffer::request_tail_out()
{
    hand_out(pop_next_part(FC_FRAME_TAIL));
    tailOut_ = true;
    if (frameFlag_ == DISCARD)
        scheduleAt(simTime(), new cMessage("COM_FRM_RX", COM_FRM_RX, 0));
}

void RecvBuffer::schedule_rrdy()
{
    EV << "Finished receiving a frame, send out R_RDY.\n";
    send(new cMessage("R_RDY", R_RDY, 4), toPsm_);
}

void RecvBuffer::delete_message(cMessage* msg)
{
    if (discard_message(msg))
        warnings(LogKind::WARNING, "FC_FRAME_HEAD Context Pointer was deleted!");
}

void RecvBuffer::warnings(LogKind kind, const char* text)
{
    ::warnings(this, kind, text, OpenFailText::ERROR_BANG);
}

static const sDescrItem recvBufferItems[] = {{'M', "default", nullptr, 0},        {'G', "from_rx", nullptr, 'I'},
                                             {'G', "from_fc1ctrl", nullptr, 'I'}, {'G', "to_fc1ctrl", nullptr, 'O'},
                                             {'G', "from_psm", nullptr, 'I'},     {'G', "to_psm", nullptr, 'O'},
                                             {'E', nullptr, nullptr, 0}};

Define_Module_Interface(RecvBuffer, recvBufferItems);
Define_Module(RecvBuffer, 8192);
