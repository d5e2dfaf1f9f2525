#include "fc4/FcExtendedLinkService.h"

#include <algorithm>

#include "fc4/ExchangeKeys.h"
#include "fc4/FcCodes.h"
#include "messages/MsgKinds.h"

using namespace fc4;

namespace {

const sDescrItem fcElsItems[] = {{'M', "default", nullptr, 0},
                                 {'P', "currConCurrIu", "LDXFT", 0},
                                 {'G', "from_fc4ctrl", nullptr, 'I'},
                                 {'G', "to_fc4ctrl", nullptr, 'O'},
                                 {'E', nullptr, nullptr, 0}};

const PoolTexts fcElsTexts = {
    "ERROR: Couldn't get a free FcEls OSB!",
    "ERROR: Couldn't get a free FcEls RSB!",
    "ERROR: cost_a_cciu exceeded maximum allowable ConCurrIu value - %d",
    "ERROR: free_a_cciu exceeded minimum allowable ConCurrIu value - 0!",
};

constexpr unsigned long ELS_PACKET_LENGTH = 116;

// The route of a request, which opens its exchange.
EnvelopeRoute requestRoute(unsigned long sId, unsigned long dId)
{
    EnvelopeRoute r;
    r.sId = sId;
    r.dId = dId;
    r.rCtl = RCTL_ELS_REQUEST;
    r.type = TYPE_ELS;
    r.firstSeq = true;
    r.lastSeq = false;
    r.xferSeqInit = true;
    return r.ssbSizes(1, 1, 1, 1);
}

// The route of an accept, which closes the exchange.
EnvelopeRoute replyRoute(unsigned long sId, unsigned long dId)
{
    EnvelopeRoute r;
    r.sId = sId;
    r.dId = dId;
    r.rCtl = RCTL_ELS_REPLY;
    r.type = TYPE_ELS;
    r.firstSeq = false;
    r.lastSeq = true;
    r.xferSeqInit = true;
    return r;
}

} // namespace

FcExtendedLinkService::FcExtendedLinkService(const char* name, cModule* parent, unsigned stackSize)
    : Fc4Service(name, parent, stackSize, fcElsTexts)
{
}

FcExtendedLinkService::~FcExtendedLinkService() = default;

void FcExtendedLinkService::activity()
{
    locate();
    // A node port's link services serve the port's logins and every peer's.
    long n = site_->defConCurrSeq();
    if (!site_->isSwitchPort())
        n *= site_->layer()->par("maxFcpPair").longValue() + 1;
    start_service(n);
    for (;;)
        handle(receive());
}

long FcExtendedLinkService::port_long(const char* name) const
{
    return site_->port()->par(name).longValue();
}

bool FcExtendedLinkService::isInitiator() const
{
    cModule* port = site_->port();
    return port->hasPar("fcpIni") && port->par("fcpIni").boolValue();
}

void FcExtendedLinkService::handle(cMessage* msg)
{
    EV << fullPath() << " --> " << msg->name() << "\n";
    switch (msg->kind()) {
    case FC_SEQ_PAYLOAD: wrap_in_cost(msg, "FC_ELS_RECV_COST", FC_ELS_RECV_COST, timing_.recv); break;
    case REQ_FLOGI:
    case REQ_PLOGI:
    case REQ_PLOUT:
    case ISSUE_RSCN:
    case ABT_SIO_ACK_ESB: wrap_in_cost(msg, "FC_ELS_SEND_COST", FC_ELS_SEND_COST, timing_.send); break;
    case OESB_FREE: free_block_of(msg); break;
    case INIT_FCELS:
        reset_service();
        delete msg;
        break;
    case PLOGI_TIME_OUT:
        proc_plogi_timeout(msg);
        delete msg;
        break;
    case ABTX_TIME_OUT:
        proc_abtx_timeout(msg);
        delete msg;
        break;
    case FC_ELS_RECV_COST: proc_recv_cost(msg); break;
    case FC_ELS_SEND_COST: proc_msg_send(msg); break;
    default: error("ERROR: No idea know how to handle message: %s !", msg->name());
    }
}

void FcExtendedLinkService::send_envelope(cMessage* packet, unsigned long key, const EnvelopeRoute& route)
{
    to_controller(new_envelope(packet, key, *site_, route));
}

// ---- Send processing ----------------------------------------------------------

void FcExtendedLinkService::proc_msg_send(cMessage* cost)
{
    cMessage* req = cost->decapsulate();
    if (!req)
        error("ERROR: FC_ELS_SEND_COST expected encapsulated message!");
    switch (req->kind()) {
    case REQ_FLOGI:
        request_fabric_login();
        delete req;
        break;
    case REQ_PLOGI:
        if (isInitiator())
            request_nport_login(req);
        else
            delete req; // a target port does not log in to anyone
        break;
    case REQ_PLOUT: delete req; break;
    case ISSUE_RSCN: issue_rscn(req); break;
    case ABT_SIO_ACK_ESB: request_abtx(req); break;
    default: error("ERROR: No idea know how to handle message: %s !", req->name());
    }
    delete cost;
    release_resource();
}

void FcExtendedLinkService::request_fabric_login()
{
    EV << "Requesting Fabric Login ... \n";
    if (role_ != ROLE_NODE_PORT)
        error("ERROR: Switch Port can not request Fabric Login!");
    if (port_long("addressId") != 0)
        error("ERROR: Address_ID has been assigned. Couldn't request Fabric Login!");
    auto* packet = new FcElsPacket("FC_ELS_FLOGI", FC_ELS_FLOGI);
    packet->setCmdCode(ELS_FLOGI);
    packet->setRecvBufSize(static_cast<std::uint32_t>(port_long("rxBufSize")));
    packet->setPortMode(N_PORT_MODE);
    packet->setMsgLen(ELS_PACKET_LENGTH);
    packet->setLength(ELS_PACKET_LENGTH);

    FcElsSb* sb = obtain_an_osb();
    sb->fc4MemAddr = static_cast<std::uint32_t>(obtain_fc4_addr());
    sb->cmdCode = ELS_FLOGI;
    sb->sbOpen = true;
    sb->sbDone = false;
    cost_a_cciu();
    EV << "Encapsulate FLOGI_PACKET into a FcSeqPayload and send out.\n";
    send_envelope(packet, sb->fc4MemAddr, requestRoute(0, LOGIN_SERVER_ID));
}

FcElsPacket* FcExtendedLinkService::new_plogi_packet(const char* name, unsigned long cmdCode)
{
    auto* packet = new FcElsPacket(name, FC_ELS_PLOGI);
    packet->setCmdCode(static_cast<std::uint32_t>(cmdCode));
    packet->setC3ConCurrSeq(static_cast<std::uint32_t>(port_long("reqC3ConCurrSeq")));
    packet->setPortName(static_cast<std::uint32_t>(port_long("portName")));
    packet->addPar("reqRecTov").setLongValue(port_long("currEdTov") + 1000);
    packet->setMsgLen(ELS_PACKET_LENGTH);
    packet->setLength(ELS_PACKET_LENGTH);
    return packet;
}

void FcExtendedLinkService::request_nport_login(cMessage* req)
{
    EV << "Requesting NxPort Login ... \n";
    if (role_ != ROLE_NODE_PORT)
        error("ERROR: Switch Port can not request NxPort Login!");
    const unsigned long own = static_cast<unsigned long>(port_long("addressId"));
    if (!is_nport_id(own))
        error("ERROR: No valid Address_ID has been assigned. Couldn't request NxPort Login!");
    if (!req->hasPar("tarAddrId"))
        error("ERROR: No Target Address_ID encapsulated in PLOGI request message!");
    if (!isInitiator())
        error("ERROR:Currently we do not support PLOGI initiated by Target!");
    const long target = req->par("tarAddrId").longValue();
    FcElsPacket* packet = new_plogi_packet("FC_ELS_PLOGI", ELS_PLOGI);

    FcElsSb* sb = obtain_an_osb();
    sb->fc4MemAddr = static_cast<std::uint32_t>(obtain_fc4_addr());
    sb->cmdCode = ELS_PLOGI;
    sb->sbOpen = true;
    sb->sbDone = false;
    cost_a_cciu();
    EV << "Encapsulate PLOGI_PACKET into a FcSeqPayload and send out.\n";
    send_envelope(packet, sb->fc4MemAddr, requestRoute(own, static_cast<unsigned long>(target)));

    cMessage* timeout = plain("PLOGI_TIME_OUT", PLOGI_TIME_OUT);
    timeout->addPar("tarAddrId").setLongValue(target);
    timeout->addPar("totalTry").setLongValue(req->par("totalTry").longValue() + 1);
    timeout->addPar("fc4MemAddr").setLongValue(sb->fc4MemAddr);
    scheduleAt(simTime() + port_long("currEdTov") / 1000.0, timeout);
    delete req;
}

void FcExtendedLinkService::request_abtx(cMessage* req)
{
    EV << "Requesting Abort Exchange ... \n";
    const auto rxId = static_cast<std::uint16_t>(req->par("rxId").longValue());
    if (rxId == 0xFFFF)
        warnings(LogKind::ALERT, "ABTX find RX_ID 0xFFFF!");
    const auto sId = static_cast<std::uint32_t>(req->par("sId").longValue());
    const auto oxId = static_cast<std::uint16_t>(req->par("oxId").longValue());
    const long peer = req->par("peerAddrId").longValue();
    auto* packet = new FcElsPacket("FC_ELS_ABTX", FC_ELS_ABTX);
    packet->setCmdCode(ELS_ABTX);
    packet->setSId(sId);
    packet->setOxId(oxId);
    packet->setRxId(rxId);
    packet->setMsgLen(44);
    packet->setLength(44);

    FcElsSb* sb = obtain_an_osb();
    sb->fc4MemAddr = static_cast<std::uint32_t>(obtain_fc4_addr());
    sb->cmdCode = ELS_ABTX;
    sb->sbOpen = true;
    sb->sbDone = false;
    sb->initiator = static_cast<int>(req->par("initiator").longValue());
    sb->target = static_cast<int>(req->par("target").longValue());
    cost_a_cciu();
    send_envelope(packet, sb->fc4MemAddr, requestRoute(sId, static_cast<unsigned long>(peer)));

    cMessage* timeout = plain("ABTX_TIME_OUT", ABTX_TIME_OUT);
    timeout->addPar("sId").setLongValue(sId);
    timeout->addPar("oxId").setLongValue(oxId);
    timeout->addPar("rxId").setLongValue(rxId);
    timeout->addPar("peerAddrId").setLongValue(peer);
    timeout->addPar("totalTry").setLongValue(req->par("totalTry").longValue() + 1);
    timeout->addPar("fc4MemAddr").setLongValue(sb->fc4MemAddr);
    timeout->addPar("initiator").setLongValue(sb->initiator);
    timeout->addPar("target").setLongValue(sb->target);
    scheduleAt(simTime() + port_long("currEdTov") / 1000.0, timeout);
    delete req;
}

void FcExtendedLinkService::issue_rscn(cMessage* req)
{
    EV << "Issuing RSCN ... \n";
    if (role_ != ROLE_SWITCH_PORT)
        error("ERROR: N_PORT can not issue RSCN!");
    FcElsSb* sb = obtain_an_osb();
    sb->fc4MemAddr = static_cast<std::uint32_t>(obtain_fc4_addr());
    sb->cmdCode = ELS_RSCN;
    sb->sbOpen = true;
    sb->sbDone = true; // no accept comes: FC-2's OESB_FREE frees the block
    cost_a_cciu();
    auto* packet = new FcElsPacket("FC_ELS_RSCN", FC_ELS_RSCN);
    packet->setCmdCode(ELS_RSCN);
    packet->setPortId(static_cast<std::uint32_t>(req->par("portId").longValue()));
    packet->setMsgLen(8);
    packet->setLength(8);
    EV << "Encapsulate RSCN into a FcSeqPayload and send out.\n";
    const auto dest = static_cast<unsigned long>(req->par("destAddrId").longValue());
    EnvelopeRoute route = requestRoute(FABRIC_CONTROLLER_ID, dest);
    route.lastSeq = true;
    route.xferSeqInit = false;
    send_envelope(packet, sb->fc4MemAddr, route.ssbSizes(1, 0, 0, 1));
    delete req;
}

// ---- Receive processing -------------------------------------------------------

void FcExtendedLinkService::proc_recv_cost(cMessage* cost)
{
    cMessage* inner = cost->decapsulate();
    if (!inner || inner->kind() != FC_SEQ_PAYLOAD)
        error("ERROR: FC_ELS_RECV_COST expected FC_SEQ_PAYLOAD!");
    auto* seq = static_cast<FcSeqPayload*>(inner);
    if (!seq->getHasCtxPtr())
        error("ERROR: FcSeqPayload expecting context ptr to FcElsPacket.");
    auto* original = object_at<FcElsPacket>(seq->getCtxPtr());
    proc_recv_fcels(original->dup(), seq);
    delete original;
    delete cost;
    release_resource();
}

void FcExtendedLinkService::proc_recv_fcels(FcElsPacket* packet, FcSeqPayload* seq)
{
    switch (packet->getCmdCode()) {
    case ELS_ABTX: acc_abtx(packet, seq); break;
    case ELS_RSCN: proc_rscn(packet, seq); break;
    case ELS_LS_ACC: proc_els_acc(packet, seq); break;
    case ELS_PLOGI: acc_nport_login(packet, seq); break;
    case ELS_FLOGI: acc_fabric_login(packet, seq); break;
    default: error("ERROR: proc_recv_fcels does not know how to handle %s !", packet->name());
    }
}

void FcExtendedLinkService::acc_fabric_login(FcElsPacket* packet, FcSeqPayload* seq)
{
    EV << "ACC a Fabric Login ... \n";
    if (role_ != ROLE_SWITCH_PORT)
        error("ERROR: N_Port can not ACC Fabric Login!");
    if (find_an_sb(seq->getFc4MemAddr()))
        error("ERROR: Found duplicate fc4MemAddr for Fabric Login request!");
    if (packet->getPortMode() != N_PORT_MODE)
        error("ERROR: Fabric Login request came from wrong place!");
    FcElsSb* sb = obtain_an_rsb();
    sb->sbOpen = true;
    sb->sbDone = false;
    sb->cmdCode = packet->getCmdCode();
    sb->fc4MemAddr = seq->getFc4MemAddr();

    cModule* swPort = site_->port();
    auto* accept = new FcElsPacket("FC_ELS_FLOGI_ACC", FC_ELS_FLOGI_ACC);
    accept->setCmdCode(ELS_LS_ACC);
    accept->setRecvBufSize(static_cast<std::uint32_t>(port_long("rxBufSize")));
    accept->setEdTov(static_cast<std::uint32_t>(port_long("reqEdTov")));
    accept->setRaTov(static_cast<std::uint32_t>(port_long("reqRaTov")));
    accept->setPortMode(F_PORT_MODE);
    accept->setMsgLen(ELS_PACKET_LENGTH);
    accept->setLength(ELS_PACKET_LENGTH);

    const long domain = swPort->parentModule()->par("domainId").longValue();
    const long portIndex = swPort->isVector() ? swPort->index() : 0;
    const auto address = static_cast<unsigned long>((domain * 256 + port_long("areaId")) * 256 + portIndex);
    EV << "Encapsulate FLOGI_PACKET into a FcSeqPayload and send out.\n";
    send_envelope(accept, sb->fc4MemAddr, replyRoute(LOGIN_SERVER_ID, address));

    cMessage* found = plain("F_PORT_FOUND", F_PORT_FOUND);
    found->addPar("portId").setLongValue(static_cast<long>(address));
    found->addPar("portName").setLongValue(0);
    found->addPar("nodeName").setLongValue(0);
    found->addPar("newBbCredit").setLongValue(packet->getRecvBufSize());
    to_controller(found);
    delete packet;
    delete seq;
    sb->finish();
}

void FcExtendedLinkService::send_req_eepair(FcElsPacket* packet, unsigned long peer)
{
    const long ownRecTov = port_long("currEdTov") + 1000;
    const long peerRecTov = packet->hasPar("reqRecTov") ? packet->par("reqRecTov").longValue() : 0;
    cMessage* req = plain("REQ_EEPAIR", REQ_EEPAIR);
    req->addPar("newC3ConCurrSeq")
        .setLongValue(std::min(port_long("reqC3ConCurrSeq"), static_cast<long>(packet->getC3ConCurrSeq())));
    req->addPar("peerAddrId").setLongValue(static_cast<long>(peer));
    req->addPar("newRecTov").setLongValue(std::max(ownRecTov, peerRecTov));
    to_controller(req);
}

void FcExtendedLinkService::acc_nport_login(FcElsPacket* packet, FcSeqPayload* seq)
{
    EV << "ACC an NxPort Login ... \n";
    if (role_ != ROLE_NODE_PORT)
        error("ERROR: Switch Port can not accept NxPort Login!");
    const auto own = static_cast<unsigned long>(port_long("addressId"));
    if (!is_nport_id(own))
        error("ERROR: Impossible! No valid Address_ID has been assigned. Couldn't acc NxPort Login!");
    if (seq->getDId() != own)
        error("ERROR: Impossible! PLOGI came into wrong NxPort!");
    if (isInitiator())
        error("ERROR:Currently we do not support PLOGI accepted by Initiator!");
    FcElsSb* sb = obtain_an_rsb();
    sb->sbOpen = true;
    sb->sbDone = false;
    sb->cmdCode = packet->getCmdCode();
    sb->fc4MemAddr = seq->getFc4MemAddr();

    FcElsPacket* accept = new_plogi_packet("FC_ELS_PLOGI_ACC", ELS_LS_ACC);
    EV << "Encapsulate ACC PLOGI into a FcSeqPayload and send out.\n";
    send_envelope(accept, sb->fc4MemAddr, replyRoute(own, seq->getSId()));
    send_req_eepair(packet, seq->getSId());
    delete packet;
    delete seq;
    sb->finish();
}

void FcExtendedLinkService::acc_abtx(FcElsPacket* packet, FcSeqPayload* seq)
{
    EV << "ACC an ABTX ... \n";
    if (packet->getSId() != seq->getSId())
        error("ERROR: ABTX Originator different from the aborted Exchange Originator!");
    FcElsSb* sb = obtain_an_rsb();
    sb->sbOpen = true;
    sb->sbDone = false;
    sb->cmdCode = packet->getCmdCode();
    sb->fc4MemAddr = seq->getFc4MemAddr();

    auto* accept = new FcElsPacket("FC_ELS_ABTX_ACC", FC_ELS_ABTX_ACC);
    accept->setCmdCode(ELS_LS_ACC);
    accept->setMsgLen(4);
    accept->setLength(4);
    EV << "Encapsulate ACC ABTX into a FcSeqPayload and send out.\n";
    cMessage* abort = plain("ABORT_EXCHANGE", ABORT_EXCHANGE);
    abort->addPar("peerAddrId").setLongValue(packet->getSId());
    abort->addPar("oxId").setLongValue(packet->getOxId());
    abort->addPar("rxId").setLongValue(packet->getRxId());
    to_controller(abort);
    send_envelope(accept, sb->fc4MemAddr, replyRoute(seq->getDId(), seq->getSId()));
    delete packet;
    delete seq;
    sb->finish();
}

void FcExtendedLinkService::proc_rscn(FcElsPacket* packet, FcSeqPayload* seq)
{
    EV << "Processing received RSCN ... \n";
    if (role_ != ROLE_NODE_PORT)
        error("ERROR: SW_PORT can not process RSCN!");
    cMessage* req = plain("REQ_GFF_ID", REQ_GFF_ID);
    req->addPar("portId").setLongValue(packet->getPortId());
    to_controller(req);
    delete packet;
    delete seq;
}

void FcExtendedLinkService::proc_els_acc(FcElsPacket* packet, FcSeqPayload* seq)
{
    EV << "Received FC_ELS_ACC, checking CmdCode ... \n";
    FcElsSb* sb = find_an_sb(seq->getFc4MemAddr());
    if (!sb)
        error("ERROR: Found no requested OSB for FC_ELS_ACC!");
    switch (sb->cmdCode) {
    case ELS_FLOGI: proc_flogi_acc(packet, seq, sb); break;
    case ELS_PLOGI: proc_plogi_acc(packet, seq, sb); break;
    case ELS_ABTX: proc_abtx_acc(packet, seq, sb); break;
    default: error("ERROR: Not know how to handle FC_ELS_ACC. ");
    }
    delete packet;
    delete seq;
}

void FcExtendedLinkService::proc_flogi_acc(FcElsPacket* packet, FcSeqPayload*, FcElsSb* sb)
{
    EV << "Fabric Login ACC received ... \n";
    if (role_ != ROLE_NODE_PORT)
        error("ERROR: Switch Port can not process FLOGI ACC!");
    if (packet->getPortMode() != F_PORT_MODE)
        error("ERROR: Fabric Login ACC came from wrong place!");
    sb->finish();
    free_a_cciu();
    cMessage* done = plain("FLOGI_DONE", FLOGI_DONE);
    done->addPar("newBbCredit").setLongValue(packet->getRecvBufSize());
    done->addPar("newEdTov").setLongValue(packet->getEdTov());
    done->addPar("newRaTov").setLongValue(packet->getRaTov());
    to_controller(done);
}

void FcExtendedLinkService::proc_plogi_acc(FcElsPacket* packet, FcSeqPayload* seq, FcElsSb* sb)
{
    EV << "NxPort Login ACC received ... \n";
    if (role_ != ROLE_NODE_PORT)
        error("ERROR: Switch Port can not process PLOGI ACC!");
    const auto own = static_cast<unsigned long>(port_long("addressId"));
    if (!is_nport_id(own))
        error("ERROR: Impossible! No valid Address_ID has been assigned. Couldn't process PLOGI_ACC!");
    if (seq->getDId() != own)
        error("ERROR: Impossible! PLOGI_ACC came into wrong NxPort!");
    if (!isInitiator())
        error("ERROR:Currently we do not support PLOGI_ACC received Target!");
    sb->finish();
    free_a_cciu();
    send_req_eepair(packet, seq->getSId());
}

void FcExtendedLinkService::proc_abtx_acc(FcElsPacket*, FcSeqPayload*, FcElsSb* sb)
{
    EV << "ABTX ACC received ... \n";
    sb->finish();
    free_a_cciu();
    cMessage* free = plain("FREE_LUNPT_SIO", FREE_LUNPT_SIO);
    free->addPar("initiator").setLongValue(sb->initiator);
    free->addPar("target").setLongValue(sb->target);
    to_controller(free);
}

// ---- Time-outs --------------------------------------------------------------------

void FcExtendedLinkService::proc_plogi_timeout(cMessage* msg)
{
    FcElsSb* sb = find_an_sb(static_cast<unsigned long>(msg->par("fc4MemAddr").longValue()));
    if (!sb) {
        EV << "WARNING: PLOGI_TIME_OUT couldn't find an ELS StateBlock ... PLOGI already done or cancelled!\n";
        return;
    }
    warnings(LogKind::NOTICE, "PLOGI_TIME_OUT find an existing ELS StateBlock, about to re-schedule PLOGI!");
    cMessage* remove = plain("PLOGI_TO_RM_OESB", PLOGI_TO_RM_OESB);
    remove->addPar("fc4MemAddr").setLongValue(sb->fc4MemAddr);
    to_controller(remove);
    sb->initialise();
    free_a_cciu();
    const long totalTry = msg->par("totalTry").longValue();
    if (totalTry > 2) {
        warnings(LogKind::ALERT, "PLOGI Exceeds the maximum retry attempts!");
        return;
    }
    cMessage* retry = plain("REQ_PLOGI", REQ_PLOGI);
    retry->addPar("tarAddrId").setLongValue(msg->par("tarAddrId").longValue());
    retry->addPar("totalTry").setLongValue(totalTry);
    to_controller(retry);
}

void FcExtendedLinkService::proc_abtx_timeout(cMessage* msg)
{
    FcElsSb* sb = find_an_sb(static_cast<unsigned long>(msg->par("fc4MemAddr").longValue()));
    if (!sb) {
        EV << "WARNING: ABTX_TIME_OUT couldn't find a ELS StateBlock ... ABTX already done or cancelled!\n";
        return;
    }
    warnings(LogKind::NOTICE, "ABTX_TIME_OUT find an existing ELS StateBlock, about to re-schedule ABTX!");
    cMessage* remove = plain("ABTX_TO_RM_OESB", ABTX_TO_RM_OESB);
    remove->addPar("fc4MemAddr").setLongValue(sb->fc4MemAddr);
    to_controller(remove);
    sb->initialise();
    sb->initiator = -1;
    sb->target = -1;
    free_a_cciu();
    const long totalTry = msg->par("totalTry").longValue();
    if (totalTry > 2) {
        warnings(LogKind::ALERT, "ABTX Exceeds the maximum retry attempts!");
        return;
    }
    cMessage* retry = plain("ABT_SIO_ACK_ESB", ABT_SIO_ACK_ESB);
    for (const char* name : {"sId", "oxId", "rxId", "peerAddrId", "totalTry", "initiator", "target"})
        retry->addPar(name).setLongValue(msg->par(name).longValue());
    to_controller(retry);
}

Define_Module_Interface(FcExtendedLinkService, fcElsItems);
Define_Module(FcExtendedLinkService, 8192);
