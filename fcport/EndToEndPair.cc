#include "fcport/EndToEndPair.h"

#include <cstring>
#include <string>

#include "device/TaskTiming.h"
#include "device/WarningsLog.h"
#include "fcport/EeStatTable.h"
#include "fcport/Fc2EeStat.h"
#include "fcport/FcPortTiming.h"
#include "fcport/PortCodes.h"
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

EndToEndPair::EndToEndPair(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize), frmTxQue_("FRM_TX_QUE")
{
}

EndToEndPair::~EndToEndPair()
{
    // Whatever the pair still holds goes with it, contexts included, without
    // the warnings of a running pair.
    for (EsbTable* table : {&oesb_, &resb_})
        for (ESB& esb : table->blocks())
            for (std::vector<SSB>* ssbs : {&esb.initSsb, &esb.recpSsb})
                for (SSB& ssb : *ssbs)
                    delete_context(ssb.hasCtx, ssb.ctxPtr);
    while (!frmTxQue_.empty())
        discard_message(static_cast<cMessage*>(frmTxQue_.pop()));
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
    oesb_.reset_used();
    resb_.reset_used();
    esbByFfqFF_ = esbByAddrFF_ = 0;

    // Pair 0 and switch ports record no statistics. A device without an
    // EeStat module records none either.
    if (!swPort_ && index() >= 1 && port_->parentModule())
        eeStatQue_ = eestat_queue_of(port_->parentModule()->submodule("EeStat"));
}

void EndToEndPair::set_watch()
{
    WATCH(oesb_);
    WATCH(resb_);
    WATCH(esbByFfqFF_);
    WATCH(esbByAddrFF_);
}

void EndToEndPair::dispatch(cMessage* msg)
{
    switch (msg->kind()) {
    case SEQ_SEG_COST:
        seqSegCost_.done(msg);
        proc_seq_seg_cost();
        break;
    case FRM_TXI_COST:
        frmTxiCost_.done(msg);
        proc_frm_txi_cost();
        break;
    case FRM_TXU_COST: proc_frm_txu_cost(msg); break;
    case FRM_RXU_COST: proc_frm_rxu_cost(msg); break;
    case COM_FRM_TX: {
        cMessage* cost = frmTxuCost_.next();
        cost->encapsulate(msg);
        scheduleAt(simTime() + load_timing(timing_->fcFrmTxu), cost);
        break;
    }
    case REQ_RX_PROC: {
        cMessage* cost = frmRxuCost_.next();
        cost->encapsulate(msg);
        scheduleAt(simTime() + load_timing(timing_->fcFrmRxu), cost);
        break;
    }
    case FC_SEQ_PAYLOAD:
        if (auto* env = exact_cast<FcSeqPayload>(msg)) {
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
            warnings(LogKind::WARNING, contextWarning);
            delete_context(true, ssb.ctxPtr);
        }
        ssb.hasCtx = false;
        ssb.ctxPtr = 0;
    }
    ssbs.clear();
}

void EndToEndPair::alloc_table(EsbTable& table, int n, const char* blocks, const char* longName)
{
    EV << "Allocating maximum size of " << longName << " ... \n";
    table.assign(n);
    EV << table.size() << " " << blocks << " were allocated. \n";
}

void EndToEndPair::reset_table(EsbTable& table, const char* blocks)
{
    EV << "Reset allocated " << blocks << ". \n";
    for (ESB& esb : table.blocks())
        reset_an_esb(&esb);
    table.reset_in_use();
}

void EndToEndPair::free_table(EsbTable& table, const char* longName)
{
    EV << "De-allocate all " << longName << " ... \n";
    for (ESB& esb : table.blocks()) {
        dealloc_init_ssb(&esb);
        dealloc_recp_ssb(&esb);
    }
    table.clear();
}

void EndToEndPair::alloc_oesb(int n)
{
    dealloc_oesb();
    alloc_table(oesb_, n, "OESBs", "OriginatorESBs");
    reset_oesb();
}

void EndToEndPair::alloc_resb(int n)
{
    dealloc_resb();
    alloc_table(resb_, n, "RESBs", "ResponderESBs");
    reset_resb();
}

void EndToEndPair::reset_oesb()
{
    reset_table(oesb_, "OESBs");
}

void EndToEndPair::reset_resb()
{
    reset_table(resb_, "RESBs");
}

void EndToEndPair::dealloc_oesb()
{
    free_table(oesb_, "OriginatorESBs");
}

void EndToEndPair::dealloc_resb()
{
    free_table(resb_, "ResponderESBs");
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

ESB* EndToEndPair::take_free_esb(EsbTable& table, const char* noneFree)
{
    ESB* esb = table.first_free();
    if (!esb)
        error("%s", noneFree);
    reset_an_esb(esb);
    return esb;
}

ESB* EndToEndPair::open_an_oesb(FcSeqPayload* env)
{
    EV << "Opening an OESB ... \n";
    ESB* esb = take_free_esb(oesb_, "ERROR: No free OESB to allocate !!!");
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
    oesb_.count_opened();
    return esb;
}

ESB* EndToEndPair::open_an_resb()
{
    EV << "Opening an RESB ... \n";
    ESB* esb = take_free_esb(resb_, "ERROR: No free RESB to allocate !!!");
    const LocalFrameActive& f = *lastRx_;
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
    resb_.count_opened();
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
    free_ssbs(esb->initSsb, "Deleting INIT_SSB also will delete context pointer!");
    esb->initSsbFlag = false;
    esb->initSsbSize = 0;
}

void EndToEndPair::dealloc_recp_ssb(ESB* esb)
{
    if (!esb->recpSsbFlag)
        return;
    EV << opp_format("De-allocate RecipientSSB for Exchange [0x%x,0x%x]\n", esb->oxId, esb->rxId);
    free_ssbs(esb->recpSsb, "Deleting RECP_SSB also will delete context pointer!");
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
    ssb->seqId = lastRx_->seqId;
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
    warnings(LogKind::WARNING, "find_an_ssb didn't find a requested SSB !!!");
    return nullptr;
}

ESB* EndToEndPair::find_an_esb_by_fc4Addr(unsigned long key)
{
    EV << "Looking up ESB (both OESB and RESB) ... \n";
    const auto holdsKey = [key](const ESB& esb) { return esb.fc4MemAddr == key; };
    if (ESB* esb = oesb_.find_open(holdsKey))
        return esb;
    return resb_.find_open(holdsKey);
}

ESB* EndToEndPair::find_an_esb_by_ffq(const FrameQualifier& ffq, int direction)
{
    if (direction != FRAME_TX_ACTIVE && direction != FRAME_RX_ACTIVE)
        error("ERROR: Expected FRAME_TX_ACTIVE or FRAME_RX_ACTIVE!");
    // A frame from the originator belongs to our OESB when we sent it and to
    // our RESB when we received it; a frame from the responder the other way.
    if ((direction == FRAME_TX_ACTIVE) == ffq.exchOrig)
        return oesb_.find_open([&ffq](const ESB& esb) { return esb.oxId == ffq.oxId; });
    return resb_.find_open([&ffq](const ESB& esb) { return esb.rxId == ffq.rxId; });
}

ESB* EndToEndPair::find_first_seq_resb(unsigned long origId, unsigned short oxId)
{
    return resb_.find_open([origId, oxId](const ESB& esb) { return esb.oxId == oxId && esb.orig == origId; });
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
        if (!oesb_.count_closed())
            error("ERROR: delete_an_esb oesbInUse < 0 fault!");
    } else {
        EV << "An RESB was freed.\n";
        if (!resb_.count_closed())
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

unsigned short EndToEndPair::take_xid(cPar* counter, EsbTable& table, std::uint16_t ESB::*field, const char* obtained,
                                      const char* overlap)
{
    const long value = counter->longValue();
    const auto id = static_cast<unsigned short>(value & 0xFFFF);
    counter->setLongValue(value == 0xFFFE ? 0 : value + 1);
    EV << opp_format(obtained, id);
    if (ESB* esb = table.find_open([field, id](const ESB& b) { return b.*field == id; })) {
        warnings(LogKind::ALERT, overlap);
        esb->completion = true;
        esb->endNormal = false;
        delete_an_esb(esb, false);
    }
    return id;
}

unsigned short EndToEndPair::alloc_oxid()
{
    return take_xid(currOxId_, oesb_, &ESB::oxId, "Obtained an OX_ID: 0x%x\n",
                    "encountered OX_ID overlap. Abort the old Exchange bearing that OX_ID");
}

unsigned short EndToEndPair::alloc_rxid()
{
    return take_xid(currRxId_, resb_, &ESB::rxId, "Obtained an RX_ID: 0x%x\n",
                    "encountered RX_ID overlap. Abort the old Exchange bearing that RX_ID");
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
        warnings(LogKind::WARNING, "RESB_FREE found no requested ESB Table!");
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
        warnings(LogKind::WARNING, "ABT_SIO_REQ_ESB found no requested ESB Table!");
    }
    delete msg;
    send_next_msg();
}

void EndToEndPair::proc_abort_exchange(cMessage* msg)
{
    const auto oxId = static_cast<unsigned short>(msg->par("oxId").longValue());
    delete msg;
    if (ESB* esb = resb_.find_open([oxId](const ESB& b) { return b.oxId == oxId; })) {
        cMessage* abort = plain("ABORT_FCPIO", ABORT_FCPIO);
        abort->addPar("fc4MemAddr").setLongValue(esb->fc4MemAddr);
        abort->addPar("eeIdx").setLongValue(index());
        abort->addPar("portIdx").setLongValue(port_->index());
        send_to_ctrl(abort);
        esb->completion = true;
        esb->endNormal = false;
        delete_an_esb(esb, false);
    } else {
        warnings(LogKind::WARNING, "ABORT_EXCHANGE found no requested RESB Table!");
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
        warnings(LogKind::WARNING, "HOLD_INIT found no requested ESB Table!");
    send_next_msg();
}

void EndToEndPair::proc_timed_out_oesb(cMessage* msg)
{
    const auto key = static_cast<unsigned long>(msg->par("fc4MemAddr").longValue());
    delete msg;
    if (ESB* esb = find_an_esb_by_fc4Addr(key)) {
        warnings(LogKind::WARNING, "PLOGI/ABTX TIME_OUT removed its OESB table!");
        esb->completion = true;
        esb->endNormal = false;
        delete_an_esb(esb, false);
    } else {
        warnings(LogKind::WARNING, "PLOGI/ABTX_TO_RM_OESB found no requested ESB Table");
    }
    send_next_msg();
}

// ---- Statistics, costs, logs ---------------------------------------------------

void EndToEndPair::write_eestat_data(unsigned long remote, unsigned long local, long exchNew, long exchCom,
                                     long frmRcvd, double eeLat, long frmLen, double netDly, int hopNum,
                                     const long* rtPath)
{
    if (swPort_ || index() == 0 || !eeStatQue_)
        return;
    EeStatTable* t = eestat_table(*eeStatQue_, static_cast<std::uint32_t>(remote), static_cast<std::uint32_t>(local));
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

void EndToEndPair::warnings(LogKind kind, const char* text)
{
    ::warnings(this, kind, text, OpenFailText::ERROR_BANG);
}

void EndToEndPair::delete_message(cMessage* msg)
{
    discard_message(msg);
}

static const sDescrItem endToEndPairItems[] = {{'M', "default", nullptr, 0},       {'P', "peerAddrId", "LDXFT", 0},
                                               {'P', "maxConCurrSeq", "LDXFT", 0}, {'G', "from_fc2ctrl", nullptr, 'I'},
                                               {'G', "to_fc2ctrl", nullptr, 'O'},  {'E', nullptr, nullptr, 0}};

Define_Module_Interface(EndToEndPair, endToEndPairItems);
Define_Module(EndToEndPair, 8192);
