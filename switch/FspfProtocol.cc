#include "switch/FspfProtocol.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iomanip>

#include "device/FileNameString.h"
#include "device/InputFile.h"
#include "device/OutputStream.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RootModule.h"
#include "network/TempFileRecycling.h"
#include "sim/Sim.h"
#include "switch/RoutingEngine.h"
#include "switch/SwitchCodes.h"
#include "switch/SwitchPortTable.h"

namespace {

constexpr unsigned CMD_HELLO = 0x14;
constexpr unsigned CMD_LSU = 0x15;
constexpr unsigned CMD_LSA = 0x16;
constexpr unsigned long HELLO_INTERVAL = 20;
constexpr unsigned long DEAD_INTERVAL = 80;
constexpr unsigned long HELLO_LENGTH = 40;
constexpr unsigned long MAX_LSU_LENGTH = 65536;
constexpr double FIRST_HELLO_DELAY = 0.02;

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

FspfProtocol::FspfProtocol(const cModule* owner, RoutingEngine& routes, const SwitchPortTable& ports)
    : owner_(owner), routes_(routes), ports_(ports)
{
}

void FspfProtocol::read_link_costs(cModule* root)
{
    link1GCost_ = static_cast<int>(root->par("link_1G_cost").longValue());
    if (link1GCost_ < 1)
        owner_->error("---> Wrong link_1G_cost setup. Must > 0. Please check the file \"omnetpp.ini\"");
    link2GCost_ = static_cast<int>(root->par("link_2G_cost").longValue());
    if (link2GCost_ < 1)
        owner_->error("---> Wrong link_2G_cost setup. Must > 0. Please check the file \"omnetpp.ini\"");
}

void FspfProtocol::start(std::uint32_t domain, int maxSwPortNum, cModule* root)
{
    domainId_ = domain;
    maxSwPortNum_ = maxSwPortNum;
    root_ = root;
    links_.assign(static_cast<size_t>(ports_.size()), Adjacency{});
}

// ---- Records and packets -------------------------------------------------------------------

LinkStateRecord& FspfProtocol::local_record(const char* missingText)
{
    LinkStateRecord* local = routes_.record(domainId_);
    if (!local)
        owner_->error("%s", missingText);
    return *local;
}

std::string FspfProtocol::create_lsu_file()
{
    return take_temp_file_name(root_, "lsuFileId", "Lsu");
}

FspfPacket* FspfProtocol::new_fspf_packet(const char* name, unsigned cmdCode) const
{
    auto* p = new FspfPacket(name, swils::FSPF_PACKET);
    p->setCmdCode(static_cast<unsigned char>(cmdCode));
    p->setArNum(1);
    p->setOrigDomId(domainId_);
    return p;
}

void FspfProtocol::send_lsu(int port, unsigned long lsrNum, const std::string& path, unsigned long msgLen)
{
    FspfPacket* lsu = new_fspf_packet("FSPF_LSU", CMD_LSU);
    lsu->setLsrNum(lsrNum);
    lsu->setLsuFileNamePtr(new_file_name_string(path));
    lsu->setMsgLen(msgLen);
    lsu->setLength(static_cast<long>(msgLen));
    out_.to_port(lsu, port);
}

bool FspfProtocol::adjacent_e_port(int port) const
{
    const Adjacency& a = adjacency(port);
    return ports_.e_port(port) && a.twoWay && a.adjacent;
}

// Two-way with the whole database sent, waiting for the neighbour's LSA.
bool FspfProtocol::awaiting_adjacency(int port) const
{
    const Adjacency& a = adjacency(port);
    return ports_.e_port(port) && a.twoWay && !a.adjacent;
}

void FspfProtocol::flood_local_lsr(int skipPort)
{
    LinkStateRecord* local = routes_.record(domainId_);
    for (int j = 0; j < ports_.size(); ++j)
        if (j != skipPort && adjacent_e_port(j))
            update_an_lsr(*local, j);
}

int FspfProtocol::get_dest_dom(int port) const
{
    const LinkStateRecord* local = routes_.record(domainId_);
    if (!local)
        owner_->error("---> get_dest_dom : couldn't find a local LSR");
    const LinkDescriptor& ld = local->lds[static_cast<size_t>(port)];
    if (ld.valid)
        return static_cast<int>(ld.lkId);
    // Between the neighbour's adjacency and ours the link is not yet in the
    // local record, but the neighbour's Hello has named its domain.
    const Adjacency& a = adjacency(port);
    if (ports_.e_port(port) && a.twoWay && a.neighbourDomain != UNKNOWN_DOMAIN)
        return static_cast<int>(a.neighbourDomain);
    owner_->error("---> get_dest_dom : couldn't get a requested LD for SwPort[%d]", port);
}

// ---- Hello -------------------------------------------------------------------------------

void FspfProtocol::e_port_up(int port)
{
    Adjacency& a = link(port);
    a.twoWay = a.adjacent = false;
    a.neighbourDomain = UNKNOWN_DOMAIN;
    schedule_hello(port, FIRST_HELLO_DELAY);
}

void FspfProtocol::schedule_hello(int port, double delay)
{
    auto* hello = new cMessage("ISSUE_HELLO", ISSUE_HELLO, 0);
    hello->addPar("origOutPortIndex").setLongValue(port);
    out_.to_self(hello, delay);
}

void FspfProtocol::issue_hello(cMessage& msg)
{
    const int port = static_cast<int>(msg.par("origOutPortIndex").longValue());
    EV << "About to issue a new Hello packet.\n";
    Adjacency& a = link(port);
    FspfPacket* hello = new_fspf_packet("FSPF_HELLO", CMD_HELLO);
    hello->setHelloInt(HELLO_INTERVAL);
    hello->setDeadInt(DEAD_INTERVAL);
    hello->setRecpDomId(a.neighbourDomain);
    hello->setOrigPortIndex(static_cast<unsigned long>(port));
    hello->setMsgLen(HELLO_LENGTH);
    hello->setLength(static_cast<long>(HELLO_LENGTH));
    if (!ports_.e_port(port)) {
        delete hello;
        return;
    }
    out_.to_port(hello, port);
    a.lastHelloSent = simTime();
}

bool FspfProtocol::proc_fspf_packet(FspfPacket& packet, int port)
{
    char line[64];
    std::snprintf(line, sizeof line, "Received a FSPF_PACKET with Command Code 0x%x - ", packet.getCmdCode());
    EV << line;
    switch (packet.getCmdCode()) {
    case CMD_HELLO: proc_hello(packet, port); return false;
    case CMD_LSU: EV << "Got a LSU packet.\n"; return proc_an_lsu(packet, port);
    case CMD_LSA: EV << "Got a LSA packet.\n"; return proc_an_lsa(port);
    default: return false;
    }
}

void FspfProtocol::proc_hello(const FspfPacket& hello, int port)
{
    EV << "Got a HELLO packet.\n";
    Adjacency& a = link(port);
    if (hello.getRecpDomId() != domainId_) {
        EV << "Need to send Hello to create two-way communication.\n";
        a.neighbourDomain = static_cast<std::uint32_t>(hello.getOrigDomId());
        a.twoWay = a.adjacent = false;
        a.acceptedSinceDatabase.clear();
        schedule_hello(port, 0);
        return;
    }
    if (a.twoWay)
        return;
    EV << "Two-way communication is built.\n";
    EV << "Received Hello Packet is originated from domain " << hello.getOrigDomId() << ".\n";
    EV << "Received Hello Packet is targeted to domain " << hello.getRecpDomId() << ".\n";
    EV << "Recipient Domain_ID for port[" << port << "] is " << a.neighbourDomain << "\n";
    a.neighbourDomain = static_cast<std::uint32_t>(hello.getOrigDomId());
    a.twoWay = true;
    EV << "Send another Hello to enbale the other side to build the output link.\n";
    schedule_hello(port, 0);
    if (!a.adjacent)
        add_an_ld(hello, port);
}

// ---- Database exchange ----------------------------------------------------------------------

void FspfProtocol::add_an_ld(const FspfPacket& hello, int port)
{
    EV << "Adding a new Link Descriptor to local LSR ... \n";
    const int code = ports_[port].speedCode;
    int linkCost;
    if (code == SwitchPortTable::SPEED_CODE_1G)
        linkCost = link1GCost_;
    else if (code == SwitchPortTable::SPEED_CODE_2G)
        linkCost = link2GCost_;
    else
        owner_->error("---> add_an_ld : only 1G or 2G portSpeed is supported");
    const long sFact = ports_.module(port)->par("sFact").longValue();
    // The record keeps 16 bits of the cost; a larger product wraps.
    const auto cost =
        static_cast<std::uint16_t>(static_cast<unsigned long>(linkCost) * static_cast<unsigned long>(sFact));
    LinkStateRecord& local = local_record("---> add_an_ld : local LSR should already exist");
    LinkDescriptor& ld = local.lds[static_cast<size_t>(port)];
    ld.lkId = static_cast<std::uint32_t>(hello.getOrigDomId());
    ld.ouId = port;
    ld.nbId = static_cast<std::uint32_t>(hello.getOrigPortIndex());
    ld.cost = cost;

    const std::string path = create_lsu_file();
    OutputStream out = OutputStream::overwriting(owner_, path);
    if (!out)
        owner_->error("---> add_an_ld : couldn't open file \"%s\": %s", path.c_str(), out.openFailure().c_str());
    unsigned long msgLen = 28;
    for (LinkStateRecord& r : routes_.records().records()) {
        if (!r.valid)
            continue;
        r.adId = domainId_;
        msgLen += 28 + 16 * static_cast<unsigned long>(write_lsr(out, r));
    }
    out.finish();
    link(port).acceptedSinceDatabase.clear();
    send_lsu(port, static_cast<unsigned long>(routes_.records().count()), path, std::min(msgLen, MAX_LSU_LENGTH));
    EV << "Domain " << domainId_ << " issued out entire database to Domain " << link(port).neighbourDomain
       << " through Port[" << port << "].\n";
}

void FspfProtocol::update_an_lsr(LinkStateRecord& lsr, int port)
{
    lsr.adId = domainId_;
    const std::string path = create_lsu_file();
    OutputStream out = OutputStream::overwriting(owner_, path);
    if (!out)
        owner_->error("---> update_an_lsr : couldn't open file \"%s\": %s", path.c_str(), out.openFailure().c_str());
    const int written = write_lsr(out, lsr);
    out.finish();
    send_lsu(port, 1, path, 56 + 16 * static_cast<unsigned long>(written));
    EV << "Domain " << domainId_ << " flooded an LSR through Port[" << port << "].\n";
}

// Whatever the records held, the routes are rebuilt.
bool FspfProtocol::proc_an_lsu(FspfPacket& packet, int port)
{
    EV << "Processing LSU packet ... \n";
    // The LSA names the same file; the name itself is freed here.
    const long nameAddress = packet.getLsuFileNamePtr();
    const std::string path = take_file_name_string(nameAddress);
    packet.setLsuFileNamePtr(0);
    std::ifstream in = open_input_file(owner_, path, "---> proc_an_lsu : couldn't open file \"%s\"");
    bool acknowledged = false;
    for (unsigned long k = 0; k < packet.getLsrNum(); ++k)
        read_lsu_record(in, path, acknowledged, port);
    in.close();
    remove_temp_file(root_, path);
    if (acknowledged) {
        FspfPacket* lsa = new_fspf_packet("FSPF_LSA", CMD_LSA);
        lsa->setLsrNum(packet.getLsrNum());
        lsa->setLsuFileNamePtr(nameAddress);
        lsa->setMsgLen(28 + 24 * packet.getLsrNum());
        lsa->setLength(static_cast<long>(lsa->getMsgLen()));
        out_.to_port(lsa, port);
        EV << "Domain " << domainId_ << " returned an LSA through Port[" << port << "].\n";
    }
    return true;
}

void FspfProtocol::read_lsu_record(std::istream& in, const std::string& path, bool& acknowledged, int port)
{
    unsigned long lsAg = 0, lsId = 0, adId = 0, inst = 0, ldNu = 0;
    if (!(in >> lsAg >> lsId >> adId >> inst >> ldNu))
        owner_->error("---> proc_an_lsu : missing link state record in file \"%s\"", path.c_str());
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
            owner_->error("---> proc_an_lsu : missing link descriptor in file \"%s\"", path.c_str());
        if (!accept)
            continue;
        if (ouId >= static_cast<unsigned long>(maxSwPortNum_))
            owner_->error("---> proc_an_lsu : link descriptor OuId %lu must be below maxSwPortNum %d. Please check "
                          "the file \"%s\"",
                          ouId, maxSwPortNum_, path.c_str());
        LinkDescriptor& ld = r->lds[ouId];
        ld = {true, static_cast<std::uint32_t>(lkId), static_cast<int>(ouId), static_cast<std::uint32_t>(nbId),
              static_cast<std::uint32_t>(cost)};
    }
    if (accept)
        for (int j = 0; j < ports_.size(); ++j) {
            if (j == port)
                continue;
            if (adjacent_e_port(j))
                update_an_lsr(*r, j);
            else if (awaiting_adjacency(j))
                note_accepted_since_database(j, r->domain);
        }
}

void FspfProtocol::note_accepted_since_database(int port, std::uint32_t domain)
{
    std::vector<std::uint32_t>& pending = link(port).acceptedSinceDatabase;
    if (std::find(pending.begin(), pending.end(), domain) == pending.end())
        pending.push_back(domain);
}

// The records accepted between the database and adjacency follow it on the
// port, each as a flood; the local record is flooded on adjacency anyway.
void FspfProtocol::send_accepted_since_database(int port)
{
    std::vector<std::uint32_t> pending;
    pending.swap(link(port).acceptedSinceDatabase);
    for (std::uint32_t domain : pending)
        if (domain != domainId_)
            update_an_lsr(*routes_.record(domain), port);
}

// The LSA that makes the port adjacent changes the local record; any other
// is ignored.
bool FspfProtocol::proc_an_lsa(int port)
{
    EV << "Processing LSA packet ... \n";
    Adjacency& a = link(port);
    if (!ports_.e_port(port) || !a.twoWay || a.adjacent)
        return false;
    EV << "Port[" << port << "] reaches adjacency with peer port.\n";
    a.adjacent = true;
    LinkStateRecord& local = local_record("---> proc_an_lsa : found no local LSR");
    local.lds[static_cast<size_t>(port)].valid = true;
    local.ldNu = static_cast<std::uint16_t>(local.valid_links());
    ++local.inst;
    flood_local_lsr(-1);
    send_accepted_since_database(port);
    return true;
}

// ---- Link loss -------------------------------------------------------------------------------

void FspfProtocol::lose_e_port(int port)
{
    EV << "Switch output port[" << port << "] went down!\n";
    Adjacency& a = link(port);
    a.twoWay = a.adjacent = false;
    a.acceptedSinceDatabase.clear();
    LinkStateRecord& local = local_record("proc_link_down : found no requested local LSR");
    local.lds[static_cast<size_t>(port)].valid = false;
    local.ldNu = static_cast<std::uint16_t>(local.valid_links());
    ++local.inst;
    flood_local_lsr(port);
}
