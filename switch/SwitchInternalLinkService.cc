#include "switch/SwitchInternalLinkService.h"

#include <cstring>

#include "device/WarningsLog.h"
#include "fc4/ExchangeKeys.h"
#include "fcport/PortCodes.h"
#include "fcport/SequenceFrames.h"
#include "messages/MsgKinds.h"
#include "switch/SwitchCodes.h"

using namespace swils;

namespace {

const sDescrItem swIlsItems[] = {{'M', "default", nullptr, 0},
                                 {'P', "currConCurrIu", "LDXFT", 0},
                                 {'G', "from_fc4ctrl", nullptr, 'I'},
                                 {'G', "to_fc4ctrl", nullptr, 'O'},
                                 {'E', nullptr, nullptr, 0}};

const PoolTexts swIlsTexts = {
    "ERROR: Couldn't get a free SwIls OSB!",
    "ERROR: Couldn't get a free SwIls RSB!",
    "ERROR: cost_a_cciu exceeded maximum allowable ConCurrIu value - %d !",
    "ERROR: Exceeded minimum allowable ConCurrIu value - 0!",
};

} // namespace

SwitchInternalLinkService::SwitchInternalLinkService(const char* name, cModule* parent, unsigned stackSize)
    : Fc4Service(name, parent, stackSize, swIlsTexts)
{
}

SwitchInternalLinkService::~SwitchInternalLinkService() = default;

void SwitchInternalLinkService::activity()
{
    locate();
    start_service(site_->defConCurrSeq());
    switch_ = site_->port()->parentModule();
    for (;;)
        handle(receive());
}

void SwitchInternalLinkService::handle(cMessage* msg)
{
    EV << fullPath() << " --> " << msg->name() << "\n";
    switch (msg->kind()) {
    case FC_SEQ_PAYLOAD: wrap_in_cost(msg, "SW_ILS_RECV_COST", SW_ILS_RECV_COST, timing_.recv); break;
    case FSPF_PACKET:
    case ISSUE_SW_RSCN:
    case REQ_ILS_ELP: wrap_in_cost(msg, "SW_ILS_SEND_COST", SW_ILS_SEND_COST, timing_.send); break;
    case OESB_FREE: free_block_of(msg); break;
    case INIT_SWILS:
        reset_service();
        delete msg;
        break;
    case SW_ILS_RECV_COST: proc_recv_cost(msg); break;
    case SW_ILS_SEND_COST: proc_msg_send(msg); break;
    default: error("ERROR: No idea know how to handle message: %s !", msg->name());
    }
}

EnvelopeRoute SwitchInternalLinkService::route(unsigned long sId, unsigned long dId, unsigned rCtl, bool firstSeq,
                                               bool lastSeq)
{
    EnvelopeRoute r;
    r.sId = sId;
    r.dId = dId;
    r.rCtl = rCtl;
    r.type = TYPE_SW_ILS;
    r.firstSeq = firstSeq;
    r.lastSeq = lastSeq;
    r.xferSeqInit = true;
    r.classOfSrv = CLASS_F;
    return r;
}

void SwitchInternalLinkService::send_envelope(cMessage* packet, unsigned long key, const EnvelopeRoute& route)
{
    to_controller(new_envelope(packet, key, *site_, route));
}

// ---- Send processing ----------------------------------------------------------

void SwitchInternalLinkService::proc_msg_send(cMessage* cost)
{
    cMessage* req = cost->decapsulate();
    if (!req)
        error("ERROR: SW_ILS_SEND_COST expected encapsulated message!");
    switch (req->kind()) {
    case FSPF_PACKET: send_fspf_packet(req); break;
    case ISSUE_SW_RSCN: issue_sw_rscn(req); break;
    case REQ_ILS_ELP:
        delete req;
        request_ils_elp(ELP, 0);
        break;
    default: error("ERROR: No idea know how to handle message: %s !", req->name());
    }
    delete cost;
    release_resource();
}

// An FSPF exchange is done once sent; its block waits for FC-2's OESB_FREE.
void SwitchInternalLinkService::send_fspf_packet(cMessage* packet)
{
    SwIlsSb* sb = open_osb(FSPF_EXCHANGE, true);
    EV << "Encapsulate FSPF_PACKET into a FcSeqPayload and send out.\n";
    EnvelopeRoute r = route(FABRIC_CONTROLLER_ID, FABRIC_CONTROLLER_ID, RCTL_REQUEST, true, true);
    send_envelope(packet, sb->fc4MemAddr, r.ssbSizes(1, 0, 0, 1));
}

SwIlsSb* SwitchInternalLinkService::open_osb(unsigned cmdCode, bool done)
{
    SwIlsSb* sb = obtain_an_osb();
    sb->cmdCode = cmdCode;
    sb->sbOpen = true;
    sb->sbDone = done;
    sb->sbFree = false;
    sb->fc4MemAddr = static_cast<std::uint32_t>(obtain_fc4_addr());
    cost_a_cciu();
    return sb;
}

// The receiver at the far end of the port's cable sits two levels below its
// port compound.
bool SwitchInternalLinkService::attached_to_node_port() const
{
    cModule* fc1 = site_->port()->submodule("Fc1");
    cGate* end = fc1 ? fc1->gate("link_out")->destinationGate() : nullptr;
    cModule* receiver = end ? end->ownerModule() : nullptr;
    cModule* layer = receiver ? receiver->parentModule() : nullptr;
    cModule* port = layer ? layer->parentModule() : nullptr;
    return port && std::strcmp(port->name(), "NxPort") == 0;
}

void SwitchInternalLinkService::request_ils_elp(unsigned cmdCode, unsigned long fc4MemAddr)
{
    if (attached_to_node_port()) {
        EV << "Noticed that the attached port is an NxPort. FC-SW-2 requires issuing SW_ILS_ELP"
              " even to the NxPort. Here for a simplicity we ignore this action. No harm.\n";
        return;
    }
    EV << "Requesting SW_ILS Exchange Link Parameters ... \n";
    const bool request = cmdCode == ELP;
    auto* packet = new SwIlsPacket(request ? "SW_ILS_ELP" : "SW_ILS_ELP_ACC", TYPE_SW_ILS);
    cModule* port = site_->port();
    packet->setCmdCode(static_cast<unsigned char>(cmdCode));
    packet->setPortName(static_cast<unsigned long>(port->par("portName").longValue()));
    packet->setBPortFlag(port->par("bPortFlag").boolValue());
    packet->setRaTov(static_cast<unsigned long>(port->par("reqRaTov").longValue()));
    packet->setEdTov(static_cast<unsigned long>(port->par("reqEdTov").longValue()));
    packet->setRecvBufSize(static_cast<unsigned long>(port->par("rxBufSize").longValue()));
    packet->setConCurrSeq(static_cast<unsigned long>(port->par("reqConCurrSeq").longValue()));
    packet->setMsgLen(ELP_LENGTH);
    packet->setLength(ELP_LENGTH);
    unsigned long key = fc4MemAddr;
    if (request)
        key = open_osb(ELP, false)->fc4MemAddr;
    EV << "Encapsulate SW_ILS_ELP into a FcSeqPayload and send out.\n";
    if (request) {
        EnvelopeRoute r = route(FABRIC_CONTROLLER_ID, FABRIC_CONTROLLER_ID, RCTL_REQUEST, true, false);
        send_envelope(packet, key, r.ssbSizes(1, 1, 1, 1));
    } else {
        send_envelope(packet, key, route(FABRIC_CONTROLLER_ID, FABRIC_CONTROLLER_ID, RCTL_REPLY, false, true));
    }
}

void SwitchInternalLinkService::rjt_ils_elp(unsigned cmdCode, unsigned long fc4MemAddr)
{
    EV << "Rejecting SW_ILS Exchange Link Parameters ... \n";
    auto* packet = new SwIlsPacket("SW_ILS_ELP_RJT", TYPE_SW_ILS);
    packet->setCmdCode(static_cast<unsigned char>(cmdCode));
    packet->setMsgLen(ELP_LENGTH);
    packet->setLength(ELP_LENGTH);
    EV << "Encapsulate SW_RJT into a FcSeqPayload and send out.\n";
    send_envelope(packet, fc4MemAddr, route(FABRIC_CONTROLLER_ID, FABRIC_CONTROLLER_ID, RCTL_REPLY, false, true));
}

void SwitchInternalLinkService::issue_sw_rscn(cMessage* req)
{
    EV << "Issuing SW_RSCN ... \n";
    SwIlsSb* sb = open_osb(SW_RSCN, true);
    auto* packet = new SwIlsPacket("SW_ILS_SW_RSCN", TYPE_SW_ILS);
    packet->setCmdCode(static_cast<unsigned char>(SW_RSCN));
    packet->setPortId(static_cast<unsigned long>(req->par("portId").longValue()));
    packet->setPortOnline(req->par("portOnline").boolValue());
    packet->setMsgLen(SW_RSCN_LENGTH);
    packet->setLength(SW_RSCN_LENGTH);
    EV << "Encapsulate SW_RSCN into a FcSeqPayload and send out.\n";
    const unsigned long own = DOMAIN_CONTROLLER_BASE + static_cast<unsigned long>(switch_->par("domainId").longValue());
    const unsigned long dest = DOMAIN_CONTROLLER_BASE + static_cast<unsigned long>(req->par("destDom").longValue());
    EnvelopeRoute r = route(own, dest, RCTL_REQUEST, true, true);
    send_envelope(packet, sb->fc4MemAddr, r.ssbSizes(1, 0, 0, 1));
    delete req;
}

// ---- Receive processing ---------------------------------------------------------

// The service works on a copy of the received packet, which takes over what
// the packet names by address; the packet itself then goes with a plain
// delete.
void SwitchInternalLinkService::proc_recv_cost(cMessage* cost)
{
    cMessage* inner = cost->decapsulate();
    if (!inner || inner->kind() != FC_SEQ_PAYLOAD)
        error("ERROR: SW_ILS_RECV_COST expected FC_SEQ_PAYLOAD!");
    auto* seq = static_cast<FcSeqPayload*>(inner);
    cMessage* received = carried_object(seq);
    if (!received)
        error("ERROR: FcSeqPayload expecting context ptr to SwIlsMsg.");
    seq->setHasCtxPtr(false);
    seq->setCtxPtr(0);
    proc_recv_swils(received->dup(), seq);
    delete received;
    delete cost;
    release_resource();
}

void SwitchInternalLinkService::proc_recv_swils(cMessage* packet, FcSeqPayload* seq)
{
    if (packet->kind() == FSPF_PACKET) {
        to_controller(packet);
        delete seq;
        return;
    }
    auto* ils = packet->kind() == TYPE_SW_ILS ? dynamic_cast<SwIlsPacket*>(packet) : nullptr;
    if (!ils)
        error("ERROR: proc_recv_swils does not know how to handle %s !", packet->name());
    switch (ils->getCmdCode()) {
    case SW_RJT: proc_sw_rjt(ils, seq); break;
    case SW_ACC: proc_sw_acc(ils, seq); break;
    case ELP: acc_ils_elp(ils, seq); break;
    case SW_RSCN: {
        auto* got = new cMessage("GOT_SW_RSCN", GOT_SW_RSCN, 0);
        got->encapsulate(ils);
        to_controller(got);
        delete seq;
        break;
    }
    default: error("ERROR: proc_recv_swils does not know how to handle SW_ILS command!");
    }
}

void SwitchInternalLinkService::record_link_values(const SwIlsPacket* peer)
{
    peer_.raTov = static_cast<std::uint32_t>(peer->getRaTov());
    peer_.edTov = static_cast<std::uint32_t>(peer->getEdTov());
    peer_.recvBufSize = static_cast<std::uint32_t>(peer->getRecvBufSize());
    peer_.conCurrSeq = static_cast<std::uint32_t>(peer->getConCurrSeq());
    cModule* port = site_->port();
    own_.raTov = static_cast<std::uint32_t>(port->par("reqRaTov").longValue());
    own_.edTov = static_cast<std::uint32_t>(port->par("reqEdTov").longValue());
    own_.recvBufSize = static_cast<std::uint32_t>(port->par("rxBufSize").longValue());
    own_.conCurrSeq = static_cast<std::uint32_t>(port->par("reqConCurrSeq").longValue());
}

// Only the side whose ELP was rejected learns the outcome this way; the side
// that accepts reports nothing.
void SwitchInternalLinkService::acc_ils_elp(SwIlsPacket* packet, FcSeqPayload* seq)
{
    EV << "Received SW_ILS_ELP, preparing for ACC ... \n";
    record_link_values(packet);
    const auto own = static_cast<std::uint32_t>(site_->port()->par("portName").longValue());
    const auto peer = static_cast<std::uint32_t>(packet->getPortName());
    if (peer < own)
        rjt_ils_elp(SW_RJT, seq->getFc4MemAddr());
    else
        request_ils_elp(SW_ACC, seq->getFc4MemAddr());
    delete packet;
    delete seq;
}

void SwitchInternalLinkService::proc_sw_acc(SwIlsPacket* packet, FcSeqPayload* seq)
{
    EV << "Received SW_ACC, checking CmdCode ... \n";
    SwIlsSb* sb = find_an_sb(seq->getFc4MemAddr());
    if (!sb)
        error("ERROR: Found no requested OSB for SW_ACC!");
    if (sb->cmdCode != ELP)
        error("ERROR: Not know how to handle SW_ACC. ");
    proc_acc_elp(packet, seq, sb);
}

void SwitchInternalLinkService::proc_sw_rjt(SwIlsPacket* packet, FcSeqPayload* seq)
{
    EV << "Received SW_RJT, checking CmdCode ... \n";
    SwIlsSb* sb = find_an_sb(seq->getFc4MemAddr());
    if (!sb)
        error("ERROR: Found no requested OSB for SW_RJT!");
    if (sb->cmdCode != ELP)
        error("ERROR: Not know how to handle SW_RJT. ");
    proc_rjt_elp(packet, seq, sb);
}

void SwitchInternalLinkService::proc_acc_elp(SwIlsPacket* packet, FcSeqPayload* seq, SwIlsSb* sb)
{
    EV << "Received ACC to SW_ILS_ELP, setup operational parameters ... \n";
    record_link_values(packet);
    sb->finish();
    free_a_cciu();
    delete packet;
    delete seq;
    report_e_port(true);
}

// A reject carries no values: the port reports those of the peer's own ELP,
// which this side accepted.
void SwitchInternalLinkService::proc_rjt_elp(SwIlsPacket* packet, FcSeqPayload* seq, SwIlsSb* sb)
{
    EV << "Received RJT to SW_ILS_ELP ... \n";
    sb->finish();
    free_a_cciu();
    delete packet;
    delete seq;
    report_e_port(false);
}

void SwitchInternalLinkService::report_e_port(bool reqLr)
{
    auto* found = new cMessage("E_PORT_FOUND", E_PORT_FOUND, 0);
    found->addPar("reqLr").setBoolValue(reqLr);
    found->addPar("newEdTov").setLongValue(get_larger_value(own_.edTov, peer_.edTov));
    found->addPar("newRaTov").setLongValue(get_larger_value(own_.raTov, peer_.raTov));
    found->addPar("newBbCredit").setLongValue(peer_.recvBufSize);
    found->addPar("newConCurrSeq").setLongValue(get_larger_value(own_.conCurrSeq, peer_.conCurrSeq));
    to_controller(found);
}

// ---- Pools, counters and timing -----------------------------------------------------

Define_Module_Interface(SwitchInternalLinkService, swIlsItems);
Define_Module(SwitchInternalLinkService, 8192);
