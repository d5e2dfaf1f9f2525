// The link-state protocol between neighbouring switches: a Hello exchange
// per inter-switch link builds two-way communication, the two sides then
// send each other their whole databases (LSU) and acknowledge them (LSA),
// and every later change of a switch's own links is flooded to its adjacent
// neighbours. The records travel in temporary files whose names ride in
// the packets; the reader of an LSU frees the name and removes the file.

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iomanip>
#include <sstream>

#include "device/FileNameString.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RootModule.h"
#include "switch/SwitchCodes.h"
#include "switch/SwitchConstruct.h"

namespace {

constexpr unsigned CMD_HELLO = 0x14;
constexpr unsigned CMD_LSU = 0x15;
constexpr unsigned CMD_LSA = 0x16;
constexpr unsigned long HELLO_INTERVAL = 20;
constexpr unsigned long DEAD_INTERVAL = 80;
constexpr unsigned long HELLO_LENGTH = 40;
constexpr unsigned long MAX_LSU_LENGTH = 65536;
constexpr std::uint32_t UNKNOWN_DOMAIN = 0xFFFFFFFF;
constexpr int SPEED_CODE_1G = 79;
constexpr int SPEED_CODE_2G = 80;

// Every number of a record file: unsigned decimal, left-aligned in ten
// columns.
void put_field(std::ostream& out, unsigned long value)
{
    out << std::left << std::setw(10) << value;
}

// The record's header line and one line per valid link descriptor; the
// number of descriptors written.
int write_lsr(std::ostream& out, const LinkStateRecord& r)
{
    put_field(out, r.lsAg);
    put_field(out, r.domain);
    put_field(out, r.adId);
    put_field(out, r.inst);
    put_field(out, r.ldNu);
    out << "\n";
    int written = 0;
    for (const LinkDescriptor& ld : r.lds) {
        if (!ld.valid)
            continue;
        put_field(out, ld.lkId);
        put_field(out, static_cast<unsigned long>(ld.ouId));
        put_field(out, ld.nbId);
        put_field(out, ld.cost);
        out << "\n";
        ++written;
    }
    return written;
}

} // namespace

// ---- Records -------------------------------------------------------------------------------

std::string SwitchConstruct::create_lsu_file()
{
    return take_temp_file_name(root_, "lsuFileId", "Lsu");
}

// ---- Packets -------------------------------------------------------------------------------

FspfPacket* SwitchConstruct::new_fspf_packet(const char* name, unsigned cmdCode) const
{
    auto* p = new FspfPacket(name, swils::FSPF_PACKET);
    p->setCmdCode(static_cast<unsigned char>(cmdCode));
    p->setArNum(1);
    p->setOrigDomId(domainId_);
    return p;
}

void SwitchConstruct::send_lsu(int port, unsigned long lsrNum, const std::string& path, unsigned long msgLen)
{
    FspfPacket* lsu = new_fspf_packet("FSPF_LSU", CMD_LSU);
    lsu->setLsrNum(lsrNum);
    lsu->setLsuFileNamePtr(new_file_name_string(path));
    lsu->setMsgLen(msgLen);
    lsu->setLength(static_cast<long>(msgLen));
    to_port(lsu, port);
}

bool SwitchConstruct::adjacent_e_port(int port) const
{
    const PortState& p = portStat_[static_cast<size_t>(port)];
    return p.state == E_PORT_STATE && p.twoWay && p.adjacent;
}

void SwitchConstruct::flood_local_lsr(int skipPort)
{
    LinkStateRecord* local = routes_.record(domainId_);
    for (int j = 0; j < swPortNum_; ++j)
        if (j != skipPort && adjacent_e_port(j))
            update_an_lsr(*local, j);
}

// ---- Hello -------------------------------------------------------------------------------

void SwitchConstruct::schedule_hello(int port)
{
    auto* hello = new cMessage("ISSUE_HELLO", ISSUE_HELLO, 0);
    hello->addPar("origOutPortIndex").setLongValue(port);
    scheduleAt(simTime(), hello);
}

void SwitchConstruct::issue_hello(cMessage* msg)
{
    const int port = static_cast<int>(msg->par("origOutPortIndex").longValue());
    EV << "About to issue a new Hello packet.\n";
    PortState& p = portStat_[static_cast<size_t>(port)];
    FspfPacket* hello = new_fspf_packet("FSPF_HELLO", CMD_HELLO);
    hello->setHelloInt(HELLO_INTERVAL);
    hello->setDeadInt(DEAD_INTERVAL);
    hello->setRecpDomId(p.neighbourDomain);
    hello->setOrigPortIndex(static_cast<unsigned long>(port));
    hello->setMsgLen(HELLO_LENGTH);
    hello->setLength(static_cast<long>(HELLO_LENGTH));
    if (p.state != E_PORT_STATE) {
        delete hello;
        return;
    }
    to_port(hello, port);
    p.lastHelloSent = simTime();
}

void SwitchConstruct::proc_fspf_packet(FspfPacket* packet, int port)
{
    // Held so that a packet whose record file ends the run is freed too.
    HeldMessage<FspfPacket> held(packet);
    char line[64];
    std::snprintf(line, sizeof line, "Received a FSPF_PACKET with Command Code 0x%x - ", packet->getCmdCode());
    EV << line;
    switch (packet->getCmdCode()) {
    case CMD_HELLO: proc_hello(packet, port); break;
    case CMD_LSU:
        EV << "Got a LSU packet.\n";
        proc_an_lsu(packet, port);
        break;
    case CMD_LSA:
        EV << "Got a LSA packet.\n";
        proc_an_lsa(packet, port);
        break;
    default: break;
    }
}

void SwitchConstruct::proc_hello(FspfPacket* hello, int port)
{
    EV << "Got a HELLO packet.\n";
    PortState& p = portStat_[static_cast<size_t>(port)];
    if (hello->getRecpDomId() != domainId_) {
        EV << "Need to send Hello to create two-way communication.\n";
        p.neighbourDomain = static_cast<std::uint32_t>(hello->getOrigDomId());
        p.twoWay = p.adjacent = false;
        p.acceptedSinceDatabase.clear();
        schedule_hello(port);
        return;
    }
    if (p.twoWay)
        return;
    EV << "Two-way communication is built.\n";
    EV << "Received Hello Packet is originated from domain " << hello->getOrigDomId() << ".\n";
    EV << "Received Hello Packet is targeted to domain " << hello->getRecpDomId() << ".\n";
    EV << "Recipient Domain_ID for port[" << port << "] is " << p.neighbourDomain << "\n";
    p.neighbourDomain = static_cast<std::uint32_t>(hello->getOrigDomId());
    p.twoWay = true;
    EV << "Send another Hello to enbale the other side to build the output link.\n";
    schedule_hello(port);
    if (!p.adjacent)
        add_an_ld(hello, port);
}

// ---- Database exchange ----------------------------------------------------------------------

void SwitchConstruct::add_an_ld(FspfPacket* hello, int port)
{
    EV << "Adding a new Link Descriptor to local LSR ... \n";
    const int code = portStat_[static_cast<size_t>(port)].speedCode;
    int linkCost;
    if (code == SPEED_CODE_1G)
        linkCost = link1GCost_;
    else if (code == SPEED_CODE_2G)
        linkCost = link2GCost_;
    else
        error("---> add_an_ld : only 1G or 2G portSpeed is supported");
    const long sFact = sw_port(port)->par("sFact").longValue();
    // The record keeps 16 bits of the cost; a larger product wraps.
    const auto cost =
        static_cast<std::uint16_t>(static_cast<unsigned long>(linkCost) * static_cast<unsigned long>(sFact));
    LinkStateRecord* local = routes_.record(domainId_);
    if (!local)
        error("---> add_an_ld : local LSR should already exist");
    LinkDescriptor& ld = local->lds[static_cast<size_t>(port)];
    ld.lkId = static_cast<std::uint32_t>(hello->getOrigDomId());
    ld.ouId = port;
    ld.nbId = static_cast<std::uint32_t>(hello->getOrigPortIndex());
    ld.cost = cost;

    const std::string path = create_lsu_file();
    OutputStream out(this, path, std::ios::out | std::ios::trunc);
    if (!out)
        error("---> add_an_ld : couldn't open file \"%s\"", path.c_str());
    unsigned long msgLen = 28;
    for (LinkStateRecord& r : routes_.records().records()) {
        if (!r.valid)
            continue;
        r.adId = domainId_;
        msgLen += 28 + 16 * static_cast<unsigned long>(write_lsr(out, r));
    }
    out.finish();
    portStat_[static_cast<size_t>(port)].acceptedSinceDatabase.clear();
    send_lsu(port, static_cast<unsigned long>(routes_.records().count()), path, std::min(msgLen, MAX_LSU_LENGTH));
    EV << "Domain " << domainId_ << " issued out entire database to Domain "
       << portStat_[static_cast<size_t>(port)].neighbourDomain << " through Port[" << port << "].\n";
}

void SwitchConstruct::update_an_lsr(LinkStateRecord& lsr, int port)
{
    lsr.adId = domainId_;
    const std::string path = create_lsu_file();
    OutputStream out(this, path, std::ios::out | std::ios::trunc);
    if (!out)
        error("---> update_an_lsr : couldn't open file \"%s\"", path.c_str());
    const int written = write_lsr(out, lsr);
    out.finish();
    send_lsu(port, 1, path, 56 + 16 * static_cast<unsigned long>(written));
    EV << "Domain " << domainId_ << " flooded an LSR through Port[" << port << "].\n";
}

void SwitchConstruct::proc_an_lsu(FspfPacket* packet, int port)
{
    EV << "Processing LSU packet ... \n";
    // The LSA names the same file; the name itself is freed here.
    const long nameAddress = packet->getLsuFileNamePtr();
    const std::string path = take_file_name_string(nameAddress);
    packet->setLsuFileNamePtr(0);
    std::ifstream in(path);
    if (!in)
        error("---> proc_an_lsu : couldn't open file \"%s\"", path.c_str());
    bool acknowledged = false;
    for (unsigned long k = 0; k < packet->getLsrNum(); ++k)
        read_lsu_record(in, path, acknowledged, port);
    in.close();
    std::remove(path.c_str());
    if (acknowledged) {
        FspfPacket* lsa = new_fspf_packet("FSPF_LSA", CMD_LSA);
        lsa->setLsrNum(packet->getLsrNum());
        lsa->setLsuFileNamePtr(nameAddress);
        lsa->setMsgLen(28 + 24 * packet->getLsrNum());
        lsa->setLength(static_cast<long>(lsa->getMsgLen()));
        to_port(lsa, port);
        EV << "Domain " << domainId_ << " returned an LSA through Port[" << port << "].\n";
    }
    build_routing_table();
}

void SwitchConstruct::read_lsu_record(std::istream& in, const std::string& path, bool& acknowledged, int port)
{
    unsigned long lsAg = 0, lsId = 0, adId = 0, inst = 0, ldNu = 0;
    if (!(in >> lsAg >> lsId >> adId >> inst >> ldNu))
        error("---> proc_an_lsu : missing link state record in file \"%s\"", path.c_str());
    LinkStateRecord* r = routes_.record(static_cast<std::uint32_t>(lsId));
    bool accept = false;
    if (!r) {
        r = routes_.add_record(static_cast<std::uint32_t>(lsId));
        accept = acknowledged = true;
    } else if (r->inst < inst) {
        accept = acknowledged = true;
    } else if (r->inst == inst) {
        acknowledged = true;
    }
    if (accept) {
        r->lsAg = static_cast<std::uint16_t>(lsAg);
        r->adId = static_cast<std::uint32_t>(adId);
        r->inst = static_cast<std::uint32_t>(inst);
        r->ldNu = static_cast<std::uint16_t>(ldNu);
        for (LinkDescriptor& ld : r->lds)
            ld = LinkDescriptor{};
    }
    for (unsigned long k = 0; k < ldNu; ++k) {
        unsigned long lkId = 0, ouId = 0, nbId = 0, cost = 0;
        if (!(in >> lkId >> ouId >> nbId >> cost))
            error("---> proc_an_lsu : missing link descriptor in file \"%s\"", path.c_str());
        if (!accept)
            continue;
        if (ouId >= static_cast<unsigned long>(maxSwPortNum_))
            error("---> proc_an_lsu : link descriptor OuId %lu must be below maxSwPortNum %d. Please check the file "
                  "\"%s\"",
                  ouId, maxSwPortNum_, path.c_str());
        LinkDescriptor& ld = r->lds[ouId];
        ld = {true, static_cast<std::uint32_t>(lkId), static_cast<int>(ouId), static_cast<std::uint32_t>(nbId),
              static_cast<std::uint32_t>(cost)};
    }
    if (accept)
        for (int j = 0; j < swPortNum_; ++j) {
            if (j == port)
                continue;
            if (adjacent_e_port(j))
                update_an_lsr(*r, j);
            else if (awaiting_adjacency(j))
                note_accepted_since_database(j, r->domain);
        }
}

// Two-way with the whole database sent, waiting for the neighbour's LSA.
bool SwitchConstruct::awaiting_adjacency(int port) const
{
    const PortState& p = portStat_[static_cast<size_t>(port)];
    return p.state == E_PORT_STATE && p.twoWay && !p.adjacent;
}

void SwitchConstruct::note_accepted_since_database(int port, std::uint32_t domain)
{
    std::vector<std::uint32_t>& pending = portStat_[static_cast<size_t>(port)].acceptedSinceDatabase;
    if (std::find(pending.begin(), pending.end(), domain) == pending.end())
        pending.push_back(domain);
}

// The records accepted between the database and adjacency follow it on the
// port, each as a flood; the local record is flooded on adjacency anyway.
void SwitchConstruct::send_accepted_since_database(int port)
{
    std::vector<std::uint32_t> pending;
    pending.swap(portStat_[static_cast<size_t>(port)].acceptedSinceDatabase);
    for (std::uint32_t domain : pending)
        if (domain != domainId_)
            update_an_lsr(*routes_.record(domain), port);
}

void SwitchConstruct::proc_an_lsa(FspfPacket*, int port)
{
    EV << "Processing LSA packet ... \n";
    PortState& p = portStat_[static_cast<size_t>(port)];
    if (p.state != E_PORT_STATE || !p.twoWay || p.adjacent)
        return;
    EV << "Port[" << port << "] reaches adjacency with peer port.\n";
    p.adjacent = true;
    LinkStateRecord* local = routes_.record(domainId_);
    if (!local)
        error("---> proc_an_lsa : found no local LSR");
    local->lds[static_cast<size_t>(port)].valid = true;
    local->ldNu = static_cast<std::uint16_t>(local->valid_links());
    ++local->inst;
    flood_local_lsr(-1);
    send_accepted_since_database(port);
    build_routing_table();
}

// ---- Link loss -------------------------------------------------------------------------------

void SwitchConstruct::lose_e_port(int port)
{
    EV << "Switch output port[" << port << "] went down!\n";
    PortState& p = portStat_[static_cast<size_t>(port)];
    p.state = PORT_DOWN_STATE;
    p.twoWay = p.adjacent = false;
    p.acceptedSinceDatabase.clear();
    LinkStateRecord* local = routes_.record(domainId_);
    if (!local)
        error("proc_link_down : found no requested local LSR");
    local->lds[static_cast<size_t>(port)].valid = false;
    local->ldNu = static_cast<std::uint16_t>(local->valid_links());
    ++local->inst;
    flood_local_lsr(port);
    build_routing_table();
}
