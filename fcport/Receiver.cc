#include "fcport/Receiver.h"

#include <cstring>
#include <string>

#include "device/WarningsLog.h"
#include "fcport/FrameParts.h"
#include "fcport/PortCodes.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"

void Receiver::activity()
{
    start();
    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        handle(msg);
    }
}

void Receiver::start()
{
    root_ = find_root(this);
    port_ = parentModule()->parentModule();
    toPsm_ = findGate("to_psm");
    toRxbuf_ = findGate("to_rxbuf");
    isNxPort_ = std::strcmp(port_->name(), "NxPort") == 0;
    rxFrmDelta_ = &par("rxFrmDelta");
    rxPayDelta_ = &par("rxPayDelta");
    rxByteCompDelta_ = &par("rxByteCompDelta");
    lossOfSignal_ = false;
    frameIn_ = false;
}

void Receiver::handle(cMessage* msg)
{
    if (!lossOfSignal_) {
        switch (msg->kind()) {
        case EV_RX_LOS:
            lossOfSignal_ = true;
            cut_off_frame();
            send(msg, toPsm_);
            return;
        case EV_RX_GOS: delete msg; return;
        case IDLE:
            cut_off_frame();
            _10b8b_decoding_n_forward(msg);
            return;
        default: _10b8b_decoding_n_forward(msg); return;
        }
    }
    switch (msg->kind()) {
    case EV_RX_LOS: delete msg; return;
    case EV_RX_GOS:
        lossOfSignal_ = false;
        frameIn_ = false;
        send(msg, toPsm_);
        return;
    default:
        EV << "Rx is in Loss-of-Singal state, ignore all incoming messages!\n";
        delete_message(msg);
        return;
    }
}

long Receiver::port_stat() const
{
    if (!portStat_)
        portStat_ = &port_->par("portStat");
    return portStat_->longValue();
}

void Receiver::add_to(cPar& par, long delta)
{
    par.setLongValue(par.longValue() + delta);
}

void Receiver::_10b8b_decoding_n_forward(cMessage* msg)
{
    EV << "Performing 10B8B decoding ... \n";
    if (msg->length() % BITS_PER_BYTE_ON_LINE != 0) {
        const long bits = msg->length();
        delete_message(msg);
        error("---> 10B8B decoding : received message raw bit size [%d] is not a multiple of 10",
              static_cast<int>(bits));
    }
    msg->setLength(msg->length() / BITS_PER_BYTE_ON_LINE);
    long bytes = msg->length();
    switch (msg->kind()) {
    case FC_FRAME_HEAD:
        add_to(*rxFrmDelta_, 1);
        as_head(this, msg)->setFrmFwdStime(simTime());
        break;
    case FC_FRAME_PAYLOAD: {
        FcFramePayload* pay = as_payload(this, msg);
        add_to(*rxPayDelta_, pay->getPayLen());
        bytes = pay->getPayLen();
        break;
    }
    case FC_FRAME_TAIL: {
        FcFrameTail* tail = as_tail(this, msg);
        if (isNxPort_)
            tail->setNetEtime(simTime());
        bytes = tail->getTailLen();
        break;
    }
    default: break;
    }

    switch (msg->kind()) {
    case FC_FRAME_HEAD:
    case FC_FRAME_PAYLOAD:
    case FC_FRAME_TAIL: {
        if (part_of_cut_frame(msg)) {
            EV << "Late " << msg->name() << " of a frame already completed as aborted, drop it.\n";
            delete_message(msg);
        } else if (port_stat() != PS_AC && !part_of_frame_in(msg)) {
            EV << "Port State is not AC, reject message " << msg->name() << ".\n";
            delete_message(msg);
            cut_off_frame();
        } else {
            proc_fc_frame(msg);
        }
        break;
    }
    case R_RDY:
        if (port_stat() == PS_AC)
            send(msg, toPsm_);
        else
            delete msg;
        break;
    default:
        EV << "Message " << msg->name() << " is forwarded to PSM.\n";
        send(msg, toPsm_);
        break;
    }
    add_to(*rxByteCompDelta_, bytes);
}

bool Receiver::part_of_cut_frame(cMessage* msg)
{
    return hasCutFrame_ && msg->kind() != FC_FRAME_HEAD && frame_gid_of(this, msg) == cutGid_;
}

bool Receiver::part_of_frame_in(cMessage* msg)
{
    return frameIn_ && msg->kind() != FC_FRAME_HEAD && frame_gid_of(this, msg) == frmGid_;
}

void Receiver::proc_fc_frame(cMessage* msg)
{
    switch (msg->kind()) {
    case FC_FRAME_HEAD: proc_head_buf_in(as_head(this, msg)); break;
    case FC_FRAME_PAYLOAD: proc_pay_buf_in(as_payload(this, msg)); break;
    case FC_FRAME_TAIL: proc_tail_buf_in(as_tail(this, msg)); break;
    default: break;
    }
}

void Receiver::proc_head_buf_in(FcFrameHead* head)
{
    EV << "Received a FC_FRAME_HEAD, prepare for buffering it ... \n";
    if (frameIn_) {
        delete_message(head);
        error("---> proc_head_buf_in : FC_FRAME_HEAD conflicts with a frame that is still coming in, about to "
              "invalidate that frame");
    }
    frameIn_ = true;
    frmGid_ = head->getFrmGid();
    ffq_ = head->getFfq();
    send(head, toRxbuf_);
    headIn_ = true;
    payIn_ = tailIn_ = false;
}

void Receiver::proc_pay_buf_in(FcFramePayload* pay)
{
    EV << "Received a FC_FRAME_PAYLOAD, prepare for buffering it ... \n";
    const char* fault = nullptr;
    if (!frameIn_)
        fault = "---> proc_pay_buf_in : FC_FRAME_PAYLOAD found no valid FC_FRAME_HEAD";
    else if (pay->getFrmGid() != frmGid_)
        fault = "---> proc_pay_buf_in : FC_FRAME_PAYLOAD conflicts with a frame that is still coming in";
    else if (payIn_)
        fault = "---> proc_pay_buf_in : Fatal Programming ERROR! Found duplicate FC_FRAME_PAYLOAD";
    if (fault) {
        delete_message(pay);
        error("%s", fault);
    }
    send(pay, toRxbuf_);
    payIn_ = true;
}

void Receiver::proc_tail_buf_in(FcFrameTail* tail)
{
    EV << "Received a FC_FRAME_TAIL, prepare for buffering it ... \n";
    const char* fault = nullptr;
    if (!frameIn_)
        fault = "---> proc_tail_buf_in : FC_FRAME_TAIL found no valid FC_FRAME_HEAD";
    else if (tail->getFrmGid() != frmGid_)
        fault = "---> proc_tail_buf_in : FC_FRAME_TAIL conflicts with a frame that is still coming in";
    else if (tailIn_)
        fault = "---> proc_tail_buf_in : Fatal Programming ERROR! An active Buf_In Frame couldn't have tail done";
    if (fault) {
        delete_message(tail);
        error("%s", fault);
    }
    if (!payIn_) {
        ::warnings_as_written(this, LogKind::WARNING,
                              "FC_FRAME_TAIL found FC_FRAME_PAYLOAD haven't been received, so make a fake payload.",
                              OpenFailText::QUOTED);
        make_fake_pay();
        tail->setEof(EOFa);
    }
    send(tail, toRxbuf_);
    tailIn_ = true;
    if (!headIn_ || !payIn_)
        error("---> proc_tail_buf_in : Top One Fatal Programming ERROR!!! ");
    frameIn_ = false;
}

void Receiver::make_fake_pay()
{
    ::warnings_as_written(this, LogKind::WARNING, "Missing FC_FRAME_PAYLOAD, make a fake one. ", OpenFailText::QUOTED);
    auto* pay = new FcFramePayload("FC_FRAME_PAYLOAD", FC_FRAME_PAYLOAD);
    pay->setLength(0);
    pay->setFfq(ffq_);
    pay->setFrmGid(frmGid_);
    pay->setFakePay(true);
    pay->setPayLen(0);
    send(pay, toRxbuf_);
    payIn_ = true;
}

void Receiver::make_fake_tail()
{
    ::warnings_as_written(this, LogKind::WARNING,
                          "FC_FRAME_TAIL missing, the frame was cut off, make a fake one with EOFa.",
                          OpenFailText::QUOTED);
    auto* tail = new FcFrameTail("FC_FRAME_TAIL", FC_FRAME_TAIL);
    tail->setLength(0);
    tail->setEof(EOFa);
    tail->setFfq(ffq_);
    tail->setTailLen(16);
    tail->setFrmGid(frmGid_);
    if (isNxPort_)
        tail->setNetEtime(simTime());
    send(tail, toRxbuf_);
    tailIn_ = true;
}

void Receiver::cut_off_frame()
{
    if (frameIn_ && !tailIn_) {
        if (!payIn_)
            make_fake_pay();
        make_fake_tail();
        hasCutFrame_ = true;
        cutGid_ = frmGid_;
    }
    frameIn_ = false;
}

void Receiver::delete_message(cMessage* msg)
{
    if (discard_message(msg))
        warnings(LogKind::WARNING, "FC_FRAME_HEAD Context Pointer was deleted!");
}

void Receiver::warnings(LogKind kind, const char* text)
{
    ::warnings(this, kind, text, OpenFailText::QUOTED);
}

static const sDescrItem receiverItems[] = {{'M', "default", nullptr, 0},    {'P', "rxFrmDelta", "LDXFT", 0},
                                           {'P', "rxPayDelta", "LDXFT", 0}, {'P', "rxByteCompDelta", "LDXFT", 0},
                                           {'G', "link_in", nullptr, 'I'},  {'G', "to_rxbuf", nullptr, 'O'},
                                           {'G', "to_psm", nullptr, 'O'},   {'E', nullptr, nullptr, 0}};

Define_Module_Interface(Receiver, receiverItems);
Define_Module(Receiver, 8192);
