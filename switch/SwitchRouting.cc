// Shortest paths from the link-state database: from the own domain outwards,
// the cheapest candidate is taken next, and every domain's route keeps the
// next domain and output port of its path's first hop. The candidates sit
// in a plain list searched from its start, so that among equal costs the
// one in the lowest slot wins; a heap would choose differently. The list
// holds only the slots used so far: every slot beyond them would be free, so
// the first free slot and the search come out the same.
//
// After each computation the reachable domains are compared with those of
// the previous table: the registered ports of a lost domain are dropped and
// announced, and a newly reachable domain makes the switch ask its
// neighbours for their port lists.

#include <algorithm>

#include "messages/MsgKinds.h"
#include "switch/SwitchConstruct.h"

// ---- Tables ------------------------------------------------------------------------------------

RoutingEntry* SwitchConstruct::add_rt_entry()
{
    RoutingEntry* e = rtTable_.add();
    if (!e)
        error("---> add_rt_entry : couldn't add a new Routing entry");
    ++rtCount_;
    return e;
}

const RoutingEntry* SwitchConstruct::find_rt_entry(std::uint32_t domain) const
{
    return rtTable_.find(domain);
}

// A candidate takes the first free slot; the list grows when every slot is
// taken, since parallel links add a candidate each.
void SwitchConstruct::add_can_entry(const RoutingEntry& candidate)
{
    for (RoutingEntry& slot : canList_)
        if (!slot.valid) {
            slot = candidate;
            slot.valid = true;
            return;
        }
    canList_.push_back(candidate);
    canList_.back().valid = true;
}

void SwitchConstruct::remove_can_entry(std::uint32_t domain)
{
    for (RoutingEntry& slot : canList_)
        if (slot.valid && slot.dest == domain)
            slot.valid = false;
}

int SwitchConstruct::best_path_select() const
{
    int best = -1;
    for (int i = 0; i < static_cast<int>(canList_.size()); ++i) {
        const RoutingEntry& c = canList_[static_cast<size_t>(i)];
        if (c.valid && (best < 0 || c.cost < canList_[static_cast<size_t>(best)].cost))
            best = i;
    }
    return best;
}

// ---- The computation ---------------------------------------------------------------------------

void SwitchConstruct::build_routing_table()
{
    EV << "Building routing table ... \n";
    const long slots = static_cast<long>(maxDomNum_) * (maxDomNum_ - 1) / 2;
    if (slots == 0)
        error("---> build_routing_table : max number of canadiate lists can not be zero");
    canList_.clear();

    const std::vector<std::uint32_t> old = rtCount_ > 0 ? reachable_domains() : std::vector<std::uint32_t>{};
    if (static_cast<int>(old.size()) > rtCount_)
        error("---> build_routing_table : rtTble array overflow");
    prevRtCount_ = rtCount_;
    rtCount_ = 0;
    rtTable_.create(maxDomNum_);

    RoutingEntry* root = add_rt_entry();
    root->dest = domainId_;
    root->next = -1;
    root->ouId = -1;
    root->cost = 0;
    std::uint32_t current = domainId_;
    bool first = true;
    for (;;) {
        expand_domain(current, first);
        first = false;
        int best;
        for (;;) {
            best = best_path_select();
            if (best < 0)
                break;
            const RoutingEntry chosen = canList_[static_cast<size_t>(best)];
            RoutingEntry* e = add_rt_entry();
            *e = chosen;
            e->valid = true;
            remove_can_entry(chosen.dest);
            current = chosen.dest;
            // A domain known only from a neighbour's links has no record
            // of its own to expand.
            if (find_an_lsr(current))
                break;
        }
        if (best < 0)
            break;
    }
    canList_.clear();
    compare_routes(old);
}

void SwitchConstruct::expand_domain(std::uint32_t domain, bool first)
{
    EV << "rootDomId: " << domain << "\n";
    const LinkStateRecord* lsr = find_an_lsr(domain);
    if (!lsr)
        error("---> build_routing_table : couldn't find an LSR for Domain[%u]", domain);
    const RoutingEntry* here = find_rt_entry(domain);
    if (!here)
        error("---> build_routing_table : couldn't find an RT entry for Domain[%u]", domain);
    const RoutingEntry from = *here;
    for (const LinkDescriptor& ld : lsr->lds) {
        if (!ld.valid || find_rt_entry(ld.lkId))
            continue;
        RoutingEntry c;
        c.dest = ld.lkId;
        if (first) {
            c.next = static_cast<int>(ld.lkId);
            c.ouId = ld.ouId;
            c.cost = ld.cost;
        } else {
            c.next = from.next;
            c.ouId = from.ouId;
            c.cost = ld.cost + from.cost;
        }
        add_can_entry(c);
    }
}

std::vector<std::uint32_t> SwitchConstruct::reachable_domains() const
{
    std::vector<std::uint32_t> domains;
    for (const RoutingEntry& e : rtTable_.entries())
        if (e.valid)
            domains.push_back(e.dest);
    return domains;
}

void SwitchConstruct::compare_routes(const std::vector<std::uint32_t>& old)
{
    bool gained = prevRtCount_ == 0;
    if (prevRtCount_ > 0) {
        const std::vector<std::uint32_t> now = reachable_domains();
        for (std::uint32_t d : now)
            if (std::find(old.begin(), old.end(), d) == old.end())
                gained = true;
        for (std::uint32_t d : old)
            if (std::find(now.begin(), now.end(), d) == now.end())
                drop_domain(d);
    }
    if (gained)
        ask_port_lists();
}

// The registered ports of a domain no longer reachable are gone.
void SwitchConstruct::drop_domain(std::uint32_t domain)
{
    for (const NsDbEntry& e : nsDb_.entries()) {
        if (!e.used || (e.portId >> 16) != domain || e.fcpFeature == NameServerDatabase::UNIDENTIFIED)
            continue;
        const std::uint32_t portId = e.portId;
        nsDb_.drop_first_registered(portId);
        flood_rscn(-1, portId, false);
    }
}

void SwitchConstruct::ask_port_lists()
{
    for (int i = 0; i < swPortNum_; ++i) {
        if (!adjacent_e_port(i))
            continue;
        auto* req = new cMessage("REQ_GID_FT", REQ_GID_FT, 0);
        req->addPar("destDom").setLongValue(get_dest_dom(i));
        to_port(req, i);
    }
}
