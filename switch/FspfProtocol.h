#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "switch/LinkStateRecords.h"
#include "switch/SwitchOutbox.h"

class cMessage;
class cModule;
class FspfPacket;
class RoutingEngine;
class SwitchPortTable;

// The link-state protocol between neighbouring switches: a Hello exchange
// per inter-switch link builds two-way communication, the two sides then
// send each other their whole databases (LSU) and acknowledge them (LSA),
// which makes the link adjacent, and every record accepted and every later
// change of the switch's own links is flooded to its adjacent neighbours.
// The records are those of the routing engine's database; they travel in
// temporary files whose names ride in the packets, and the reader of an LSU
// frees the name and removes the file.
//
// The control centre hands it the E_Port events and, at the end of their
// processor tasks, the FSPF packets; it sends what the protocol leaves in its
// outbox, and rebuilds the routes whenever a call says the database changed.
class FspfProtocol {
  public:
    static constexpr std::uint32_t UNKNOWN_DOMAIN = 0xFFFFFFFF;

    // The handshake with the neighbour on one port.
    struct Adjacency {
        bool twoWay = false;
        bool adjacent = false;
        double lastHelloSent = 0;
        std::uint32_t neighbourDomain = UNKNOWN_DOMAIN;
        // Domains whose records were accepted after the whole database went
        // out on the port and before it became adjacent, which flooding skips.
        std::vector<std::uint32_t> acceptedSinceDatabase;
    };

    // Errors stop the run through `owner`, which also writes the record
    // files; the port states are the centre's.
    FspfProtocol(const cModule* owner, RoutingEngine& routes, const SwitchPortTable& ports);

    // Root `link_1G_cost` and `link_2G_cost`, at initialisation.
    void read_link_costs(cModule* root);
    // At the start of the coroutine, once the port table is made: the own
    // domain, the link descriptors a record may hold, and the root that
    // numbers the record files.
    void start(std::uint32_t domain, int maxSwPortNum, cModule* root);

    // A new E_Port: the handshake starts afresh with a Hello 0.02 s later.
    void e_port_up(int port);
    // ISSUE_HELLO: a Hello on the port it names, if that is still an E_Port.
    void issue_hello(cMessage& msg);
    // An FSPF packet, which stays the caller's; true when the database
    // changed, so that the routes are to be rebuilt.
    bool proc_fspf_packet(FspfPacket& packet, int port);
    // An E_Port the centre has just marked down; the database changes.
    void lose_e_port(int port);

    SwitchOutbox& output() { return out_; }
    const Adjacency& adjacency(int port) const { return links_[static_cast<size_t>(port)]; }
    bool adjacent_e_port(int port) const;
    // The neighbour domain on a port: that of the port's link in the local
    // record, or, between the neighbour's adjacency and ours, the one its
    // Hello named.
    int get_dest_dom(int port) const;

  private:
    Adjacency& link(int port) { return links_[static_cast<size_t>(port)]; }
    LinkStateRecord& local_record(const char* missingText);
    void schedule_hello(int port, double delay);
    void proc_hello(const FspfPacket& hello, int port);
    void add_an_ld(const FspfPacket& hello, int port);
    void update_an_lsr(LinkStateRecord& lsr, int port);
    bool proc_an_lsu(FspfPacket& packet, int port);
    void read_lsu_record(std::istream& in, const std::string& path, bool& acknowledged, int port);
    bool proc_an_lsa(int port);
    void flood_local_lsr(int skipPort);
    bool awaiting_adjacency(int port) const;
    void note_accepted_since_database(int port, std::uint32_t domain);
    void send_accepted_since_database(int port);
    std::string create_lsu_file();
    FspfPacket* new_fspf_packet(const char* name, unsigned cmdCode) const;
    void send_lsu(int port, unsigned long lsrNum, const std::string& path, unsigned long msgLen);

    const cModule* owner_;
    RoutingEngine& routes_;
    const SwitchPortTable& ports_;
    cModule* root_ = nullptr;
    std::uint32_t domainId_ = 0;
    int maxSwPortNum_ = 0;
    int link1GCost_ = 0;
    int link2GCost_ = 0;
    std::vector<Adjacency> links_;
    SwitchOutbox out_;
};
