#include "fc4/FcScsi.h"

#include <string>

#include "device/WarningsLog.h"
#include "fc4/ExchangeKeys.h"
#include "fcport/PortCodes.h"
#include "fcport/SequenceFrames.h"
#include "messages/MsgKinds.h"

namespace {

const sDescrItem fcScsiItems[] = {{'M', "default", nullptr, 0},      {'P', "maxConCurrIu", "LDXFT", 0},
                                  {'P', "currRecTov", "LDXFT", 0},   {'P', "eeIndex", "LDXFT", 0},
                                  {'P', "portIndex", "LDXFT", 0},    {'P', "plogiDone", "B", 0},
                                  {'P', "plgiDone", "B", 0},         {'G', "from_fc4ctrl", nullptr, 'I'},
                                  {'G', "to_fc4ctrl", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

// The engine keeps no count of open exchanges, so only the pool texts apply.
const PoolTexts fcScsiTexts = {
    "ERROR: Couldn't get a free FCP OSB!",
    "ERROR: Couldn't get a free FCP RSB!",
    "",
    "",
};

// KEEP_IU_INIT is looked up at a fixed cost, not as a processor task.
constexpr double LOOKUP_IOSB_TIME = 5e-7;

} // namespace

FcScsi::FcScsi(const char* name, cModule* parent, unsigned stackSize)
    : Fc4Service(name, parent, stackSize, fcScsiTexts), rspWaitQue_("RSP_WAIT_QUE")
{
}

FcScsi::~FcScsi()
{
    retire_cdbs(pools_.rsbs());
    retire_cdbs(pools_.osbs());
    for (ScsiCdb* cdb : retiredCdbs_)
        delete cdb;
}

void FcScsi::activity()
{
    portIndex_ = &par("portIndex");
    eeIndex_ = &par("eeIndex");
    init_params();
    locate();
    take_timing("FCP_IU_SEND", "FCP_IU_RECV");
    defConCurrSeq_ = site_->defConCurrSeq();
    sbNum_ = static_cast<int>(defConCurrSeq_);
    init_osb();
    init_rsb();
    rspWaitQue_.setName("RSP_WAIT_QUE");
    for (;;)
        handle(receive());
}

void FcScsi::finish()
{
    while (!rspWaitQue_.empty())
        delete rspWaitQue_.pop();
}

void FcScsi::init_params()
{
    par("maxConCurrIu").setLongValue(0);
    par("currRecTov").setLongValue(0);
    par("eeIndex").setLongValue(-1);
    par("portIndex").setLongValue(-1);
    par("plogiDone").setBoolValue(false);
    par("plgiDone").setBoolValue(false);
}

void FcScsi::handle(cMessage* msg)
{
    EV << fullPath() << " --> " << msg->name() << "\n";
    switch (msg->kind()) {
    case FC_SEQ_PAYLOAD: wrap_in_cost(msg, "SCSI_FCP_RECV_COST", SCSI_FCP_RECV_COST, load_timing(timing_.recv)); break;
    case KEEP_IU_INIT: wrap_in_cost(msg, "LOOKUP_IOSB_COST", LOOKUP_IOSB_COST, LOOKUP_IOSB_TIME); break;
    case SEND_SCSI_CMD:
    case SEND_DATA_IN:
    case RECV_DATA_OUT:
    case SEND_CMD_COMP:
    case CMD_COMP_CONF:
    case FCP_REQ_DATA_OUT:
        wrap_in_cost(msg, "SCSI_FCP_SEND_COST", SCSI_FCP_SEND_COST, load_timing(timing_.send));
        break;
    case SCSI_FCP_SEND_COST: proc_msg_send(msg); break;
    case SCSI_FCP_RECV_COST: proc_recv_cost(msg); break;
    case LOOKUP_IOSB_COST: req_cmd_comp(msg); break;
    case INIT_FCPPAIR:
        sbNum_ = static_cast<int>(defConCurrSeq_);
        init_params();
        rebuild_pools();
        delete msg;
        break;
    case ALLOC_FCPPAIR: alloc_fcppair(msg); break;
    case REMOVE_FCPPAIR: remove_fcppair(msg); break;
    case REQ_ABT_SIO: abort_sio(msg); break;
    case ABORT_FCPIO: abort_fcpio(msg); break;
    default: error("ERROR: No idea know how to handle message: %s !", msg->name());
    }
}

void FcScsi::proc_msg_send(cMessage* cost)
{
    cMessage* prim = cost->decapsulate();
    if (!prim)
        error("ERROR: %s expected encapsulated message!", cost->name());
    switch (prim->kind()) {
    case SEND_SCSI_CMD: send_fcp_cmnd(static_cast<SendScsiCmd*>(prim)); break;
    case SEND_DATA_IN: send_fcp_data(prim, 1); break;
    case RECV_DATA_OUT: send_fcp_xfer_rdy(static_cast<RecvDataOut*>(prim)); break;
    case SEND_CMD_COMP: send_fcp_rsp(static_cast<SendCmdComp*>(prim)); break;
    case CMD_COMP_CONF: send_fcp_conf(static_cast<CmdCompConf*>(prim)); break;
    case FCP_REQ_DATA_OUT: send_fcp_data(prim, 2); break;
    default: error("FcScsi proc_msg_send not know how to handle message: %s", prim->name());
    }
    delete cost;
    release_resource();
}

void FcScsi::proc_recv_cost(cMessage* cost)
{
    cMessage* inner = cost->decapsulate();
    if (!inner || inner->kind() != FC_SEQ_PAYLOAD)
        error("ERROR: SCSI_FCP_RECV_COST expected FC_SEQ_PAYLOAD!");
    auto* seq = static_cast<FcSeqPayload*>(inner);
    if (!seq->getHasCtxPtr())
        error("ERROR: FcSeqPayload expecting context ptr to FcpIu!");
    auto* original = object_at<FcpIu>(seq->getCtxPtr());
    FcpIu* copy = original->dup();
    delete original;
    proc_recv_fcpiu(copy, seq);
    delete cost;
    release_resource();
}

// ---- The I-T path ------------------------------------------------------------------

cModule* FcScsi::nx_port(int portIndex) const
{
    if (!knownPort_ || portIndex != knownPortIndex_) {
        cModule* port = site_->device()->submodule("NxPort", portIndex);
        if (!port)
            error("---> Found no NxPort[%d] in %s", portIndex, site_->device()->fullPath().c_str());
        knownPortIndex_ = portIndex;
        knownPort_ = port;
        knownPortAddress_ = nullptr;
    }
    return knownPort_;
}

const cPar& FcScsi::port_address(int portIndex) const
{
    cModule* port = nx_port(portIndex);
    if (!knownPortAddress_)
        knownPortAddress_ = &port->par("addressId");
    return *knownPortAddress_;
}

unsigned long FcScsi::peer_address(int portIndex, int eeIndex) const
{
    const cPar* peer = eePeers_.find(nx_port(portIndex), eeIndex);
    if (!peer)
        error("---> Found no Fc2.EePair[%d] in NxPort[%d]", eeIndex, portIndex);
    return static_cast<unsigned long>(peer->longValue());
}

int FcScsi::chip_id() const
{
    cModule* device = site_->device();
    return device->isVector() ? device->index() : 0;
}

void FcScsi::alloc_fcppair(cMessage* msg)
{
    par("maxConCurrIu").setLongValue(msg->par("maxConCurrIu").longValue());
    par("currRecTov").setLongValue(msg->par("recTov").longValue());
    par("eeIndex").setLongValue(msg->par("eeIndex").longValue());
    par("portIndex").setLongValue(msg->par("portIndex").longValue());
    par("plogiDone").setBoolValue(true);
    par("plgiDone").setBoolValue(true);
    sbNum_ = static_cast<int>(par("maxConCurrIu").longValue());
    rebuild_pools();
    release_resource();

    const int portIndex = static_cast<int>(par("portIndex").longValue());
    const int eeIndex = static_cast<int>(par("eeIndex").longValue());
    auto* path = new cMessage("CREATE_IT_PATH", CREATE_IT_PATH, 0);
    path->addPar("fcpIndex").setLongValue(index());
    path->addPar("iniAddrId").setLongValue(port_address(portIndex).longValue());
    path->addPar("tarAddrId").setLongValue(static_cast<long>(peer_address(portIndex, eeIndex)));
    path->addPar("recTov").setLongValue(par("currRecTov").longValue());
    path->addPar("maxSioTry").setLongValue(site_->layer()->par("maxSioTry").longValue());
    to_controller(path);
    delete msg;
}

void FcScsi::remove_fcppair(cMessage* msg)
{
    // Open I/Os go with the pools; nothing is freed in FC-2.
    sbNum_ = static_cast<int>(defConCurrSeq_);
    init_params();
    rebuild_pools();
    release_resource();
    auto* path = new cMessage("REMOVE_IT_PATH", REMOVE_IT_PATH, 0);
    path->addPar("fcpIndex").setLongValue(index());
    to_controller(path);
    delete msg;
}

// ---- Aborts --------------------------------------------------------------------------

void FcScsi::abort_sio(cMessage* msg)
{
    if (FcpIoSb* sb = find_sb_by_ioid(static_cast<unsigned long>(msg->par("ioId").longValue()))) {
        auto* req = new cMessage("ABT_SIO_REQ_ESB", ABT_SIO_REQ_ESB, 0);
        req->addPar("fc4MemAddr").setLongValue(sb->fc4MemAddr);
        req->addPar("portIdx").setLongValue(msg->par("portIdx").longValue());
        req->addPar("eeIdx").setLongValue(msg->par("eeIdx").longValue());
        req->addPar("initiator").setLongValue(fc4_index());
        req->addPar("target").setLongValue(index());
        to_controller(req);
        abortedKeys_.insert(sb->fc4MemAddr);
        abortedIoIds_.insert(sb->ioId);
        if (sb->WRDATA) {
            FcpIoSb& kept = abortedWrites_[sb->fc4MemAddr];
            kept = *sb;
            kept.ownCdb = nullptr;
        }
        // A completion held for the data goes with the I/O.
        for (cObject* obj : rspWaitQue_) {
            auto* held = static_cast<CmdCompRecvd*>(obj);
            if (held->getIoId() == sb->ioId) {
                delete rspWaitQue_.remove(held);
                break;
            }
        }
        free_block(sb);
    } else {
        warnings(LogKind::WARNING, "REQ_ABT_SIO found no requested FCP IO Table!");
    }
    delete msg;
    release_resource();
}

void FcScsi::abort_fcpio(cMessage* msg)
{
    if (FcpIoSb* sb = find_an_sb(static_cast<unsigned long>(msg->par("fc4MemAddr").longValue()))) {
        auto* abort = new cMessage("ABORT_LUNIO", ABORT_LUNIO, 0);
        abort->addPar("ioId").setLongValue(sb->ioId);
        abort->addPar("lun").setLongValue(sb->lun);
        abort->addPar("fc4Index").setLongValue(fc4_index());
        abort->addPar("fcpIndex").setLongValue(index());
        abort->addPar("chipId").setLongValue(chip_id());
        to_controller(abort);
        abortedKeys_.insert(sb->fc4MemAddr);
        abortedIoIds_.insert(sb->ioId);
        // The LUN controller may still hold the command block until the
        // abort reaches it.
        if (sb->ownCdb) {
            retiredCdbs_.push_back(sb->ownCdb);
            sb->ownCdb = nullptr;
        }
        free_block(sb);
    } else {
        warnings(LogKind::WARNING, "ABORT_FCPIO found no requested FCP IO Table!");
    }
    delete msg;
    release_resource();
}

void FcScsi::drop_late(cMessage* msg)
{
    warnings(LogKind::WARNING, (std::string(msg->name()) + " belongs to an aborted I/O, dropped!").c_str());
}

FcpIoSb* FcScsi::block_of_primitive(cMessage* prim, unsigned long ioId)
{
    if (FcpIoSb* sb = find_sb_by_ioid(ioId))
        return sb;
    if (abortedIoIds_.count(static_cast<std::uint32_t>(ioId))) {
        drop_late(prim);
        delete prim;
        return nullptr;
    }
    error("ERROR: %s couldn't find an FcpIoSb for IO_ID: %d!", prim->name(), static_cast<int>(ioId));
}

FcpIoSb* FcScsi::block_of_unit(FcpIu* iu, FcSeqPayload* seq, const char* missingText)
{
    if (FcpIoSb* sb = find_an_sb(seq->getFc4MemAddr()))
        return sb;
    if (abortedKeys_.count(seq->getFc4MemAddr())) {
        drop_late(iu);
        delete iu;
        delete seq;
        return nullptr;
    }
    error("%s", missingText);
}

// ---- State blocks ------------------------------------------------------------------

void FcScsi::retire_cdbs(std::vector<FcpIoSb>& pool)
{
    for (FcpIoSb& sb : pool)
        if (sb.ownCdb) {
            if (!sb.sbFree)
                retiredCdbs_.push_back(sb.ownCdb);
            else
                delete sb.ownCdb;
            sb.ownCdb = nullptr;
        }
}

void FcScsi::init_osb()
{
    retire_cdbs(pools_.osbs());
    pools_.osbs().assign(static_cast<size_t>(sbNum_), FcpIoSb{});
}

void FcScsi::init_rsb()
{
    retire_cdbs(pools_.rsbs());
    pools_.rsbs().assign(static_cast<size_t>(sbNum_), FcpIoSb{});
}

void FcScsi::rebuild_pools()
{
    // The path and its slots go with the pair. Its open I/Os end here like
    // aborted ones: what of them is still on the way (a primitive of the
    // SCSI side, a unit, a request of FC-2) is dropped when it comes, also
    // once the pair serves a new login.
    abortedWrites_.clear();
    for (auto* pool : {&pools_.osbs(), &pools_.rsbs()})
        for (const FcpIoSb& sb : *pool)
            if (!sb.sbFree) {
                abortedKeys_.insert(sb.fc4MemAddr);
                abortedIoIds_.insert(sb.ioId);
            }
    init_osb();
    init_rsb();
}

void FcScsi::reset_a_sb(FcpIoSb* sb)
{
    sb->reset();
}

FcpIoSb* FcScsi::obtain_an_osb()
{
    FcpIoSb* sb = pools_.obtain_an_osb();
    reset_a_sb(sb);
    sb->sbFree = false;
    return sb;
}

FcpIoSb* FcScsi::obtain_an_rsb()
{
    FcpIoSb* sb = pools_.obtain_an_rsb();
    reset_a_sb(sb);
    sb->sbFree = false;
    return sb;
}

void FcScsi::free_block(FcpIoSb* sb)
{
    delete sb->ownCdb; // the target's copy: the I/O has ended here
    sb->ownCdb = nullptr;
    sb->sbFree = true;
}

FcpIoSb* FcScsi::find_sb_by_ioid(unsigned long ioId)
{
    return pools_.find_if([ioId](const FcpIoSb& sb) { return sb.ioId == ioId; });
}

// ---- Addresses, envelopes, costs, logs --------------------------------------------

void FcScsi::get_nport_addr(unsigned long& own, unsigned long& peer, const char* iuName)
{
    const int portIndex = static_cast<int>(portIndex_->longValue());
    const int eeIndex = static_cast<int>(eeIndex_->longValue());
    if (portIndex == -1 || eeIndex == -1)
        error("ERROR: Can not issue %s w/o valid I-T configuration!", iuName);
    own = static_cast<unsigned long>(port_address(portIndex).longValue());
    peer = peer_address(portIndex, eeIndex);
    if (!is_nport_id(own))
        warnings(LogKind::ALERT, ("Invalid Initiator AddressID for " + std::string(iuName)).c_str());
    if (!is_nport_id(peer))
        warnings(LogKind::ALERT, ("Invalid Target AddressID for " + std::string(iuName)).c_str());
}

void FcScsi::send_iu(FcpIu* iu, unsigned long key, unsigned rCtl, bool lastSeq, bool xferSeqInit)
{
    EnvelopeRoute route;
    get_nport_addr(route.sId, route.dId, iu->name());
    route.rCtl = rCtl;
    route.type = TYPE_SCSI_FCP;
    route.firstSeq = rCtl == RCTL_FCP_CMND;
    route.lastSeq = lastSeq;
    route.xferSeqInit = xferSeqInit;
    if (rCtl == RCTL_FCP_CMND)
        route.ssbSizes(2, 2, 2, 2);
    EV << "Encapsulate " << iu->name() << " into a FcSeqPayload and send out.\n";
    to_controller(new_envelope(iu, key, *site_, route));
}

Define_Module_Interface(FcScsi, fcScsiItems);
Define_Module(FcScsi, 8192);
