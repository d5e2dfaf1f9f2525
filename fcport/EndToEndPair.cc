#include "fcport/EndToEndPair.h"

#include <cstring>
#include <memory>

#include "fcport/EeStatTable.h"
#include "fcport/Fc2EeStat.h"
#include "fcport/FcPortTiming.h"
#include "fcport/FrameRecords.h"
#include "fcport/MessageDisposal.h"
#include "fcport/PortCodes.h"
#include "fcport/SequenceFrames.h"
#include "device/TaskTiming.h"
#include "device/WarningsLog.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"

namespace {

cMessage* plain(const char* name, int kind)
{
    return new cMessage(name, kind, 0);
}

} // namespace

EndToEndPair::EndToEndPair(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize), frmTxQue_("FRM_TX_QUE")
{
}

EndToEndPair::~EndToEndPair()
{
    // Whatever the pair still holds goes with it, contexts included, without
    // the warnings of a running pair.
    for (std::vector<ESB>* table : {&oesb_, &resb_})
        for (ESB& esb : *table)
            for (std::vector<SSB>* ssbs : {&esb.initSsb, &esb.recpSsb})
                for (SSB& ssb : *ssbs)
                    delete_context(ssb.hasCtx, ssb.ctxPtr);
    while (!frmTxQue_.empty())
        delete_fc2_message(static_cast<cMessage*>(frmTxQue_.pop()));
    release_record(lastRx_);
}

void EndToEndPair::activity()
{
    start();
    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        dispatch(msg);
    }
}

void EndToEndPair::start()
{
    root_ = find_root(this);
    defConCurrSeq_ = static_cast<int>(def_con_curr_seq(this, root_));
    oesbAllocFlag_ = resbAllocFlag_ = false;
    frmTxInterval_ = 1.5e-7;
    fc2Layer_ = parentModule();
    port_ = fc2Layer_->parentModule();
    swPort_ = std::strcmp(port_->name(), "SwPort") == 0;
    timing_ = fc_port_timing(this, port_);
    currOxId_ = &fc2Layer_->par("currOxId");
    currRxId_ = &fc2Layer_->par("currRxId");
    trunkId_ = &root_->par("trunkId");
    frmGid_ = &root_->par("frmGid");
    toCtrl_ = gate("to_fc2ctrl")->id();

    frmTxQue_.setName("FRM_TX_QUE");
    set_watch();
    init_eepair();
    oesbUsed_ = resbUsed_ = esbByFfqFF_ = esbByAddrFF_ = 0;

    // Pair 0 and switch ports record no statistics. A device without an
    // EeStat module records none either.
    if (!swPort_ && index() >= 1 && port_->parentModule())
        eeStatQue_ = eestat_queue_of(port_->parentModule()->submodule("EeStat"));
}

void EndToEndPair::set_watch()
{
    WATCH(oesbAllocFlag_);
    WATCH(resbAllocFlag_);
    WATCH(oesbSize_);
    WATCH(resbSize_);
    WATCH(oesbInUse_);
    WATCH(resbInUse_);
    WATCH(oesbUsed_);
    WATCH(resbUsed_);
    WATCH(esbByFfqFF_);
    WATCH(esbByAddrFF_);
}

void EndToEndPair::dispatch(cMessage* msg)
{
    switch (msg->kind()) {
    case SEQ_SEG_COST:
        delete msg;
        proc_seq_seg_cost();
        break;
    case FRM_TXI_COST:
        delete msg;
        proc_frm_txi_cost();
        break;
    case FRM_TXU_COST: proc_frm_txu_cost(msg); break;
    case FRM_RXU_COST: proc_frm_rxu_cost(msg); break;
    case COM_FRM_TX: {
        cMessage* cost = plain("FRM_TXU_COST", FRM_TXU_COST);
        cost->encapsulate(msg);
        scheduleAt(simTime() + load_timing(timing_->fcFrmTxu), cost);
        break;
    }
    case REQ_RX_PROC: {
        cMessage* cost = plain("FRM_RXU_COST", FRM_RXU_COST);
        cost->encapsulate(msg);
        scheduleAt(simTime() + load_timing(timing_->fcFrmRxu), cost);
        break;
    }
    case FC_SEQ_PAYLOAD:
        if (auto* env = dynamic_cast<FcSeqPayload*>(msg)) {
            proc_fc_seq(env);
            break;
        }
        delete_message(msg);
        error("ERROR: No idea know how to handle message: %s !", "FC_SEQ_PAYLOAD");
    case RESB_FREE: proc_resb_free(msg); break;
    case INIT_EEPAIR:
        init_eepair();
        delete msg;
        break;
    case ALLOC_EEPAIR: proc_alloc_eepair(msg); break;
    case REMOVE_EEPAIR:
        delete msg;
        proc_remove_eepair();
        break;
    case ABT_SIO_REQ_ESB: proc_abt_sio_req(msg); break;
    case ABORT_EXCHANGE: proc_abort_exchange(msg); break;
    case HOLD_INIT: proc_hold_init(msg); break;
    case PLOGI_TO_RM_OESB:
    case ABTX_TO_RM_OESB: proc_timed_out_oesb(msg); break;
    default: {
        const std::string name = msg->name();
        delete_message(msg);
        error("ERROR: No idea know how to handle message: %s !", name.c_str());
    }
    }
}

void EndToEndPair::send_next_msg()
{
    send_to_ctrl(plain("NEXT_MSG", NEXT_MSG));
}

// ---- Pair life ---------------------------------------------------------------

void EndToEndPair::init_eepair()
{
    if (index() == 0) {
        int n = defConCurrSeq_;
        if (std::strcmp(port_->name(), "NxPort") == 0)
            n = static_cast<int>(port_->par("maxEePair").longValue() + 1) * defConCurrSeq_;
        alloc_oesb(n);
        alloc_resb(n);
        par("maxConCurrSeq").setLongValue(n);
    } else {
        dealloc_oesb();
        dealloc_resb();
        par("maxConCurrSeq").setLongValue(0);
    }
    par("peerAddrId").setLongValue(0);
}

void EndToEndPair::proc_alloc_eepair(cMessage* msg)
{
    const long n = msg->par("newC3ConCurrSeq").longValue();
    par("maxConCurrSeq").setLongValue(n);
    par("peerAddrId").setLongValue(msg->par("peerAddrId").longValue());
    alloc_oesb(static_cast<int>(n));
    alloc_resb(static_cast<int>(n));
    cMessage* ok = plain("PLOGI_SUCC", PLOGI_SUCC);
    ok->addPar("maxConCurrIu").setLongValue(n);
    ok->addPar("eeIndex").setLongValue(index());
    ok->addPar("portIndex").setLongValue(port_->index());
    ok->addPar("newRecTov").setLongValue(msg->par("newRecTov").longValue());
    delete msg;
    send_to_ctrl(ok);
    send_next_msg();
}

void EndToEndPair::proc_remove_eepair()
{
    init_eepair();
    cMessage* ok = plain("PLOUT_SUCC", PLOUT_SUCC);
    ok->addPar("eeIndex").setLongValue(index());
    ok->addPar("portIndex").setLongValue(port_->index());
    send_to_ctrl(ok);
    send_next_msg();
}

void EndToEndPair::free_ssbs(std::vector<SSB>& ssbs, const char* contextWarning)
{
    for (SSB& ssb : ssbs) {
        if (ssb.open && ssb.hasCtx && ssb.ctxPtr) {
            warnings(contextWarning);
            delete_context(true, ssb.ctxPtr);
        }
        ssb.hasCtx = false;
        ssb.ctxPtr = 0;
    }
    ssbs.clear();
}

void EndToEndPair::free_table(std::vector<ESB>& table, bool& allocFlag, int& size, int& inUse)
{
    if (allocFlag) {
        for (ESB& esb : table) {
            dealloc_init_ssb(&esb);
            dealloc_recp_ssb(&esb);
        }
        table.clear();
        allocFlag = false;
        inUse = 0;
    }
    size = 0;
}

void EndToEndPair::alloc_oesb(int n)
{
    dealloc_oesb();
    EV << "Allocating maximum size of OriginatorESBs ... \n";
    oesb_.assign(n > 0 ? n : 0, ESB{});
    oesbSize_ = static_cast<int>(oesb_.size());
    oesbAllocFlag_ = true;
    EV << oesbSize_ << " OESBs were allocated. \n";
    reset_oesb();
}

void EndToEndPair::alloc_resb(int n)
{
    dealloc_resb();
    EV << "Allocating maximum size of ResponderESBs ... \n";
    resb_.assign(n > 0 ? n : 0, ESB{});
    resbSize_ = static_cast<int>(resb_.size());
    resbAllocFlag_ = true;
    EV << resbSize_ << " RESBs were allocated. \n";
    reset_resb();
}

void EndToEndPair::reset_oesb()
{
    EV << "Reset allocated OESBs. \n";
    for (ESB& esb : oesb_)
        reset_an_esb(&esb);
    oesbInUse_ = 0;
}

void EndToEndPair::reset_resb()
{
    EV << "Reset allocated RESBs. \n";
    for (ESB& esb : resb_)
        reset_an_esb(&esb);
    resbInUse_ = 0;
}

void EndToEndPair::dealloc_oesb()
{
    EV << "De-allocate all OriginatorESBs ... \n";
    free_table(oesb_, oesbAllocFlag_, oesbSize_, oesbInUse_);
}

void EndToEndPair::dealloc_resb()
{
    EV << "De-allocate all ResponderESBs ... \n";
    free_table(resb_, resbAllocFlag_, resbSize_, resbInUse_);
}

// ---- Exchange and sequence status blocks -------------------------------------

void EndToEndPair::reset_an_esb(ESB* esb)
{
    esb->aborted = false;
    esb->classOfSrv = CLASS_NONE;
    esb->completion = true;
    esb->currSeqId = 0;
    esb->fc4MemAddr = NO_FC4_KEY;
    esb->oxId = UNASSIGNED_XID;
    esb->rxId = UNASSIGNED_XID;
    esb->orig = 0;
    esb->resp = 0;
    esb->xferSeqInit = false;
    esb->endNormal = false;
    esb->initSsb.clear();
    esb->recpSsb.clear();
    esb->initSsbFlag = esb->recpSsbFlag = false;
    esb->initSsbSize = esb->recpSsbSize = 0;
}

ESB* EndToEndPair::open_an_oesb(FcSeqPayload* env)
{
    EV << "Opening an OESB ... \n";
    ESB* esb = nullptr;
    for (ESB& b : oesb_)
        if (b.completion) {
            esb = &b;
            break;
        }
    if (!esb)
        error("ERROR: No free OESB to allocate !!!");
    reset_an_esb(esb);
    esb->fc4MemAddr = env->getFc4MemAddr();
    esb->oxId = alloc_oxid();
    esb->rxId = UNASSIGNED_XID;
    esb->orig = env->getSId();
    esb->resp = env->getDId();
    write_eestat_data(esb->resp, esb->orig, 1, 0, 0, 0, 0, 0, 0, nullptr);
    esb->ownByOrig = true;
    esb->xferSeqInit = false;
    esb->completion = false;
    esb->currSeqId = 0;
    alloc_init_ssb(esb, env->getOrigInitSsbSize());
    alloc_recp_ssb(esb, env->getOrigRecpSsbSize());
    esb->classOfSrv = env->getClassOfSrv();
    ++oesbInUse_;
    ++oesbUsed_;
    return esb;
}

ESB* EndToEndPair::open_an_resb()
{
    EV << "Opening an RESB ... \n";
    ESB* esb = nullptr;
    for (ESB& b : resb_)
        if (b.completion) {
            esb = &b;
            break;
        }
    if (!esb)
        error("ERROR: No free RESB to allocate !!!");
    reset_an_esb(esb);
    const LocalFrameActive& f = lastRx_;
    esb->fc4MemAddr = f.fc4MemAddr;
    esb->oxId = f.oxId;
    esb->rxId = alloc_rxid();
    esb->orig = f.sId;
    esb->resp = f.dId;
    write_eestat_data(esb->orig, esb->resp, 1, 0, 0, 0, 0, 0, 0, nullptr);
    esb->ownByOrig = false;
    esb->completion = false;
    alloc_init_ssb(esb, f.respInitSsbSize);
    alloc_recp_ssb(esb, f.respRecpSsbSize);
    esb->currSeqId = 0;
    switch (f.sof) {
    case SOFi3:
    case SOFn3: esb->classOfSrv = CLASS_3; break;
    case SOFf: esb->classOfSrv = CLASS_F; break;
    default: error("ERROR: Class not supported!");
    }
    ++resbInUse_;
    ++resbUsed_;
    return esb;
}

void EndToEndPair::alloc_init_ssb(ESB* esb, int n)
{
    dealloc_init_ssb(esb);
    EV << opp_format("Allocate InitiatorSSB for Exchange [0x%x,0x%x]\n", esb->oxId, esb->rxId);
    if (n > 0) {
        esb->initSsb.assign(n, SSB{});
        esb->initSsbSize = n;
        esb->initSsbFlag = true;
        EV << n << " InitiatorSSBs were allocated.\n";
    }
}

void EndToEndPair::alloc_recp_ssb(ESB* esb, int n)
{
    dealloc_recp_ssb(esb);
    EV << opp_format("Allocate RecipientSSB for Exchange [0x%x,0x%x]\n", esb->oxId, esb->rxId);
    if (n > 0) {
        esb->recpSsb.assign(n, SSB{});
        esb->recpSsbSize = n;
        esb->recpSsbFlag = true;
        EV << n << " RecipientSSBs were allocated.\n";
    }
}

void EndToEndPair::dealloc_init_ssb(ESB* esb)
{
    if (!esb->initSsbFlag)
        return;
    EV << opp_format("De-allocate InitiatorSSB for Exchange [0x%x,0x%x]\n", esb->oxId, esb->rxId);
    free_ssbs(esb->initSsb, "WARNING: Deleting INIT_SSB also will delete context pointer!");
    esb->initSsbFlag = false;
    esb->initSsbSize = 0;
}

void EndToEndPair::dealloc_recp_ssb(ESB* esb)
{
    if (!esb->recpSsbFlag)
        return;
    EV << opp_format("De-allocate RecipientSSB for Exchange [0x%x,0x%x]\n", esb->oxId, esb->rxId);
    free_ssbs(esb->recpSsb, "WARNING: Deleting RECP_SSB also will delete context pointer!");
    esb->recpSsbFlag = false;
    esb->recpSsbSize = 0;
}

SSB* EndToEndPair::open_an_initssb(ESB* esb)
{
    EV << "Opening an Initiator SSB ... \n";
    SSB* ssb = nullptr;
    for (SSB& s : esb->initSsb)
        if (!s.open) {
            ssb = &s;
            break;
        }
    if (!ssb)
        error("ERROR: Found no free InitSSB !");
    ssb->seqId = esb->currSeqId;
    esb->currSeqId = static_cast<std::uint8_t>(esb->currSeqId == 255 ? 0 : esb->currSeqId + 1);
    EV << opp_format("Obtained a SEQ_ID: 0x%x\n", ssb->seqId);
    ssb->oxId = esb->oxId;
    ssb->rxId = esb->rxId;
    ssb->seqInit = ssb->open = ssb->actv = true;
    return ssb;
}

SSB* EndToEndPair::open_an_recpssb(ESB* esb)
{
    EV << "Opening an Recipient SSB ... \n";
    SSB* ssb = nullptr;
    for (SSB& s : esb->recpSsb)
        if (!s.open) {
            ssb = &s;
            break;
        }
    if (!ssb)
        error("ERROR: Found no free RecpSSB !");
    ssb->seqId = lastRx_.seqId;
    ssb->oxId = esb->oxId;
    ssb->rxId = esb->rxId;
    ssb->seqInit = ssb->open = ssb->actv = true;
    return ssb;
}

SSB* EndToEndPair::find_an_ssb(ESB* esb, int recipient, unsigned char seqId)
{
    for (SSB& s : recipient ? esb->recpSsb : esb->initSsb)
        if (s.seqId == seqId && s.open && s.actv)
            return &s;
    warnings("WARNING: find_an_ssb didn't find a requested SSB !!!");
    return nullptr;
}

ESB* EndToEndPair::find_an_esb_by_fc4Addr(unsigned long key)
{
    EV << "Looking up ESB (both OESB and RESB) ... \n";
    for (std::vector<ESB>* table : {&oesb_, &resb_})
        for (ESB& esb : *table)
            if (esb.isOpen() && esb.fc4MemAddr == key)
                return &esb;
    return nullptr;
}

ESB* EndToEndPair::find_an_esb_by_ffq(const FrameQualifier& ffq, int direction)
{
    if (direction != FRAME_TX_ACTIVE && direction != FRAME_RX_ACTIVE)
        error("ERROR: Expected FRAME_TX_ACTIVE or FRAME_RX_ACTIVE!");
    // A frame from the originator belongs to our OESB when we sent it and to
    // our RESB when we received it; a frame from the responder the other way.
    if ((direction == FRAME_TX_ACTIVE) == ffq.exchOrig) {
        for (ESB& esb : oesb_)
            if (esb.isOpen() && esb.oxId == ffq.oxId)
                return &esb;
    } else {
        for (ESB& esb : resb_)
            if (esb.isOpen() && esb.rxId == ffq.rxId)
                return &esb;
    }
    return nullptr;
}

ESB* EndToEndPair::find_first_seq_resb(unsigned long origId, unsigned short oxId)
{
    for (ESB& esb : resb_)
        if (esb.isOpen() && esb.oxId == oxId && esb.orig == origId)
            return &esb;
    return nullptr;
}

void EndToEndPair::delete_an_esb(ESB* esb, bool notify)
{
    dealloc_init_ssb(esb);
    dealloc_recp_ssb(esb);
    const bool originated = is_oesb(esb);
    if (originated) {
        EV << "An OESB was freed, notify FC-4.\n";
        if (notify) {
            cMessage* freed = plain("OESB_FREE", OESB_FREE);
            freed->addPar("portIndex").setLongValue(port_->index());
            freed->addPar("eeIndex").setLongValue(index());
            freed->addPar("fc4MemAddr").setLongValue(esb->fc4MemAddr);
            send_to_ctrl(freed);
        }
        if (--oesbInUse_ < 0)
            error("ERROR: delete_an_esb oesbInUse < 0 fault!");
    } else {
        EV << "An RESB was freed.\n";
        if (--resbInUse_ < 0)
            error("ERROR: delete_an_esb resbInUse < 0 fault!");
    }
}

bool EndToEndPair::validate_exch_comp(ESB* esb)
{
    for (std::vector<SSB>* table : {&esb->initSsb, &esb->recpSsb})
        for (const SSB& s : *table)
            if (!s.open || s.actv || !s.endn)
                return false;
    return true;
}

unsigned short EndToEndPair::alloc_oxid()
{
    const long value = currOxId_->longValue();
    const auto id = static_cast<unsigned short>(value & 0xFFFF);
    currOxId_->setLongValue(value == 0xFFFE ? 0 : value + 1);
    EV << opp_format("Obtained an OX_ID: 0x%x\n", id);
    for (ESB& esb : oesb_)
        if (esb.isOpen() && esb.oxId == id) {
            warnings("ALERT: encountered OX_ID overlap. Abort the old Exchange bearing that OX_ID");
            esb.completion = true;
            esb.endNormal = false;
            delete_an_esb(&esb, false);
            break;
        }
    return id;
}

unsigned short EndToEndPair::alloc_rxid()
{
    const long value = currRxId_->longValue();
    const auto id = static_cast<unsigned short>(value & 0xFFFF);
    currRxId_->setLongValue(value == 0xFFFE ? 0 : value + 1);
    EV << opp_format("Obtained an RX_ID: 0x%x\n", id);
    for (ESB& esb : resb_)
        if (esb.isOpen() && esb.rxId == id) {
            warnings("ALERT: encountered RX_ID overlap. Abort the old Exchange bearing that RX_ID");
            esb.completion = true;
            esb.endNormal = false;
            delete_an_esb(&esb, false);
            break;
        }
    return id;
}

// ---- Requests of the FC-4 layer ----------------------------------------------

void EndToEndPair::proc_resb_free(cMessage* msg)
{
    const auto key = static_cast<unsigned long>(msg->par("fc4MemAddr").longValue());
    delete msg;
    if (ESB* esb = find_an_esb_by_fc4Addr(key)) {
        write_eestat_data(esb->orig, esb->resp, 0, 1, 0, 0, 0, 0, 0, nullptr);
        esb->completion = true;
        esb->endNormal = true;
        delete_an_esb(esb, false);
    } else {
        warnings("WARNING: RESB_FREE found no requested ESB Table!");
    }
    send_next_msg();
}

void EndToEndPair::proc_abt_sio_req(cMessage* msg)
{
    if (ESB* esb = find_an_esb_by_fc4Addr(static_cast<unsigned long>(msg->par("fc4MemAddr").longValue()))) {
        if (!port_->hasPar("addressId")) {
            delete msg;
            error("ERROR: ABT_SIO_REQ_ESB found no valid addressId for this Port!");
        }
        cMessage* ack = plain("ABT_SIO_ACK_ESB", ABT_SIO_ACK_ESB);
        ack->addPar("sId").setLongValue(port_->par("addressId").longValue());
        ack->addPar("oxId").setLongValue(esb->oxId);
        ack->addPar("rxId").setLongValue(esb->rxId);
        ack->addPar("peerAddrId").setLongValue(par("peerAddrId").longValue());
        ack->addPar("totalTry").setLongValue(0);
        ack->addPar("initiator") = msg->par("initiator");
        ack->addPar("target") = msg->par("target");
        send_to_ctrl(ack);
        esb->completion = true;
        esb->endNormal = false;
        delete_an_esb(esb, false);
    } else {
        warnings("WARNING: ABT_SIO_REQ_ESB found no requested ESB Table!");
    }
    delete msg;
    send_next_msg();
}

void EndToEndPair::proc_abort_exchange(cMessage* msg)
{
    const auto oxId = static_cast<unsigned short>(msg->par("oxId").longValue());
    delete msg;
    ESB* esb = nullptr;
    for (ESB& b : resb_)
        if (b.isOpen() && b.oxId == oxId) {
            esb = &b;
            break;
        }
    if (esb) {
        cMessage* abort = plain("ABORT_FCPIO", ABORT_FCPIO);
        abort->addPar("fc4MemAddr").setLongValue(esb->fc4MemAddr);
        abort->addPar("eeIdx").setLongValue(index());
        abort->addPar("portIdx").setLongValue(port_->index());
        send_to_ctrl(abort);
        esb->completion = true;
        esb->endNormal = false;
        delete_an_esb(esb, false);
    } else {
        warnings("WARNING: ABORT_EXCHANGE found no requested RESB Table!");
    }
    send_next_msg();
}

void EndToEndPair::proc_hold_init(cMessage* msg)
{
    const auto key = static_cast<unsigned long>(msg->par("fc4MemAddr").longValue());
    delete msg;
    if (ESB* esb = find_an_esb_by_fc4Addr(key))
        esb->xferSeqInit = false;
    else
        warnings("WARNING: HOLD_INIT found no requested ESB Table!");
    send_next_msg();
}

void EndToEndPair::proc_timed_out_oesb(cMessage* msg)
{
    const auto key = static_cast<unsigned long>(msg->par("fc4MemAddr").longValue());
    delete msg;
    if (ESB* esb = find_an_esb_by_fc4Addr(key)) {
        warnings("WARNING: PLOGI/ABTX TIME_OUT removed its OESB table!");
        esb->completion = true;
        esb->endNormal = false;
        delete_an_esb(esb, false);
    } else {
        warnings("WARNING: PLOGI/ABTX_TO_RM_OESB found no requested ESB Table");
    }
    send_next_msg();
}

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
    scheduleAt(simTime() + load_timing(timing_->fcSeqSeg), plain("SEQ_SEG_COST", SEQ_SEG_COST));
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

void EndToEndPair::queue_frame(ESB* esb, SSB* ssb, FcSeqPayload* env, unsigned n, unsigned count,
                               unsigned long offset, unsigned long trunkId)
{
    const bool originated = is_oesb(esb);
    const bool first = n == 0;
    const bool last = n + 1 == count;
    const unsigned size = frame_payload_size(ssb->seqLen, n);

    auto head = std::make_unique<FcFrameHead>("FC_FRAME_HEAD", 0);
    head->setKind(FC_FRAME_HEAD);
    head->setLength(FRAME_HEAD_LEN);
    head->setRCtl(env->getRCtl());
    head->setType(env->getType());
    head->setSId(originated ? esb->orig : esb->resp);
    head->setDId(originated ? esb->resp : esb->orig);
    head->setSeqId(ssb->seqId);
    head->setSeqCnt(static_cast<std::uint16_t>(n));
    head->setOxId(esb->oxId);
    head->setRxId(esb->rxId);
    head->setExchOrig(esb->ownByOrig);
    head->setSeqInit(ssb->seqInit);
    head->setFirstSeq(env->getFirstSeq());
    head->setLastSeq(env->getLastSeq());
    head->setEndSeq(last);
    head->setXferSeqInit(last && env->getXferSeqInit());
    head->setRoPresent(env->getRoPresent());
    head->setParams(env->getRoPresent() ? static_cast<std::uint32_t>(env->getParams() + offset) : 0);
    FrameQualifier ffq;
    create_frame_qualifier(ffq, head.get());
    head->setFfq(ffq);
    head->setSof(assign_sof(head.get(), esb->classOfSrv));
    head->setHeadLen(FRAME_HEAD_LEN);
    const bool exchangeStart = first && env->getFirstSeq();
    head->setOrigInitSsbSize(exchangeStart ? env->getOrigInitSsbSize() : 0);
    head->setOrigRecpSsbSize(exchangeStart ? env->getOrigRecpSsbSize() : 0);
    head->setRespInitSsbSize(exchangeStart ? env->getRespInitSsbSize() : 0);
    head->setRespRecpSsbSize(exchangeStart ? env->getRespRecpSsbSize() : 0);
    head->setFc4MemAddr(exchangeStart ? env->getFc4MemAddr() : NO_FC4_KEY);
    head->setSeqPayLen(first ? ssb->seqLen : 0);
    head->setHasCtxPtr(first && env->getHasCtxPtr());
    head->setCtxPtr(first ? env->getCtxPtr() : 0);
    head->setFc4IuIndex(first ? env->getFc4IuIndex() : NO_FC4_KEY);
    const auto frmGid = static_cast<std::uint32_t>(frmGid_->longValue());
    head->setFrmGid(frmGid);
    head->setFrameFlag(LOCAL_FRAME);
    head->setTrunkId(static_cast<std::uint32_t>(trunkId));
    head->setHopId(0);
    head->setEeStime(simTime());

    auto* payload = new FcFramePayload("FC_FRAME_PAYLOAD", 0);
    payload->setKind(FC_FRAME_PAYLOAD);
    payload->setLength(0);
    payload->setFfq(ffq);
    payload->setPayLen(static_cast<std::uint16_t>(size));
    payload->setFrmGid(frmGid);
    payload->setFrameFlag(LOCAL_FRAME);
    payload->setFakePay(false);

    auto* tail = new FcFrameTail("FC_FRAME_TAIL", 0);
    tail->setKind(FC_FRAME_TAIL);
    tail->setLength(0);
    tail->setFfq(ffq);
    tail->setTailLen(FRAME_TAIL_LEN);
    tail->setFrmGid(frmGid);
    tail->setFrameFlag(LOCAL_FRAME);
    tail->setEof(assign_eof(head.get(), esb->classOfSrv));
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
    scheduleAt(simTime() + frmTxInterval_, plain("FRM_TXI_COST", FRM_TXI_COST));
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
    std::unique_ptr<cMessage> cost(msg);
    std::unique_ptr<cMessage> inner(msg->encapsulatedMsg() ? msg->decapsulate() : nullptr);
    auto* done = dynamic_cast<LocFrmOk*>(inner.get());
    if (!done || done->kind() != COM_FRM_TX)
        error("ERROR: FRM_TXU_COST expecting an encapsulated message of COM_FRM_TX.");
    lastTx_ = done->getLocFrmActive();
    update_an_esb(FRAME_TX_ACTIVE);
    send_next_msg();
}

void EndToEndPair::proc_frm_rxu_cost(cMessage* msg)
{
    std::unique_ptr<cMessage> cost(msg);
    cMessage* inner = msg->encapsulatedMsg() ? msg->decapsulate() : nullptr;
    auto* frame = dynamic_cast<LocFrmOk*>(inner);
    if (!frame || frame->kind() != REQ_RX_PROC) {
        if (inner)
            delete_message(inner);
        error("ERROR: FRM_RXU_COST expecting an encapsulated message of REQ_RX_PROC !");
    }
    // The pair's record takes over the frame's context object and route.
    lastRx_ = frame->getLocFrmActive();
    delete frame;
    cost.reset();
    const bool applied = update_an_esb(FRAME_RX_ACTIVE);
    // A frame that was not applied is dropped with its context object.
    release_record(lastRx_);
    if (!applied)
        send_next_msg();
}

bool EndToEndPair::update_an_esb(int direction)
{
    if (direction == FRAME_TX_ACTIVE) {
        const LocalFrameActive& f = lastTx_;
        ESB* esb = find_an_esb_by_ffq(qualifier_of(f), FRAME_TX_ACTIVE);
        if (!esb) {
            ++esbByFfqFF_;
            return false;
        }
        SSB* ssb = find_an_ssb(esb, 0, f.seqId);
        if (!ssb) {
            warnings("WARNING: update_an_esb FRAME_TX Found NUL INIT_SSB!");
            return false;
        }
        esb->xferSeqInit = f.xferSeqInit;
        ssb->lenComp += f.payLen;
        if (f.eof != EOFt)
            return true;
        if (ssb->lenComp != ssb->seqLen) {
            warnings("WARNING: FRAME_TX Unexpected sequence ending for current transmitted frame, ABORT this sequence!");
            return false;
        }
        EV << opp_format("Finish transmitting Sequence [%d].[%d].[0x%x].[0x%x].[0x%x].\n", static_cast<int>(f.sId),
                         static_cast<int>(f.dId), f.oxId, f.rxId, f.seqId);
        ssb->actv = false;
        ssb->endn = true;
        if (f.lastSeq) {
            if (!validate_exch_comp(esb))
                error("ERROR: (TX) Exchange [%d].[%d].[0x%x].[0x%x] abnormally ended!!", static_cast<int>(f.sId),
                      static_cast<int>(f.dId), f.oxId, f.rxId);
            write_eestat_data(f.dId, f.sId, 0, 1, 0, 0, 0, 0, 0, nullptr);
            esb->endNormal = true;
            esb->completion = true;
            delete_an_esb(esb, true);
            return true;
        }
        EV << "Exchange indicates more sequences to be transmitted or received, check Seq Initiative ... \n";
        if (esb->xferSeqInit) {
            EV << "Sequence Initiative transferred, waiting for the other side's action.\n";
        } else {
            EV << "Still holding Sequence Initiative, notify FC-4 to initiate new sequence.\n";
            cMessage* keep = plain("KEEP_IU_INIT", KEEP_IU_INIT);
            keep->addPar("rCtl").setLongValue(f.rCtl);
            keep->addPar("type").setLongValue(f.type);
            keep->addPar("fc4MemAddr").setLongValue(esb->fc4MemAddr);
            keep->addPar("eeIndex").setLongValue(index());
            send_to_ctrl(keep);
        }
        return true;
    }

    LocalFrameActive& f = lastRx_;
    write_eestat_data(f.sId, f.dId, 0, 0, 1, simTime() - f.eeStime, f.payLen, f.netEtime - f.netStime, f.hopNum,
                      route_at(f.rtPathPtr));
    free_route(f.rtPathPtr);
    f.rtPathPtr = 0;

    FrameQualifier ffq = qualifier_of(f);
    if (f.firstSeq) {
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
    }
    ESB* esb = find_an_esb_by_ffq(ffq, FRAME_RX_ACTIVE);
    if (!esb) {
        ++esbByFfqFF_;
        return false;
    }
    if (esb->aborted) {
        warnings("WARNING: update_an_esb ESB was aborted!");
        return false;
    }
    if (esb->rxId == UNASSIGNED_XID) {
        if (!esb->ownByOrig)
            error("ERROR: Fatal ERROR on RESB's RX_ID!");
        esb->rxId = f.rxId; // the originator learns the responder's RX_ID
    }
    SSB* ssb;
    if (f.seqCnt == 0) {
        if (f.fc4IuIndex == NO_FC4_KEY)
            error("ERROR: 1st frame of a sequence must have a valid fc4IuIndex!");
        ssb = open_an_recpssb(esb);
        ssb->fc4Iu = f.fc4IuIndex;
        ssb->seqLen = f.seqPayLen;
        ssb->lenComp = 0;
        ssb->hasCtx = f.hasCtxPtr;
        ssb->ctxPtr = f.ctxPtr;
        f.hasCtxPtr = false; // the SSB holds the object now
        f.ctxPtr = 0;
    } else {
        if (f.hasCtxPtr)
            error("ERROR: Non-First frame can not has a context pointer.");
        ssb = find_an_ssb(esb, 1, f.seqId);
        if (!ssb) {
            warnings("WARNING: update_an_esb FRAME_RX Found NULL RECP_SSB!");
            return false;
        }
    }
    esb->xferSeqInit = !f.xferSeqInit;
    ssb->lenComp += f.payLen;
    if (f.eof != EOFt) {
        if (ssb->lenComp == ssb->seqLen)
            error("ERROR: update_an_esb FRAME_RX detected Out-of-Order delvery!");
    } else if (ssb->lenComp != ssb->seqLen) {
        warnings("WARNING: FRAME_RX Unexpected sequence ending for current received frame, ABORT this EXCHANGE!");
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
            if (!validate_exch_comp(esb))
                error("ERROR: (RX) Exchange [%d].[%d].[0x%x].[0x%x] abnormally ended!!", static_cast<int>(f.sId),
                      static_cast<int>(f.dId), f.oxId, f.rxId);
            write_eestat_data(f.sId, f.dId, 0, 1, 0, 0, 0, 0, 0, nullptr);
            esb->endNormal = true;
            esb->completion = true;
            delete_an_esb(esb, false);
        } else {
            EV << "Exchange indicates more sequences to be transmitted or received, check Seq Initiative ... \n";
            EV << (esb->xferSeqInit ? "Do not hold Sequence Initiative, waiting for the other side's action.\n"
                                    : "Holding Sequence Initiative, FC-4 will initiate new sequence.\n");
        }
    }
    send_next_msg();
    return true;
}

void EndToEndPair::fc_seq_assem(SSB* ssb, ESB* esb)
{
    const bool originated = is_oesb(esb);
    const LocalFrameActive& f = lastRx_;
    auto* env = new FcSeqPayload("FC_SEQ_PAYLOAD", 0);
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
    send_to_ctrl(env);
}

// ---- Statistics, costs, logs ---------------------------------------------------

void EndToEndPair::write_eestat_data(unsigned long remote, unsigned long local, long exchNew, long exchCom,
                                     long frmRcvd, double eeLat, long frmLen, double netDly, int hopNum,
                                     const long* rtPath)
{
    if (swPort_ || index() == 0 || !eeStatQue_)
        return;
    EeStatTable* t =
        eestat_table(*eeStatQue_, static_cast<std::uint32_t>(remote), static_cast<std::uint32_t>(local));
    t->exchNew += exchNew;
    t->exchCom += exchCom;
    t->frmRcvd += frmRcvd;
    t->frmLen += frmLen;
    t->eeLatSum += eeLat;
    t->netDlySum += netDly;
    if (hopNum >= 1) {
        if (!rtPath)
            error("---> write_eestat_data : non-zero hopNum found NULL rtPath");
        t->route.assign(rtPath, rtPath + hopNum);
    }
}

double EndToEndPair::load_timing(const TaskTiming* task) const
{
    return ::load_timing(task, timing_->cpuClock, timing_->memClock);
}

void EndToEndPair::warnings(const char* text)
{
    ::warnings(this, text, OpenFailText::ERROR_BANG);
}

void EndToEndPair::delete_message(cMessage* msg)
{
    delete_fc2_message(msg);
}

static const sDescrItem endToEndPairItems[] = {{'M', "default", nullptr, 0},
                                               {'P', "peerAddrId", "LDXFT", 0},
                                               {'P', "maxConCurrSeq", "LDXFT", 0},
                                               {'G', "from_fc2ctrl", nullptr, 'I'},
                                               {'G', "to_fc2ctrl", nullptr, 'O'},
                                               {'E', nullptr, nullptr, 0}};

Define_Module_Interface(EndToEndPair, endToEndPairItems);
Define_Module(EndToEndPair, 8192);
