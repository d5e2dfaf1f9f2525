#pragma once

#include <cstdint>
#include <vector>

#include "switch/LinkStateRecords.h"

class cModule;

// The switch's link-state database, one record per known domain, and the
// shortest paths computed from it: from the own
// domain outwards, the cheapest candidate is taken next, and every domain's
// route keeps the next domain and output port of its path's first hop. The
// candidates sit in a plain list searched from its start, so that among
// equal costs the one in the lowest slot wins; a heap would choose
// differently. The control centre owns one; the link-state protocol
// (FspfProtocol) keeps its records, the centre rebuilds it whenever they
// change, and what a rebuild gained or lost is the centre's to act on.
class RoutingEngine {
  public:
    // What a rebuild changed against the table before it.
    struct Change {
        std::vector<std::uint32_t> lost; // domains no longer reachable
        bool gained = false;             // a newly reachable domain, or the first table
    };

    // Errors stop the run through `owner`.
    explicit RoutingEngine(const cModule* owner) : owner_(owner) {}

    // An empty table of `maxDomNum` slots, nothing computed yet.
    void reset(int maxDomNum);
    // An empty database for `maxDomNum` domains of `maxPorts` links each.
    void reset_records(int maxDomNum, int maxPorts) { lsrs_.create(maxDomNum, maxPorts); }
    // The switch's own record, which must be the first of its domain.
    void create_own_record(std::uint32_t domain);
    // A record for a domain first heard of.
    LinkStateRecord* add_record(std::uint32_t domain);
    LinkStateRecord* record(std::uint32_t domain) { return lsrs_.find(domain); }
    LsrTable& records() { return lsrs_; }
    const LsrTable& records() const { return lsrs_; }

    Change rebuild(std::uint32_t ownDomain);

    const RoutingTable& table() const { return table_; }
    int route_count() const { return count_; }

  private:
    RoutingEntry* add_entry();
    void add_candidate(const RoutingEntry& candidate);
    void remove_candidate(std::uint32_t domain);
    int best_candidate() const;
    void expand_domain(std::uint32_t domain, bool first);
    std::vector<std::uint32_t> reachable_domains() const;
    Change compare(const std::vector<std::uint32_t>& old) const;

    const cModule* owner_;
    int maxDomNum_ = 0;
    LsrTable lsrs_;
    RoutingTable table_;
    std::vector<RoutingEntry> candidates_; // of one computation
    int count_ = 0;
    int prevCount_ = 0;
};
