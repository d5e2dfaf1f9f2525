// The centre's side of routing: the engine rebuilds the shortest paths from
// the link-state database, and the centre acts on what changed. The
// registered ports of a lost domain are dropped and announced, and a newly
// reachable domain makes the switch ask its neighbours for their port lists.

#include "messages/MsgKinds.h"
#include "switch/SwitchConstruct.h"

void SwitchConstruct::build_routing_table()
{
    const RoutingEngine::Change change = routes_.rebuild(domainId_);
    for (std::uint32_t domain : change.lost)
        drop_domain(domain);
    if (change.gained)
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
