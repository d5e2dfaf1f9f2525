#include "tests/fc4/TestFabric.h"

#include <fstream>

#include "fc4/SequenceEnvelope.h"
#include "fcport/PortCodes.h"
#include "fcport/SequenceFrames.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "network/RootModule.h"

TestFabric::TestFabric(const char* name, cModule* parent) : cSimpleModule(name, parent, 65536)
{
    addGate("port_in", 'I', true);
    addGate("port_out", 'O', true);
}

unsigned long TestFabric::address(int node) const
{
    return static_cast<unsigned long>(nodes[node].nxPort->par("addressId").longValue());
}

int TestFabric::nodeByAddress(unsigned long id) const
{
    for (size_t n = 0; n < nodes.size(); ++n)
        if (address(static_cast<int>(n)) == id)
            return static_cast<int>(n);
    return -1;
}

cModule* TestFabric::eePair(int node, int k) const
{
    return nodes[node].nxPort->moduleByRelativePath(("Fc2.EePair[" + std::to_string(k) + "]").c_str());
}

int TestFabric::pairOf(int node, unsigned long peer) const
{
    for (int k = 1; cModule* ee = eePair(node, k); ++k)
        if (static_cast<unsigned long>(ee->par("peerAddrId").longValue()) == peer)
            return k;
    return -1;
}

int TestFabric::allocPair(int node, unsigned long peer)
{
    for (int k = 1; cModule* ee = eePair(node, k); ++k)
        if (static_cast<unsigned long>(ee->par("peerAddrId").longValue()) == peer)
            ee->par("peerAddrId").setLongValue(0);
    for (int k = 1; cModule* ee = eePair(node, k); ++k)
        if (ee->par("peerAddrId").longValue() == 0) {
            ee->par("peerAddrId").setLongValue(static_cast<long>(peer));
            return k;
        }
    error("test fabric: no free exchange pair");
}

void TestFabric::sendToNode(cMessage* msg, int node, double delay)
{
    sendDelayed(msg, delay, "port_out", node);
}

void TestFabric::linkDown(int node)
{
    // What FC-2 does when the link fails: the address and the pairs go.
    nodes[node].nxPort->par("addressId").setLongValue(0);
    for (int k = 1; cModule* ee = eePair(node, k); ++k)
        ee->par("peerAddrId").setLongValue(0);
    sendToNode(new cMessage("PORT_DOWN", PORT_DOWN, 0), node, 0);
}

void TestFabric::record(FcSeqPayload* seq, int from, bool delivered)
{
    Sequence s{simTime(),
               from,
               seq->getRCtl(),
               seq->getType(),
               seq->getSId(),
               seq->getDId(),
               seq->getFc4MemAddr(),
               seq->length(),
               seq->getFirstSeq(),
               seq->getLastSeq(),
               seq->getXferSeqInit(),
               "",
               0,
               delivered,
               seq->getClassOfSrv()};
    if (cMessage* obj = carried_object(seq)) {
        s.unit = obj->name();
        if (auto* els = dynamic_cast<FcElsPacket*>(obj))
            s.code = els->getCmdCode();
        else if (auto* gs = dynamic_cast<FcGsPacket*>(obj))
            s.code = gs->getCmdCode();
    }
    sequences.push_back(s);
}

void TestFabric::event(cMessage* msg, int from)
{
    events.push_back({simTime(), from, msg->kind(), msg->name()});
}

void TestFabric::sizeGates()
{
    setGateSize("port_in", gateOfSwitch(switchPorts));
    setGateSize("port_out", gateOfSwitch(switchPorts));
}

void TestFabric::activity()
{
    for (size_t n = 0; n < nodes.size(); ++n)
        sendToNode(new cMessage("PORT_UP", PORT_UP, 0), static_cast<int>(n), 0);
    for (const Injection& i : injections)
        sendToNode(i.msg, i.node, i.time);
    injections.clear();
    for (const LinkEvent& e : linkEvents) {
        auto* ev = new cMessage(e.up ? "LINK_UP_EVENT" : "LINK_DOWN_EVENT", 0, 0);
        ev->addPar("node").setLongValue(e.node);
        ev->addPar("up").setBoolValue(e.up);
        scheduleAt(e.time, ev);
    }
    for (;;) {
        cMessage* msg = receive();
        if (msg->isSelfMessage()) {
            const int node = static_cast<int>(msg->par("node").longValue());
            if (msg->par("up").boolValue())
                sendToNode(new cMessage("PORT_UP", PORT_UP, 0), node, 0);
            else
                linkDown(node);
            delete msg;
            continue;
        }
        const int g = msg->arrivalGate()->index();
        if (g < static_cast<int>(nodes.size()))
            fromNode(msg, g);
        else
            fromSwitch(msg, g - static_cast<int>(nodes.size()));
    }
}

void TestFabric::fromNode(cMessage* msg, int node)
{
    if (msg->kind() == FC_SEQ_PAYLOAD) {
        route(static_cast<FcSeqPayload*>(msg), node, nodes[node].switchPort);
        return;
    }
    event(msg, node);
    const int portIndex = nodes[node].nxPort->index();
    switch (msg->kind()) {
    case REQ_LINK_RESET:
        if (onLinkReset)
            onLinkReset(*this, node);
        else
            sendToNode(new cMessage("PORT_UP", PORT_UP, 0), node, resetDelay);
        break;
    case REQ_EEPAIR: {
        const auto peer = static_cast<unsigned long>(msg->par("peerAddrId").longValue());
        auto* succ = new cMessage("PLOGI_SUCC", PLOGI_SUCC, 0);
        succ->addPar("maxConCurrIu").setLongValue(msg->par("newC3ConCurrSeq").longValue());
        succ->addPar("eeIndex").setLongValue(allocPair(node, peer));
        succ->addPar("portIndex").setLongValue(portIndex);
        succ->addPar("newRecTov").setLongValue(msg->par("newRecTov").longValue());
        sendToNode(succ, node, hop);
        break;
    }
    case REQ_PLOUT: {
        const int k = pairOf(node, static_cast<unsigned long>(msg->par("peerAddrId").longValue()));
        if (k > 0) {
            eePair(node, k)->par("peerAddrId").setLongValue(0);
            auto* succ = new cMessage("PLOUT_SUCC", PLOUT_SUCC, 0);
            succ->addPar("eeIndex").setLongValue(k);
            succ->addPar("portIndex").setLongValue(portIndex);
            sendToNode(succ, node, hop);
        }
        break;
    }
    case RESB_FREE: released_[node].insert(static_cast<unsigned long>(msg->par("fc4MemAddr").longValue())); break;
    case ABT_SIO_REQ_ESB: {
        const auto key = static_cast<unsigned long>(msg->par("fc4MemAddr").longValue());
        const int k = static_cast<int>(msg->par("eeIdx").longValue());
        auto* ack = new cMessage("ABT_SIO_ACK_ESB", ABT_SIO_ACK_ESB, 0);
        ack->addPar("sId").setLongValue(static_cast<long>(address(node)));
        ack->addPar("oxId").setLongValue(static_cast<long>(key & 0xFFFF));
        ack->addPar("rxId").setLongValue(0x10);
        ack->addPar("peerAddrId").setLongValue(eePair(node, k)->par("peerAddrId").longValue());
        ack->addPar("totalTry").setLongValue(0);
        ack->addPar("initiator").setLongValue(msg->par("initiator").longValue());
        ack->addPar("target").setLongValue(msg->par("target").longValue());
        sendToNode(ack, node, hop);
        break;
    }
    case ABORT_EXCHANGE: {
        const auto oxId = static_cast<std::uint16_t>(msg->par("oxId").longValue());
        auto* abort = new cMessage("ABORT_FCPIO", ABORT_FCPIO, 0);
        abort->addPar("fc4MemAddr").setLongValue(static_cast<long>(keyOfOxId_[oxId]));
        const auto peer = static_cast<unsigned long>(msg->par("peerAddrId").longValue());
        abort->addPar("eeIdx").setLongValue(pairOf(node, peer));
        abort->addPar("portIdx").setLongValue(portIndex);
        sendToNode(abort, node, hop);
        break;
    }
    default: // HOLD_INIT, PLOGI_TO_RM_OESB, ABTX_TO_RM_OESB: recorded only
        break;
    }
    delete msg;
}

void TestFabric::route(FcSeqPayload* seq, int from, int viaSwitch)
{
    const unsigned long dId = seq->getDId();
    if (from >= 0) {
        if (seq->getFirstSeq()) {
            originated_[from].insert(seq->getFc4MemAddr());
            keyOfOxId_[static_cast<std::uint16_t>(seq->getFc4MemAddr() & 0xFFFF)] = seq->getFc4MemAddr();
        }
        if (seq->getType() == TYPE_SCSI_FCP) {
            const int k = pairOf(from, dId);
            if (!seq->getXferSeqInit() && seq->getRCtl() == RCTL_FCP_DATA) {
                auto* keep = new cMessage("KEEP_IU_INIT", KEEP_IU_INIT, 0);
                keep->addPar("rCtl").setLongValue(seq->getRCtl());
                keep->addPar("type").setLongValue(seq->getType());
                keep->addPar("fc4MemAddr").setLongValue(seq->getFc4MemAddr());
                keep->addPar("eeIndex").setLongValue(k);
                sendToNode(keep, from, hop);
            }
            if (seq->getLastSeq() && originated_[from].count(seq->getFc4MemAddr())) {
                auto* free = new cMessage("OESB_FREE", OESB_FREE, 0);
                free->addPar("portIndex").setLongValue(nodes[from].nxPort->index());
                free->addPar("eeIndex").setLongValue(k);
                free->addPar("fc4MemAddr").setLongValue(seq->getFc4MemAddr());
                sendToNode(free, from, hop);
            }
        }
        if (dId == LOGIN_SERVER_ID || dId == NAME_SERVER_ID) {
            record(seq, from, true);
            sendDelayed(seq, hop, "port_out", gateOfSwitch(viaSwitch));
            return;
        }
    }
    int to = nodeByAddress(dId);
    if (to < 0 && from < 0 && is_nport_id(dId)) {
        // The first frame after fabric login names the port's new address.
        for (size_t n = 0; n < nodes.size(); ++n)
            if (nodes[n].switchPort == -1 - from && address(static_cast<int>(n)) == 0) {
                nodes[n].nxPort->par("addressId").setLongValue(static_cast<long>(dId));
                to = static_cast<int>(n);
            }
    }
    const bool released = to >= 0 && released_[to].count(seq->getFc4MemAddr());
    if (to < 0 || released) {
        record(seq, from, false);
        discard_message(seq);
        return;
    }
    record(seq, from, true);
    double delay = hop;
    if (seq->getType() == TYPE_SCSI_FCP && seq->getRCtl() == RCTL_FCP_DATA && !seq->getXferSeqInit())
        delay += dataInExtraDelay;
    deliver(seq, to, delay);
}

void TestFabric::deliver(FcSeqPayload* seq, int node, double delay)
{
    sendToNode(seq, node, delay);
}

void TestFabric::fromSwitch(cMessage* msg, int s)
{
    if (msg->kind() == FC_SEQ_PAYLOAD) {
        route(static_cast<FcSeqPayload*>(msg), -1 - s, s);
        return;
    }
    event(msg, -1 - s);
    nameServerAnswer(msg, s);
}

void TestFabric::nameServerAnswer(cMessage* msg, int s)
{
    switch (msg->kind()) {
    case GOT_RFF_ID: {
        auto* packet = static_cast<FcGsPacket*>(msg->decapsulate());
        nameServer[packet->getPortId()] = packet->getFcpIni();
        delete packet;
        break;
    }
    case GOT_GID_FT: {
        const auto requester = static_cast<std::uint32_t>(msg->par("sId").longValue());
        cModule* root = find_root(this);
        const std::string file = take_temp_file_name(root, "gidFtFileId", "GidFt");
        std::ofstream out(file);
        int entries = 0;
        for (const auto& [id, ini] : nameServer)
            if (id != requester) {
                out << id << "\n";
                ++entries;
            }
        auto* acc = new cMessage("ACC_GID_FT", ACC_GID_FT, 0);
        acc->addPar("sId").setLongValue(msg->par("dId").longValue());
        acc->addPar("dId").setLongValue(msg->par("sId").longValue());
        acc->addPar("fc4MemAddr").setLongValue(msg->par("fc4MemAddr").longValue());
        acc->addPar("entryNum").setLongValue(entries + extraAnnouncedEntries);
        acc->addPar("gidFtFileName").setStringValue(file.c_str());
        sendDelayed(acc, 0, "port_out", gateOfSwitch(s));
        break;
    }
    case GOT_GFF_ID: {
        auto* packet = static_cast<FcGsPacket*>(msg->decapsulate());
        const auto it = nameServer.find(packet->getPortId());
        const bool known = it != nameServer.end();
        auto* answer = new cMessage(known ? "ACC_GFF_ID" : "RJT_GFF_ID", known ? ACC_GFF_ID : RJT_GFF_ID, 0);
        answer->addPar("portId").setLongValue(packet->getPortId());
        answer->addPar("sId").setLongValue(msg->par("dId").longValue());
        answer->addPar("dId").setLongValue(msg->par("sId").longValue());
        answer->addPar("fc4MemAddr").setLongValue(msg->par("fc4MemAddr").longValue());
        if (known)
            answer->addPar("fcpFeature").setLongValue(it->second ? 1 : 0);
        delete packet;
        sendDelayed(answer, 0, "port_out", gateOfSwitch(s));
        break;
    }
    default: // F_PORT_FOUND: recorded only
        break;
    }
    delete msg;
}

std::vector<const TestFabric::Sequence*> TestFabric::sequencesNamed(const std::string& unit, int from) const
{
    std::vector<const Sequence*> found;
    for (const Sequence& s : sequences)
        if (s.unit == unit && (from == -100 || s.from == from))
            found.push_back(&s);
    return found;
}

std::vector<const TestFabric::Event*> TestFabric::eventsOfKind(int kind, int from) const
{
    std::vector<const Event*> found;
    for (const Event& e : events)
        if (e.kind == kind && (from == -100 || e.from == from))
            found.push_back(&e);
    return found;
}
