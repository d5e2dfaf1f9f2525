#include "fc4/Fc4Controller.h"

#include <algorithm>
#include <string>

#include "device/ConfigFileReader.h"
#include "device/FileNameString.h"
#include "device/SettingCatalogue.h"
#include "device/WarningsLog.h"
#include "fc4/DeviceDownKinds.h"
#include "fc4/GidFtListFile.h"
#include "fc4/SequenceEnvelope.h"
#include "fcport/PortSection.h"
#include "fcport/SequenceFrames.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"

namespace {

const sDescrItem fc4ControllerItems[] = {
    {'M', "default", nullptr, 0},      {'G', "from_ulp", nullptr, 'I'},   {'G', "to_ulp", nullptr, 'O'},
    {'G', "from_fc2", nullptr, 'I'},   {'G', "to_fc2", nullptr, 'O'},     {'G', "from_fcgs", nullptr, 'I'},
    {'G', "to_fcgs", nullptr, 'O'},    {'G', "from_fcels", nullptr, 'I'}, {'G', "to_fcels", nullptr, 'O'},
    {'G', "from_fcp[]", nullptr, 'I'}, {'G', "to_fcp[]", nullptr, 'O'},   {'E', nullptr, nullptr, 0}};

// The FCP pair a SCSI-FCP primitive names.
int primitiveFcpIndex(cMessage* msg)
{
    switch (msg->kind()) {
    case SEND_SCSI_CMD: return static_cast<SendScsiCmd*>(msg)->getFcpIndex();
    case SEND_DATA_IN: return static_cast<SendDataIn*>(msg)->getFcpIndex();
    case RECV_DATA_OUT: return static_cast<RecvDataOut*>(msg)->getFcpIndex();
    case SEND_CMD_COMP: return static_cast<SendCmdComp*>(msg)->getFcpIndex();
    case CMD_COMP_CONF: return static_cast<CmdCompConf*>(msg)->getFcpIndex();
    case FCP_REQ_DATA_OUT: return static_cast<FcpReqDataOut*>(msg)->getFcpIndex();
    default: return -1;
    }
}

const char* missingPairText(int kind)
{
    switch (kind) {
    case SEND_SCSI_CMD: return "SEND_SCSI_CMD detected missing FCP Pair!";
    case SEND_DATA_IN: return "SEND_DATA_IN detected missing FCP Pair!";
    case RECV_DATA_OUT: return "RECV_DATA_OUT detected missing FCP Pair!";
    case FCP_REQ_DATA_OUT: return "FCP_REQ_DATA_OUT detected missing FCP Pair!";
    default: return "SEND_CMD_COMP detected missing FCP Pair!"; // SEND_CMD_COMP and CMD_COMP_CONF
    }
}

} // namespace

Fc4Controller::Fc4Controller(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize), normalQue_("REQ_PROC_QUE"), annexQue_("REQ_QUE_ANX"),
      heldQue_("SEQ_HOLD_QUE")
{
}

Fc4Controller::~Fc4Controller()
{
    for (cQueue* q : {&normalQue_, &annexQue_, &heldQue_})
        while (!q->empty())
            discard_message(static_cast<cMessage*>(q->pop()));
}

void Fc4Controller::initialize()
{
    site_ = std::make_unique<Fc4Site>(this);
    layer_ = site_->layer();
    port_ = site_->port();
    flogiDone_ = &layer_->par("flogiDone");
    flogiLrDone_ = &layer_->par("flogiLrDone");
    load_fc4_params();
    maxFcpPair_ = static_cast<int>(layer_->par("maxFcpPair").longValue());
    pairs_.allocate(maxFcpPair_);
    setGateSize("from_fcp", maxFcpPair_);
    setGateSize("to_fcp", maxFcpPair_);
    toFcp_ = OutputGates(this, "to_fcp");
    toFcels_ = findGate("to_fcels");
    toFcgs_ = findGate("to_fcgs");

    cModuleType* type = findModuleType("FcScsi");
    if (!type)
        error("Simple module type definition FcScsi not found");
    for (int i = 0; i < maxFcpPair_; ++i) {
        cModule* fcp = type->create("Fcp", layer_);
        fcp->setIndex(i, maxFcpPair_);
        gate("to_fcp", i)->connectTo(fcp->gate("from_fc4ctrl"));
        fcp->gate("to_fc4ctrl")->connectTo(gate("from_fcp", i));
        fcp->par("maxConCurrIu").setLongValue(0);
        fcp->par("currRecTov").setLongValue(0);
        fcp->par("eeIndex").setLongValue(-1);
        fcp->par("portIndex").setLongValue(-1);
        fcp->par("plogiDone").setBoolValue(false);
        fcp->par("plgiDone").setBoolValue(false);
        fcp->setDisplayString("i=fc4srvs;p=60,70,row,75;b=50,50");
        fcp->buildInside();
        simulation.startCreatedModules(fcp);
    }
}

void Fc4Controller::load_fc4_params()
{
    PortLocation loc;
    cModule* device = site_->device();
    const int fc4Index = site_->fc4Index();
    loc.device = device;
    loc.portIndex = fc4Index;
    if (site_->isChip()) {
        loc.kind = PortLocation::ARRAY;
        loc.boardIndex = device->index();
        loc.confFile = device->parentModule()->par("confFile").stringValue();
    } else {
        loc.kind = PortLocation::HOST;
        loc.confFile = device->par("confFile").stringValue();
    }

    ConfigRow row;
    {
        ConfigFileReader file(this, loc.confFile);
        if (!find_port_row(file, loc, false, row))
            error("---> Missing settings for %s. Please check section [2] of the file \"%s\"",
                  site_->port()->fullPath().c_str(), loc.confFile.c_str());
    }
    const int first = site_->isChip() ? 8 : 7;
    const SettingFile kind = port_setting_file(loc);
    const long maxSeqTry = row.asLong(first, setting(kind, "[2]", "MaxSeqTry"));
    const long maxPeerPort = row.asLong(first + 1, setting(kind, "[2]", "MaxPeerPort"));
    for (const char* name : {"maxSioTry", "maxFcpPair"})
        if (!layer_->hasPar(name))
            layer_->addPar(name);
    layer_->par("maxSioTry").setLongValue(maxSeqTry);
    layer_->par("maxFcpPair").setLongValue(maxPeerPort);

    confFile_ = loc.confFile;
    const char* file = loc.confFile.c_str();
    if (site_->isChip()) {
        if (maxSeqTry < 1)
            error("---> Chip[%ld].NxPort[%d] : MaxSeqTry should > 0. Please check section [2] of the file \"%s\"",
                  loc.boardIndex, fc4Index, file);
        if (maxPeerPort < 1)
            error("---> Chip[%ld].NxPort[%d] : MaxPeerPort should > 0. Please check section [2] of the file \"%s\"",
                  loc.boardIndex, fc4Index, file);
    } else {
        if (maxSeqTry < 1)
            error("---> NxPort[%d] : MaxSeqTry should > 0. Please check section [2] of the file \"%s\"", fc4Index,
                  file);
        if (maxPeerPort < 1)
            error("---> NxPort[%d] : MaxPeerPort should > 0. Please check section [2] of the file \"%s\"", fc4Index,
                  file);
    }
}

void Fc4Controller::activity()
{
    defConCurrSeq_ = site_->defConCurrSeq();
    fcgs_ = layer_->submodule("FcGs");
    fcels_ = layer_->submodule("FcEls");
    fromFc2_ = findGate("from_fc2");
    toFc2_ = findGate("to_fc2");
    toUlp_ = findGate("to_ulp");
    deviceDown_ = true;
    peers_.allocate(maxFcpPair_);
    for (;;)
        handle(receive());
}

bool Fc4Controller::fcpIni() const
{
    return port_->par("fcpIni").boolValue();
}

cMessage* Fc4Controller::plain(const char* name, int kind) const
{
    return new cMessage(name, kind, 0);
}

void Fc4Controller::schedule_self(cMessage* msg, simtime_t at)
{
    pendingSelf_.push_back(msg);
    scheduleAt(at, msg);
}

void Fc4Controller::handle(cMessage* msg)
{
    EV << fullPath() << " --> " << msg->name() << "\n";
    if (msg->isSelfMessage())
        pendingSelf_.erase(std::remove(pendingSelf_.begin(), pendingSelf_.end(), msg), pendingSelf_.end());
    if (deviceDown_ && !admit_while_down(msg))
        return;

    switch (msg->kind()) {
    case NEXT_MSG:
        delete msg;
        comp_cpu_proc();
        break;
    case ACK_PROC_REQ: take_grant(msg); break;
    case FC_SEQ_PAYLOAD: pass_sequence(msg); break;
    case OESB_FREE: proc_oesb_free(msg); break;
    case RESB_FREE: pass_with_ee_index(msg, "RESB_FREE detected missing FCP Pair!"); break;
    case HOLD_INIT: pass_with_ee_index(msg, "HOLD_INIT detected missing FCP Pair!"); break;
    case PORT_DOWN:
        if (deviceDown_)
            proc_port_down_while_down(msg);
        else
            req_cpu_proc(msg, false);
        break;
    case PORT_UP:
    case KEEP_IU_INIT:
    case FCP_REQ_DATA_OUT:
    case ABORT_FCPIO:
    case REQ_PLOUT:
    case SEND_SCSI_CMD:
    case SEND_DATA_IN:
    case RECV_DATA_OUT:
    case SEND_CMD_COMP:
    case CMD_COMP_CONF:
    case REQ_ABT_SIO: req_cpu_proc(msg, false); break;
    case REQ_FLOGI:
    case REQ_PLOGI:
    case REQ_RFF_ID:
    case REQ_GFF_ID:
    case REQ_GID_FT:
    case ABT_SIO_ACK_ESB: req_cpu_proc(msg, true); break;
    case REQ_EEPAIR:
    case ABT_SIO_REQ_ESB:
    case ABORT_EXCHANGE:
    case PLOGI_TO_RM_OESB:
    case ABTX_TO_RM_OESB: send(msg, toFc2_); break;
    case FREE_LUNPT_SIO:
    case SCSI_CMD_RECVD:
    case DATA_OUT_RECVD:
    case REQ_CMD_COMP:
    case CMD_COMP_RECVD:
    case COMP_CONF_RECVD:
    case ABORT_LUNIO: send(msg, toUlp_); break;
    case CREATE_IT_PATH:
    case REMOVE_IT_PATH: pass_path_message(msg); break;
    case FLOGI_DONE: proc_flogi_done(msg); break;
    case PLOGI_SUCC: alloc_fcppair(msg); break;
    case PLOUT_SUCC: remove_fcppair(msg); break;
    case INITIATOR_FOUND:
    case TARGET_FOUND: take_found_port(msg); break;
    case NPORT_LOST: take_lost_port(msg); break;
    case RECV_PID_LIST: take_pid_list(msg); break;
    default: error("ERROR: Fc4Ctrl does not know how to handle message: %s !", msg->name());
    }
}

bool Fc4Controller::admit_while_down(cMessage* msg)
{
    if (const char* refusal = refusal_while_down(msg->kind()))
        error(refusal, msg->name());
    const char* dropWarning = drop_warning_while_down(msg->kind());
    if (!dropWarning)
        return true;
    warnings(LogKind::WARNING, dropWarning);
    if (msg->kind() == SEND_SCSI_CMD)
        delete_scsi_msg(static_cast<SendScsiCmd*>(msg));
    else
        delete_message(msg);
    return false;
}

void Fc4Controller::take_grant(cMessage* msg)
{
    if (!msg->hasPar("fc4Anx"))
        error("ERROR: ACK_PROC_REQ should have par fc4Anx!");
    const bool anx = msg->par("fc4Anx").boolValue();
    delete msg;
    proc_request(anx);
}

void Fc4Controller::pass_sequence(cMessage* msg)
{
    const bool flogiDone = flogiDone_->boolValue();
    if (msg->arrivedOn(fromFc2_)) {
        if (!deviceDown_ || !flogiDone)
            req_cpu_proc(msg, false);
        else
            heldQue_.insert(msg); // between the fabric login and the link reset's PORT_UP
        return;
    }
    if (deviceDown_ && flogiDone)
        error("ERROR: Can not receive FC_SEQ_PAYLOAD from FC-4 modules when device is down!");
    send(msg, toFc2_);
}

void Fc4Controller::take_found_port(cMessage* msg)
{
    const unsigned long id = static_cast<unsigned long>(msg->par("portId").longValue());
    const bool wanted = msg->kind() == TARGET_FOUND ? fcpIni() : !fcpIni();
    if (wanted && !is_local_nport(id)) {
        if (msg->kind() == TARGET_FOUND)
            proc_target_found(id);
        else
            proc_initiator_found(id);
    }
    delete msg;
}

void Fc4Controller::take_lost_port(cMessage* msg)
{
    proc_nport_lost(static_cast<unsigned long>(msg->par("portId").longValue()));
    delete msg;
}

void Fc4Controller::take_pid_list(cMessage* msg)
{
    cMessage* inner = msg->decapsulate();
    auto* packet = dynamic_cast<FcGsPacket*>(inner);
    if (!packet) {
        delete inner;
        error("ERROR: RECV_PID_LIST should encapsulate FcGsPacket!");
    }
    delete msg;
    recv_pid_list(packet);
}

// ---- Processor handshake ----------------------------------------------------

void Fc4Controller::req_cpu_proc(cMessage* msg, bool anx)
{
    (anx ? annexQue_ : normalQue_).insert(msg);
    cMessage* req = plain("REQ_CPU_PROC", REQ_CPU_PROC);
    req->addPar("fc4Anx").setBoolValue(anx);
    send(req, toUlp_);
}

void Fc4Controller::comp_cpu_proc()
{
    send(plain("COMP_CPU_PROC", COMP_CPU_PROC), toUlp_);
}

void Fc4Controller::release_resource()
{
    scheduleAt(simTime(), plain("NEXT_MSG", NEXT_MSG));
}

void Fc4Controller::proc_request(bool anx)
{
    if (normalQue_.empty() && annexQue_.empty()) {
        release_resource();
        return;
    }
    cQueue* queue = nullptr;
    if (anx) {
        if (annexQue_.empty()) {
            // A grant for a request whose message was cleared with the
            // queues; the normal queue's own requests will find it empty.
            queue = &normalQue_;
        } else {
            if (link_service_exchanges() >= defConCurrSeq_) {
                // The link services have every exchange open that the port
                // may have: ask again later and leave the request queued.
                cMessage* req = plain("REQ_CPU_PROC", REQ_CPU_PROC);
                req->addPar("fc4Anx").setBoolValue(true);
                sendDelayed(req, 0.005, toUlp_);
                release_resource();
                return;
            }
            queue = &annexQue_;
        }
    } else {
        if (normalQue_.empty()) {
            // Its message went to an earlier annex grant that found the annex
            // queue empty.
            release_resource();
            return;
        }
        queue = &normalQue_;
    }
    serve(static_cast<cMessage*>(queue->pop()));
}

long Fc4Controller::link_service_exchanges()
{
    if (!fcgsOpen_) {
        fcgsOpen_ = &fcgs_->par("currConCurrIu");
        fcelsOpen_ = &fcels_->par("currConCurrIu");
    }
    return fcgsOpen_->longValue() + fcelsOpen_->longValue();
}

void Fc4Controller::serve(cMessage* msg)
{
    switch (msg->kind()) {
    case FC_SEQ_PAYLOAD: proc_recv_seq(static_cast<FcSeqPayload*>(msg)); break;
    case OESB_FREE: {
        const long type = msg->par("type").longValue();
        if (type == static_cast<long>(TYPE_ELS))
            send(msg, toFcels_);
        else if (type == static_cast<long>(TYPE_GS))
            send(msg, toFcgs_);
        else
            error("---> OESB_FREE found no destination");
        break;
    }
    case REQ_FLOGI:
    case REQ_PLOGI:
    case ABT_SIO_ACK_ESB: send(msg, toFcels_); break;
    case REQ_RFF_ID:
    case REQ_GFF_ID:
    case REQ_GID_FT: send(msg, toFcgs_); break;
    case KEEP_IU_INIT: {
        const int k = get_fcpindex_by_eeindex(static_cast<int>(msg->par("eeIndex").longValue()));
        if (k < 0) {
            // The peer logged out while the unit waited for the processor:
            // the pair's removal in FC-2 took the exchange with it.
            warnings(LogKind::WARNING, "KEEP_IU_INIT detected missing FCP Pair!");
            delete_message(msg);
            release_resource();
            break;
        }
        toFcp_.send(msg, k);
        break;
    }
    case PORT_UP: proc_port_up(msg); break;
    case PORT_DOWN: {
        clear_fc4_resource();
        cMessage* down = plain("DEV_DOWN", DEV_DOWN);
        down->addPar("fc4Index").setLongValue(site_->fc4Index());
        send(down, toUlp_);
        release_resource();
        delete msg;
        break;
    }
    case REQ_PLOUT:
        send(msg, toFc2_);
        release_resource();
        break;
    case ALLOC_FCPPAIR:
    case REMOVE_FCPPAIR: toFcp_.send(msg, static_cast<int>(msg->par("fcpIndex").longValue())); break;
    case SEND_SCSI_CMD:
    case SEND_DATA_IN:
    case RECV_DATA_OUT:
    case SEND_CMD_COMP:
    case CMD_COMP_CONF:
    case FCP_REQ_DATA_OUT: serve_primitive(msg); break;
    case REQ_ABT_SIO: {
        const int k = static_cast<int>(msg->par("target").longValue());
        FcpPair* pair = query_fcppair_by_fcpidx(k);
        if (!pair) {
            warnings(LogKind::WARNING, "REQ_ABT_SIO detected missing FCP Pair!");
            delete_message(msg);
            release_resource();
            break;
        }
        msg->addPar("portIdx").setLongValue(pair->portIndex);
        msg->addPar("eeIdx").setLongValue(pair->eeIndex);
        toFcp_.send(msg, k);
        break;
    }
    case ABORT_FCPIO: {
        const int k = get_fcpindex_by_eeindex(static_cast<int>(msg->par("eeIdx").longValue()));
        if (k < 0) {
            warnings(LogKind::WARNING, "ABORT_FCPIO detected missing FCP Pair!");
            delete_message(msg);
            release_resource();
            break;
        }
        toFcp_.send(msg, k);
        break;
    }
    default: error("ERROR: FC-4 Ctrl proc_request doesn't know how to handle message %s!", msg->name());
    }
}

void Fc4Controller::serve_primitive(cMessage* msg)
{
    const int k = primitiveFcpIndex(msg);
    if (lookup_fcp_index(k)) {
        toFcp_.send(msg, k);
        return;
    }
    warnings(LogKind::WARNING, missingPairText(msg->kind()));
    if (msg->kind() == SEND_SCSI_CMD)
        delete_scsi_msg(static_cast<SendScsiCmd*>(msg));
    else
        delete_message(msg);
    release_resource();
}

// ---- Received sequences -----------------------------------------------------

void Fc4Controller::proc_recv_seq(FcSeqPayload* seq)
{
    switch (seq->getType()) {
    case TYPE_ELS: send(seq, toFcels_); break;
    case TYPE_SCSI_FCP:
        if (FcpPair* pair = query_fcppair(seq->getSId())) {
            toFcp_.send(seq, pair->fcpIdx);
        } else {
            ::warnings_as_written(this, LogKind::WARNING,
                                  "WARNINGS: FC-4/SCSI_FCP: FC_SEQ_PAYLOAD Break point ... for debugging",
                                  OpenFailText::ERROR_BANG);
            delete_message(seq);
            release_resource();
        }
        break;
    case TYPE_GS: send(seq, toFcgs_); break;
    case TYPE_SW_ILS:
        warnings(LogKind::WARNING, "Received FC_SW_ILS, drop it !");
        delete_message(seq);
        release_resource();
        break;
    default: error("ERROR: proc_recv_seq Unknown TYPE field - %d.", static_cast<int>(seq->getType()));
    }
}

// ---- Bring-up ---------------------------------------------------------------

void Fc4Controller::proc_port_up(cMessage* msg)
{
    cPar& flogiDone = *flogiDone_;
    cPar& flogiLrDone = *flogiLrDone_;
    if (flogiDone.boolValue() && flogiLrDone.boolValue())
        error("ERROR: Received PORT_READY but both FLOGI and FLOGI_LR already finished !");
    delete msg;
    if (!flogiDone.boolValue()) {
        clear_fc4_resource();
        schedule_self(plain("REQ_FLOGI", REQ_FLOGI), simTime() + (fcpIni() ? 0.1 : 0.05));
        release_resource();
        return;
    }
    flogiLrDone.setBoolValue(true);
    deviceDown_ = false;
    port_->par("currBbCnt").setLongValue(0);
    port_->par("currEdTov").setLongValue(edTov_);
    port_->par("currRaTov").setLongValue(raTov_);
    port_->par("currBbCredit").setLongValue(bbCredit_);
    // FcGs ends this grant when the registration request has gone out.
    send(plain("REQ_RFF_ID", REQ_RFF_ID), toFcgs_);
    release_held_sequences();
}

void Fc4Controller::release_held_sequences()
{
    while (!heldQue_.empty())
        req_cpu_proc(static_cast<cMessage*>(heldQue_.pop()), false);
}

void Fc4Controller::proc_port_down_while_down(cMessage* msg)
{
    warnings(LogKind::ALERT, "Already in DEVICE_DOWN mode!");
    // A drop during bring-up forgets the login under way, a REQ_FLOGI still
    // pending included, so that the next PORT_UP starts afresh.
    clear_fc4_resource();
    delete msg;
}

void Fc4Controller::proc_flogi_done(cMessage* msg)
{
    flogiDone_->setBoolValue(true);
    sendDelayed(plain("REQ_LINK_RESET", REQ_LINK_RESET), 0.005, toFc2_);
    edTov_ = static_cast<std::int32_t>(msg->par("newEdTov").longValue());
    raTov_ = static_cast<std::int32_t>(msg->par("newRaTov").longValue());
    bbCredit_ = static_cast<std::int32_t>(msg->par("newBbCredit").longValue());
    delete msg;
}

void Fc4Controller::clear_fc4_resource()
{
    deviceDown_ = true;
    for (cQueue* q : {&normalQue_, &annexQue_, &heldQue_})
        while (!q->empty()) {
            auto* m = static_cast<cMessage*>(q->pop());
            if (m->kind() == SEND_SCSI_CMD)
                delete_scsi_msg(static_cast<SendScsiCmd*>(m));
            else
                delete_message(m);
        }
    for (cMessage* m : pendingSelf_)
        delete cancelEvent(m);
    pendingSelf_.clear();
    flogiDone_->setBoolValue(false);
    flogiLrDone_->setBoolValue(false);
    layer_->par("nsRegDone").setBoolValue(false);
    peers_.clear();
    initFcpPairTbl();
    for (int i = 0; i < maxFcpPair_; ++i)
        toFcp_.send(plain("INIT_FCPPAIR", INIT_FCPPAIR), i);
    send(plain("INIT_FCELS", INIT_FCELS), toFcels_);
    send(plain("INIT_FCGS", INIT_FCGS), toFcgs_);
}

// ---- Discovery ----------------------------------------------------------------

void Fc4Controller::recv_pid_list(FcGsPacket* packet)
{
    const std::string fileName = take_file_name_string(packet->getGidFtFileNamePtr());
    packet->setGidFtFileNamePtr(0);
    const int entryNum = packet->getEntryNum();
    delete packet;
    for (std::uint32_t id : read_gid_ft_list(this, fileName, entryNum)) {
        cMessage* req = plain("REQ_GFF_ID", REQ_GFF_ID);
        req->addPar("portId").setLongValue(id);
        schedule_self(req, simTime());
    }
}

void Fc4Controller::proc_target_found(unsigned long id)
{
    EV << "Processing newly found Target N_Port: " << id << "\n";
    const auto key = static_cast<std::uint32_t>(id);
    if (peers_.holds(key)) {
        warnings(LogKind::NOTICE, "proc_target_found Target already been setup.");
        return;
    }
    if (!peers_.take(key))
        error("---> proc_target_found : cannot allocate a tarList! Please enlarge MaxPeerPort (now %d) in section [2] "
              "of the file \"%s\"",
              maxFcpPair_, confFile_.c_str());
    cMessage* req = plain("REQ_PLOGI", REQ_PLOGI);
    req->addPar("tarAddrId").setLongValue(static_cast<long>(id));
    req->addPar("totalTry").setLongValue(0);
    schedule_self(req, simTime());
}

void Fc4Controller::proc_initiator_found(unsigned long id)
{
    EV << "Processing newly found Initiator N_Port: " << id << "\n";
    const auto key = static_cast<std::uint32_t>(id);
    if (peers_.holds(key)) {
        warnings(LogKind::NOTICE, "proc_initiator_found Initiator already been setup. ");
        return;
    }
    if (!peers_.take(key))
        error("---> proc_initiator_found : cannot allocate a iniList! Please enlarge maxFcpPair");
}

void Fc4Controller::proc_nport_lost(unsigned long id)
{
    EV << "Processing newly lost Target N_Port: " << id << "\n";
    peers_.release(static_cast<std::uint32_t>(id));
    cMessage* req = plain("REQ_PLOUT", REQ_PLOUT);
    req->addPar("peerAddrId").setLongValue(static_cast<long>(id));
    schedule_self(req, simTime());
}

bool Fc4Controller::isin_local_pf(cModule* device, unsigned long id)
{
    const long ports = device->par("nxPortNum").longValue();
    for (long j = 0; j < ports; ++j) {
        cModule* port = device->submodule("NxPort", static_cast<int>(j));
        if (port && static_cast<unsigned long>(port->par("addressId").longValue()) == id)
            return true;
    }
    return false;
}

bool Fc4Controller::is_local_nport(unsigned long id)
{
    cModule* device = site_->device();
    if (!site_->isChip())
        return isin_local_pf(device, id);
    cModule* storage = device->parentModule();
    const long chips = storage->par("chipNum").longValue();
    for (long c = 0; c < chips; ++c) {
        cModule* chip = storage->submodule("Chip", static_cast<int>(c));
        if (chip && isin_local_pf(chip, id))
            return true;
    }
    return false;
}

// ---- Messages and logs ----------------------------------------------------------

void Fc4Controller::delete_message(cMessage* msg)
{
    discard_message(msg);
}

void Fc4Controller::delete_scsi_msg(SendScsiCmd* cmd)
{
    // The command block belongs to the SCSI initiator, which deletes it when
    // the sub-I/O ends there; only the undelivered primitive goes.
    delete cmd;
}

void Fc4Controller::warnings(LogKind kind, const char* text)
{
    ::warnings(this, kind, text, OpenFailText::ERROR_BANG);
}

Define_Module_Interface(Fc4Controller, fc4ControllerItems);
Define_Module(Fc4Controller, 8192);
