#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The link-state database and the routing table of a switch: one link-state
// record (LSR) per known domain, each with a link descriptor per local port
// slot, and per reachable domain its next hop, output port and path cost.

struct LinkDescriptor {
    bool valid = false;     // adjacent: the link counts for routing
    std::uint32_t lkId = 0; // the neighbour domain at the far end
    int ouId = -1;          // the output port on the described switch
    std::uint32_t nbId = 0; // the port on the neighbour
    std::uint32_t cost = 0; // a 16-bit value
};

struct LinkStateRecord {
    bool valid = false;       // slot in use
    std::uint32_t domain = 0; // LsId
    std::uint16_t lsAg = 0;
    std::uint32_t adId = 0; // the switch that last sent the record
    std::uint32_t inst = 0; // incarnation
    std::uint16_t ldNu = 0; // valid link descriptors
    std::vector<LinkDescriptor> lds;

    int valid_links() const;
};

class LsrTable {
  public:
    // `slots` records, all invalid, of `ldSlots` link descriptors each. A
    // record gets its descriptors when a domain takes it: a switch knows a
    // handful of the domains it has room for.
    void create(int slots, int ldSlots);
    // The valid record of `domain`, or null.
    LinkStateRecord* find(std::uint32_t domain);
    const LinkStateRecord* find(std::uint32_t domain) const;
    // Takes the first invalid slot for `domain`; null when the table is full.
    LinkStateRecord* add(std::uint32_t domain);
    int count() const;
    // Every slot, in slot order, used or not.
    std::vector<LinkStateRecord>& records() { return records_; }
    const std::vector<LinkStateRecord>& records() const { return records_; }

  private:
    std::vector<LinkStateRecord> records_;
    std::size_t ldSlots_ = 0;
};

struct RoutingEntry {
    std::uint32_t dest = 0;
    int next = -1;
    int ouId = -1;
    std::uint32_t cost = 0;
    bool valid = false;
};

class RoutingTable {
  public:
    void create(int slots) { entries_.assign(static_cast<std::size_t>(slots), RoutingEntry{}); }
    // Takes the first invalid entry; null when none is left.
    RoutingEntry* add();
    const RoutingEntry* find(std::uint32_t domain) const;
    const std::vector<RoutingEntry>& entries() const { return entries_; }
    int valid_count() const;

  private:
    std::vector<RoutingEntry> entries_;
};
