#include "switch/RoutingEngine.h"

#include <algorithm>

#include "sim/Sim.h"

void RoutingEngine::reset(int maxDomNum)
{
    maxDomNum_ = maxDomNum;
    table_.create(maxDomNum);
    count_ = prevCount_ = 0;
}

RoutingEntry* RoutingEngine::add_entry()
{
    RoutingEntry* e = table_.add();
    if (!e)
        owner_->error("---> add_rt_entry : couldn't add a new Routing entry");
    ++count_;
    return e;
}

// A candidate takes the first free slot; the list grows when every slot is
// taken, since parallel links add a candidate each.
void RoutingEngine::add_candidate(const RoutingEntry& candidate)
{
    for (RoutingEntry& slot : candidates_)
        if (!slot.valid) {
            slot = candidate;
            slot.valid = true;
            return;
        }
    candidates_.push_back(candidate);
    candidates_.back().valid = true;
}

void RoutingEngine::remove_candidate(std::uint32_t domain)
{
    for (RoutingEntry& slot : candidates_)
        if (slot.valid && slot.dest == domain)
            slot.valid = false;
}

int RoutingEngine::best_candidate() const
{
    int best = -1;
    for (int i = 0; i < static_cast<int>(candidates_.size()); ++i) {
        const RoutingEntry& c = candidates_[static_cast<size_t>(i)];
        if (c.valid && (best < 0 || c.cost < candidates_[static_cast<size_t>(best)].cost))
            best = i;
    }
    return best;
}

void RoutingEngine::create_own_record(std::uint32_t domain)
{
    EV << "Creating a local LSR .. ";
    if (lsrs_.find(domain))
        owner_->error("---> create_an_lsr : found duplicate LSR");
    if (!lsrs_.add(domain))
        owner_->error("---> create_an_lsr : cCouldn't create an LSR");
}

LinkStateRecord* RoutingEngine::add_record(std::uint32_t domain)
{
    EV << "Adding a new LSR ... ";
    LinkStateRecord* r = lsrs_.add(domain);
    if (!r)
        owner_->error("---> add_new_lsr : couldn't add a new LSR");
    return r;
}

RoutingEngine::Change RoutingEngine::rebuild(std::uint32_t ownDomain)
{
    EV << "Building routing table ... \n";
    const long slots = static_cast<long>(maxDomNum_) * (maxDomNum_ - 1) / 2;
    if (slots == 0)
        owner_->error("---> build_routing_table : max number of canadiate lists can not be zero");
    // Only the slots used so far are kept: every slot beyond them would be
    // free, so the first free slot and the search come out the same.
    candidates_.clear();

    const std::vector<std::uint32_t> old = count_ > 0 ? reachable_domains() : std::vector<std::uint32_t>{};
    if (static_cast<int>(old.size()) > count_)
        owner_->error("---> build_routing_table : rtTble array overflow");
    prevCount_ = count_;
    count_ = 0;
    table_.create(maxDomNum_);

    RoutingEntry* root = add_entry();
    root->dest = ownDomain;
    root->next = -1;
    root->ouId = -1;
    root->cost = 0;
    std::uint32_t current = ownDomain;
    bool first = true;
    for (;;) {
        expand_domain(current, first);
        first = false;
        int best;
        for (;;) {
            best = best_candidate();
            if (best < 0)
                break;
            const RoutingEntry chosen = candidates_[static_cast<size_t>(best)];
            RoutingEntry* e = add_entry();
            *e = chosen;
            e->valid = true;
            remove_candidate(chosen.dest);
            current = chosen.dest;
            // A domain known only from a neighbour's links has no record
            // of its own to expand.
            if (lsrs_.find(current))
                break;
        }
        if (best < 0)
            break;
    }
    candidates_.clear();
    return compare(old);
}

void RoutingEngine::expand_domain(std::uint32_t domain, bool first)
{
    EV << "rootDomId: " << domain << "\n";
    const LinkStateRecord* lsr = lsrs_.find(domain);
    if (!lsr)
        owner_->error("---> build_routing_table : couldn't find an LSR for Domain[%u]", domain);
    const RoutingEntry* here = table_.find(domain);
    if (!here)
        owner_->error("---> build_routing_table : couldn't find an RT entry for Domain[%u]", domain);
    const RoutingEntry from = *here;
    for (const LinkDescriptor& ld : lsr->lds) {
        if (!ld.valid || table_.find(ld.lkId))
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
        add_candidate(c);
    }
}

std::vector<std::uint32_t> RoutingEngine::reachable_domains() const
{
    std::vector<std::uint32_t> domains;
    for (const RoutingEntry& e : table_.entries())
        if (e.valid)
            domains.push_back(e.dest);
    return domains;
}

RoutingEngine::Change RoutingEngine::compare(const std::vector<std::uint32_t>& old) const
{
    Change change;
    change.gained = prevCount_ == 0;
    if (prevCount_ > 0) {
        const std::vector<std::uint32_t> now = reachable_domains();
        for (std::uint32_t d : now)
            if (std::find(old.begin(), old.end(), d) == old.end())
                change.gained = true;
        for (std::uint32_t d : old)
            if (std::find(now.begin(), now.end(), d) == now.end())
                change.lost.push_back(d);
    }
    return change;
}
