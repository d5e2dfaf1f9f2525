// How the pair cuts an outgoing sequence into frames, and how each frame
// it sent or received moves its exchange and sequence status blocks on, up
// to the rebuilt sequence handed back to FC-4.

#include <memory>

#include "fcport/EndToEndPair.h"
#include "fcport/FcPortTiming.h"
#include "fcport/FrameRecords.h"
#include "fcport/SequenceFrames.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "sim/ExactCast.h"

namespace {

cMessage* plain(const char* name, int kind)
{
    return new cMessage(name, kind, 0);
}

// A received frame goes with what is left of its record's context object and
// route, also when the network is deleted while the pair waits.
struct ReceivedFrameRelease {
    void operator()(LocFrmOk* frame) const { discard_message(frame); }
};

} // namespace

// ---- Sending a sequence ------------------------------------------------------

void EndToEndPair::proc_fc_seq(FcSeqPayload* env)
{
    EV << "Processing a Sequence from FC-4 layer ... \n";
    ESB* esb;
    if (env->getFirstSeq()) {
        EV << "First Sequence to issue. \n";
        esb = open_an_oesb(env);
    } else {
        esb = find_an_esb_by_fc4Addr(env->getFc4MemAddr());
    }
    if (!esb) {
        ++esbByAddrFF_;
        delete_message(env);
        send_next_msg();
        return;
    }
    std::unique_ptr<FcSeqPayload> owned(env);
    fc_seq_frag(esb, env);
    // The context object now travels with the sequence's first frame.
    owned.reset();
    scheduleAt(simTime() + load_timing(timing_->fcSeqSeg), seqSegCost_.next());
}

void EndToEndPair::fc_seq_frag(ESB* esb, FcSeqPayload* env)
{
    const bool originated = is_oesb(esb);
    const unsigned long dId = env->getDId();
    if (is_nport_id(dId)) {
        if (originated && esb->resp == 0)
            esb->resp = static_cast<std::uint32_t>(dId);
        if (!originated && esb->orig == 0)
            esb->orig = static_cast<std::uint32_t>(dId);
    }
    if (esb->xferSeqInit)
        error("ERROR: fc_seq_frag ESB indicates we do not hold Sequence Initiative!");
    const long length = env->length();
    if (length < 1)
        error("ERROR: fc_seq_frag Sequence Payload Length must > 0 ! ");
    const auto seqLen = static_cast<std::uint32_t>(length);
    EV << "Fragmentation Sequence ... Total Sequence Payload length is " << seqLen << " bytes.\n";

    SSB* ssb = open_an_initssb(esb);
    ssb->fc4Iu = env->getFc4IuIndex();
    ssb->seqLen = seqLen;
    ssb->lenComp = 0;
    const auto trunkId = static_cast<unsigned long>(trunkId_->longValue());

    const unsigned count = sequence_frame_count(seqLen);
    unsigned long offset = 0;
    for (unsigned n = 0; n < count; ++n) {
        EV << "Frame #" << n << " Payload length is " << frame_payload_size(seqLen, n) << " bytes.\n";
        queue_frame(esb, ssb, env, n, count, offset, trunkId);
        offset += frame_payload_size(seqLen, n);
    }
    EV << "Done. \n";
    trunkId_->setLongValue(trunkId == 0xFFFFFFFFul ? 0 : static_cast<long>(trunkId + 1));
}

void EndToEndPair::queue_frame(ESB* esb, SSB* ssb, FcSeqPayload* env, unsigned n, unsigned count, unsigned long offset,
                               unsigned long trunkId)
{
    const bool originated = is_oesb(esb);
    const bool first = n == 0;
    const bool last = n + 1 == count;
    const unsigned size = frame_payload_size(ssb->seqLen, n);

    // The parts are made here of exactly their classes: their setters are
    // called as such, not through the virtual table.
    auto head = std::make_unique<FcFrameHead>("FC_FRAME_HEAD", 0);
    FcFrameHead& h = *head;
    h.setKind(FC_FRAME_HEAD);
    h.setLength(FRAME_HEAD_LEN);
    h.FcFrameHead::setRCtl(env->getRCtl());
    h.FcFrameHead::setType(env->getType());
    h.FcFrameHead::setSId(originated ? esb->orig : esb->resp);
    h.FcFrameHead::setDId(originated ? esb->resp : esb->orig);
    h.FcFrameHead::setSeqId(ssb->seqId);
    h.FcFrameHead::setSeqCnt(static_cast<std::uint16_t>(n));
    h.FcFrameHead::setOxId(esb->oxId);
    h.FcFrameHead::setRxId(esb->rxId);
    h.FcFrameHead::setExchOrig(esb->ownByOrig);
    h.FcFrameHead::setSeqInit(ssb->seqInit);
    h.FcFrameHead::setFirstSeq(env->getFirstSeq());
    h.FcFrameHead::setLastSeq(env->getLastSeq());
    h.FcFrameHead::setEndSeq(last);
    h.FcFrameHead::setXferSeqInit(last && env->getXferSeqInit());
    h.FcFrameHead::setRoPresent(env->getRoPresent());
    h.FcFrameHead::setParams(env->getRoPresent() ? static_cast<std::uint32_t>(env->getParams() + offset) : 0);
    FrameQualifier ffq;
    create_frame_qualifier(ffq, head.get());
    h.FcFrameHead::setFfq(ffq);
    h.FcFrameHead::setSof(assign_sof(head.get(), esb->classOfSrv));
    h.FcFrameHead::setHeadLen(FRAME_HEAD_LEN);
    const bool exchangeStart = first && env->getFirstSeq();
    h.FcFrameHead::setOrigInitSsbSize(exchangeStart ? env->getOrigInitSsbSize() : 0);
    h.FcFrameHead::setOrigRecpSsbSize(exchangeStart ? env->getOrigRecpSsbSize() : 0);
    h.FcFrameHead::setRespInitSsbSize(exchangeStart ? env->getRespInitSsbSize() : 0);
    h.FcFrameHead::setRespRecpSsbSize(exchangeStart ? env->getRespRecpSsbSize() : 0);
    h.FcFrameHead::setFc4MemAddr(exchangeStart ? env->getFc4MemAddr() : NO_FC4_KEY);
    h.FcFrameHead::setSeqPayLen(first ? ssb->seqLen : 0);
    h.FcFrameHead::setHasCtxPtr(first && env->getHasCtxPtr());
    h.FcFrameHead::setCtxPtr(first ? env->getCtxPtr() : 0);
    h.FcFrameHead::setFc4IuIndex(first ? env->getFc4IuIndex() : NO_FC4_KEY);
    const auto frmGid = static_cast<std::uint32_t>(frmGid_->longValue());
    h.FcFrameHead::setFrmGid(frmGid);
    h.FcFrameHead::setFrameFlag(LOCAL_FRAME);
    h.FcFrameHead::setTrunkId(static_cast<std::uint32_t>(trunkId));
    h.FcFrameHead::setHopId(0);
    h.FcFrameHead::setEeStime(simTime());

    auto* payload = new FcFramePayload("FC_FRAME_PAYLOAD", 0);
    payload->setKind(FC_FRAME_PAYLOAD);
    payload->setLength(0);
    payload->FcFramePayload::setFfq(ffq);
    payload->FcFramePayload::setPayLen(static_cast<std::uint16_t>(size));
    payload->FcFramePayload::setFrmGid(frmGid);
    payload->FcFramePayload::setFrameFlag(LOCAL_FRAME);
    payload->FcFramePayload::setFakePay(false);

    auto* tail = new FcFrameTail("FC_FRAME_TAIL", 0);
    tail->setKind(FC_FRAME_TAIL);
    tail->setLength(0);
    tail->FcFrameTail::setFfq(ffq);
    tail->FcFrameTail::setTailLen(FRAME_TAIL_LEN);
    tail->FcFrameTail::setFrmGid(frmGid);
    tail->FcFrameTail::setFrameFlag(LOCAL_FRAME);
    tail->FcFrameTail::setEof(assign_eof(head.get(), esb->classOfSrv));
    frmTxQue_.insert(head.release());
    frmTxQue_.insert(payload);
    frmTxQue_.insert(tail);
    frmGid_->setLongValue(frmGid_->longValue() + 1);
}

void EndToEndPair::create_frame_qualifier(FrameQualifier& ffq, FcFrameHead* head)
{
    ffq.sId = head->getSId();
    ffq.dId = head->getDId();
    ffq.oxId = head->getOxId();
    ffq.rxId = head->getRxId();
    ffq.seqId = head->getSeqId();
    ffq.seqCnt = head->getSeqCnt();
    ffq.exchOrig = head->getExchOrig();
    ffq.srcPort = 0;
    ffq.destPort = 0;
}

unsigned long EndToEndPair::assign_sof(FcFrameHead* head, int classOfSrv)
{
    if (classOfSrv != CLASS_3 && classOfSrv != CLASS_F)
        error("ERROR: assign_sof Currently we do not support Class other than Class-3 and Class-F! ");
    if (head->getSeqCnt() == 0)
        return classOfSrv == CLASS_3 ? SOFi3 : SOFf;
    if (classOfSrv == CLASS_F)
        error("ERROR: Class-F can not have a frame SEQ_CNT > 0 !");
    return SOFn3;
}

unsigned long EndToEndPair::assign_eof(FcFrameHead* head, int classOfSrv)
{
    if (classOfSrv != CLASS_3 && classOfSrv != CLASS_F)
        error("ERROR: assign_eof Currently we do not support Class other than Class-3 and Class-F! ");
    return head->getEndSeq() ? EOFt : EOFn;
}

void EndToEndPair::proc_seq_seg_cost()
{
    if (frmTxQue_.empty())
        error("ERROR: txOutQue expecting contents!");
    if (frmTxQue_.length() % 3 != 0)
        error("ERROR: txOutQue length must be multiple of 3!");
    frame_out();
}

void EndToEndPair::frame_out()
{
    static const struct {
        int kind;
        const char* text;
    } parts[] = {{FC_FRAME_HEAD, "ERROR: frame_out expecting Frame Head!"},
                 {FC_FRAME_PAYLOAD, "ERROR: frame_out expecting Frame Payload!"},
                 {FC_FRAME_TAIL, "ERROR: frame_out expecting Frame Tail!"}};
    for (const auto& part : parts) {
        auto* msg = static_cast<cMessage*>(frmTxQue_.pop());
        if (!msg || msg->kind() != part.kind) {
            if (msg)
                delete_message(msg);
            error("%s", part.text);
        }
        send_to_ctrl(msg);
    }
    scheduleAt(simTime() + frmTxInterval_, frmTxiCost_.next());
}

void EndToEndPair::proc_frm_txi_cost()
{
    if (frmTxQue_.length() % 3 != 0)
        error("ERROR: txOutQue length must be multiple of 3 [including zero]!");
    if (!frmTxQue_.empty())
        frame_out();
    else
        send_next_msg(); // the whole sequence is with the controller
}

// ---- Transmitted and received frames -----------------------------------------

void EndToEndPair::proc_frm_txu_cost(cMessage* msg)
{
    std::unique_ptr<cMessage> inner(msg->encapsulatedMsg() ? msg->decapsulate() : nullptr);
    frmTxuCost_.done(msg);
    auto* done = exact_cast<LocFrmOk>(inner.get());
    if (!done || done->kind() != COM_FRM_TX)
        error("ERROR: FRM_TXU_COST expecting an encapsulated message of COM_FRM_TX.");
    lastTx_ = &done->getLocFrmActive();
    update_an_esb(FRAME_TX_ACTIVE);
    lastTx_ = nullptr;
    send_next_msg();
}

void EndToEndPair::proc_frm_rxu_cost(cMessage* msg)
{
    cMessage* inner = msg->encapsulatedMsg() ? msg->decapsulate() : nullptr;
    frmRxuCost_.done(msg);
    auto* frame = exact_cast<LocFrmOk>(inner);
    if (!frame || frame->kind() != REQ_RX_PROC) {
        if (inner)
            delete_message(inner);
        error("ERROR: FRM_RXU_COST expecting an encapsulated message of REQ_RX_PROC !");
    }
    // The pair works on the frame's own record, which holds the frame's
    // context object and route.
    std::unique_ptr<LocFrmOk, ReceivedFrameRelease> held(frame);
    lastRx_ = &frame->getLocFrmActive();
    const bool applied = update_an_esb(FRAME_RX_ACTIVE);
    lastRx_ = nullptr;
    // A frame that was not applied is dropped with its context object.
    held.reset();
    if (!applied)
        send_next_msg();
}

bool EndToEndPair::update_an_esb(int direction)
{
    return direction == FRAME_TX_ACTIVE ? update_sent_frame() : update_received_frame();
}

bool EndToEndPair::update_sent_frame()
{
    const LocalFrameActive& f = *lastTx_;
    ESB* esb = find_an_esb_by_ffq(qualifier_of(f), FRAME_TX_ACTIVE);
    if (!esb) {
        ++esbByFfqFF_;
        return false;
    }
    SSB* ssb = find_an_ssb(esb, 0, f.seqId);
    if (!ssb) {
        warnings(LogKind::WARNING, "update_an_esb FRAME_TX Found NUL INIT_SSB!");
        return false;
    }
    esb->xferSeqInit = f.xferSeqInit;
    ssb->lenComp += f.payLen;
    if (f.eof != EOFt)
        return true;
    if (ssb->lenComp != ssb->seqLen) {
        warnings(LogKind::WARNING,
                 "FRAME_TX Unexpected sequence ending for current transmitted frame, ABORT this sequence!");
        return false;
    }
    EV << opp_format("Finish transmitting Sequence [%d].[%d].[0x%x].[0x%x].[0x%x].\n", static_cast<int>(f.sId),
                     static_cast<int>(f.dId), f.oxId, f.rxId, f.seqId);
    ssb->actv = false;
    ssb->endn = true;
    if (f.lastSeq)
        end_exchange(esb, f, "TX", f.dId, f.sId, true);
    else
        keep_initiative(esb, f);
    return true;
}

void EndToEndPair::keep_initiative(ESB* esb, const LocalFrameActive& f)
{
    EV << "Exchange indicates more sequences to be transmitted or received, check Seq Initiative ... \n";
    if (esb->xferSeqInit) {
        EV << "Sequence Initiative transferred, waiting for the other side's action.\n";
        return;
    }
    EV << "Still holding Sequence Initiative, notify FC-4 to initiate new sequence.\n";
    cMessage* keep = plain("KEEP_IU_INIT", KEEP_IU_INIT);
    keep->addPar("rCtl").setLongValue(f.rCtl);
    keep->addPar("type").setLongValue(f.type);
    keep->addPar("fc4MemAddr").setLongValue(esb->fc4MemAddr);
    keep->addPar("eeIndex").setLongValue(index());
    send_to_ctrl(keep);
}

void EndToEndPair::end_exchange(ESB* esb, const LocalFrameActive& f, const char* way, unsigned long remote,
                                unsigned long local, bool notify)
{
    if (!validate_exch_comp(esb))
        error("ERROR: (%s) Exchange [%d].[%d].[0x%x].[0x%x] abnormally ended!!", way, static_cast<int>(f.sId),
              static_cast<int>(f.dId), f.oxId, f.rxId);
    write_eestat_data(remote, local, 0, 1, 0, 0, 0, 0, 0, nullptr);
    esb->endNormal = true;
    esb->completion = true;
    delete_an_esb(esb, notify);
}

bool EndToEndPair::update_received_frame()
{
    LocalFrameActive& f = *lastRx_;
    write_eestat_data(f.sId, f.dId, 0, 0, 1, simTime() - f.eeStime, f.payLen, f.netEtime - f.netStime, f.hopNum,
                      route_at(f.rtPathPtr));
    free_route(f.rtPathPtr);
    f.rtPathPtr = 0;

    ESB* esb = find_an_esb_by_ffq(received_qualifier(), FRAME_RX_ACTIVE);
    if (!esb) {
        ++esbByFfqFF_;
        return false;
    }
    if (esb->aborted) {
        warnings(LogKind::WARNING, "update_an_esb ESB was aborted!");
        return false;
    }
    if (esb->rxId == UNASSIGNED_XID) {
        if (!esb->ownByOrig)
            error("ERROR: Fatal ERROR on RESB's RX_ID!");
        esb->rxId = f.rxId; // the originator learns the responder's RX_ID
    }
    SSB* ssb = received_ssb(esb);
    if (!ssb)
        return false;
    esb->xferSeqInit = !f.xferSeqInit;
    ssb->lenComp += f.payLen;
    if (f.eof != EOFt) {
        if (ssb->lenComp == ssb->seqLen)
            error("ERROR: update_an_esb FRAME_RX detected Out-of-Order delvery!");
    } else if (ssb->lenComp != ssb->seqLen) {
        warnings(LogKind::WARNING,
                 "FRAME_RX Unexpected sequence ending for current received frame, ABORT this EXCHANGE!");
        esb->endNormal = false;
        esb->aborted = true;
        return false;
    } else {
        EV << opp_format("Finish receiving Sequence [%d].[%d].[0x%x].[0x%x].[0x%x].\n", static_cast<int>(f.sId),
                         static_cast<int>(f.dId), f.oxId, f.rxId, f.seqId);
        fc_seq_assem(ssb, esb);
        ssb->actv = false;
        ssb->endn = true;
        if (f.lastSeq) {
            end_exchange(esb, f, "RX", f.sId, f.dId, false);
        } else {
            EV << "Exchange indicates more sequences to be transmitted or received, check Seq Initiative ... \n";
            EV << (esb->xferSeqInit ? "Do not hold Sequence Initiative, waiting for the other side's action.\n"
                                    : "Holding Sequence Initiative, FC-4 will initiate new sequence.\n");
        }
    }
    send_next_msg();
    return true;
}

FrameQualifier EndToEndPair::received_qualifier()
{
    const LocalFrameActive& f = *lastRx_;
    FrameQualifier ffq = qualifier_of(f);
    if (!f.firstSeq)
        return ffq;
    if (f.rxId != UNASSIGNED_XID)
        error("ERROR: All frames within the 1st sequence must has RX_ID of 0xFFFF!");
    if (!f.exchOrig)
        error("ERROR: First Sequence can not be initiated by Exchange Responder!");
    if (f.seqCnt == 0) {
        if (f.fc4MemAddr == NO_FC4_KEY)
            error("ERROR: 1st frame of 1st sequence must have a valid fc4MemAddr!");
        EV << "Received First Frame of the First Sequence.\n";
        ffq.rxId = open_an_resb()->rxId;
    } else if (ESB* resb = find_first_seq_resb(f.sId, f.oxId)) {
        // Later frames of a first sequence still carry no RX_ID: their
        // exchange is the responder block opened by the sequence's first
        // frame, known by its originator and OX_ID.
        ffq.rxId = resb->rxId;
    }
    return ffq;
}

SSB* EndToEndPair::received_ssb(ESB* esb)
{
    LocalFrameActive& f = *lastRx_;
    if (f.seqCnt != 0) {
        if (f.hasCtxPtr)
            error("ERROR: Non-First frame can not has a context pointer.");
        SSB* ssb = find_an_ssb(esb, 1, f.seqId);
        if (!ssb)
            warnings(LogKind::WARNING, "update_an_esb FRAME_RX Found NULL RECP_SSB!");
        return ssb;
    }
    if (f.fc4IuIndex == NO_FC4_KEY)
        error("ERROR: 1st frame of a sequence must have a valid fc4IuIndex!");
    SSB* ssb = open_an_recpssb(esb);
    ssb->fc4Iu = f.fc4IuIndex;
    ssb->seqLen = f.seqPayLen;
    ssb->lenComp = 0;
    ssb->hasCtx = f.hasCtxPtr;
    ssb->ctxPtr = f.ctxPtr;
    f.hasCtxPtr = false; // the SSB holds the object now
    f.ctxPtr = 0;
    return ssb;
}

void EndToEndPair::fc_seq_assem(SSB* ssb, ESB* esb)
{
    const bool originated = is_oesb(esb);
    const LocalFrameActive& f = *lastRx_;
    HeldMessage<FcSeqPayload> env(new FcSeqPayload("FC_SEQ_PAYLOAD", 0));
    env->setKind(FC_SEQ_PAYLOAD);
    env->setHasCtxPtr(ssb->hasCtx);
    env->setCtxPtr(ssb->ctxPtr);
    ssb->hasCtx = false; // the envelope carries the object to FC-4 now
    ssb->ctxPtr = 0;
    env->setLength(ssb->seqLen);
    env->setFc4MemAddr(esb->fc4MemAddr);
    env->setFc4IuIndex(ssb->fc4Iu);
    env->setSId(originated ? esb->resp : esb->orig);
    env->setDId(originated ? esb->orig : esb->resp);
    env->setRCtl(f.rCtl);
    env->setType(f.type);
    env->setFirstSeq(f.firstSeq);
    env->setLastSeq(f.lastSeq);
    env->setXferSeqInit(esb->xferSeqInit);
    env->setClassOfSrv(esb->classOfSrv);
    env->setRespInitSsbSize(static_cast<std::uint16_t>(esb->initSsbSize));
    env->setRespRecpSsbSize(static_cast<std::uint16_t>(esb->recpSsbSize));
    if (f.rCtl == RCTL_FCP_DATA) {
        env->setRoPresent(f.roPresent);
        if (f.roPresent)
            env->setParams(sequence_start_offset(f.payLen, f.params, ssb->seqLen));
    }
    wait(load_timing(timing_->fcSeqAsm));
    send_to_ctrl(env.release());
}
