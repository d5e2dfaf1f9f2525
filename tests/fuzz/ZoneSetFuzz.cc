// The zone-set reader on any file, against a fabric built once: the shipped
// test bed's hosts and array boards, whose node ports are cabled to switch
// ports, to nothing, or to another node port, and a module that is no port.
// The reader either fills the zone set or stops the run with a message;
// what it fills holds only cabled node ports, each with the address of the
// switch port at its cable's far end, within the zone set's limits.

#include <cstdint>
#include <map>
#include <string>

#include "switch/ZoneSet.h"
#include "switch/ZoneSetFile.h"
#include "tests/fuzz/FuzzBed.h"

namespace {

constexpr int MAX_ZONES = 3;
constexpr int MAX_MEMBERS = 14;
constexpr int SWITCH_PORTS = 32;

struct Fabric {
    cModule* root = nullptr;
    // The full path of every node port cabled to a switch port, and the
    // address that port gives it.
    std::map<std::string, long> addresses;
};

// A host (no boards) or an array's boards, each with `ports` node ports of
// which the first `cabled` go to the site's switch.
struct DeviceLayout {
    const char* name;
    int boards;
    int ports;
    int cabled;
};

// A switch whose ports each lead, as a real one's, through the port's FC-1
// layer to its receiver.
cModule* fabric_switch(cModule* site, long domainId)
{
    cModule* sw = fuzz_module("Sw", site);
    sw->addPar("domainId").setLongValue(domainId);
    for (int i = 0; i < SWITCH_PORTS; ++i) {
        cModule* port = fuzz_module("SwPort", sw, i, SWITCH_PORTS);
        port->addPar("areaId").setLongValue(2 * i + 1);
        cModule* fc1 = fuzz_module("Fc1", port);
        cModule* rx = fuzz_module("Rx", fc1);
        for (cModule* m : {port, fc1, rx})
            m->addGate("link_in", 'I');
        port->gate("link_in")->connectTo(fc1->gate("link_in"));
        fc1->gate("link_in")->connectTo(rx->gate("link_in"));
    }
    return sw;
}

void add_node_ports(Fabric& f, cModule* device, const DeviceLayout& layout, cModule* sw, int& nextSwPort)
{
    const long domainId = sw->par("domainId").longValue();
    for (int i = 0; i < layout.ports; ++i) {
        cModule* port = fuzz_module("NxPort", device, i, layout.ports);
        port->addGate("link_in", 'I');
        port->addGate("link_out", 'O');
        if (i >= layout.cabled)
            continue;
        const int s = nextSwPort++;
        port->gate("link_out")->connectTo(sw->submodule("SwPort", s)->gate("link_in"));
        f.addresses[port->fullPath()] = (domainId << 16) + (2 * s + 1) * 256 + s;
    }
}

cModule* add_site(Fabric& f, cModule* site, long domainId, std::initializer_list<DeviceLayout> devices)
{
    cModule* sw = fabric_switch(site, domainId);
    int nextSwPort = 0;
    for (const DeviceLayout& layout : devices) {
        cModule* device = fuzz_module(layout.name, site);
        for (int b = 0; b < layout.boards; ++b)
            add_node_ports(f, fuzz_module("Chip", device, b, layout.boards), layout, sw, nextSwPort);
        if (layout.boards == 0)
            add_node_ports(f, device, layout, sw, nextSwPort);
    }
    return site;
}

// The node ports of the shipped test bed, and two at the top as a small
// network names them.
Fabric build_fabric()
{
    Fabric f;
    f.root = new_fuzz_root();
    f.root->addPar("maxZoneNum").setLongValue(MAX_ZONES);
    f.root->addPar("maxZoneMem").setLongValue(MAX_MEMBERS);
    f.root->addPar("zoneSetFile").setStringValue("");
    cModule* dc1 = add_site(f, fuzz_module("DataCtr1", f.root), 11,
                            {{"Host1", 0, 2, 2},
                             {"Host2", 0, 2, 2},
                             {"Host3", 0, 2, 2},
                             {"Host4", 0, 2, 2},
                             {"Host5", 0, 2, 1},
                             {"Host6", 0, 2, 1},
                             {"Dev1", 2, 4, 3}});
    add_site(f, fuzz_module("DataCtr2", f.root), 21,
             {{"Host7", 0, 2, 2}, {"Host8", 0, 2, 2}, {"Host9", 0, 2, 1}, {"Host10", 0, 2, 1}, {"Dev2", 2, 4, 4}});
    add_site(f, fuzz_module("DataCtr3", f.root), 31, {{"Dev3", 1, 3, 3}, {"Dev4", 1, 3, 2}});
    add_site(f, f.root, 1, {{"Host1", 0, 1, 1}, {"Dev1", 1, 1, 1}});
    fuzz_module("Cpu", dc1->submodule("Host1"));
    // A cable from node port to node port leads to no switch.
    dc1->submodule("Host5")
        ->submodule("NxPort", 1)
        ->gate("link_out")
        ->connectTo(dc1->submodule("Dev1")->submodule("Chip", 1)->submodule("NxPort", 3)->gate("link_in"));
    return f;
}

void check(const Fabric& f, const ZoneSet& zones)
{
    if (zones.zones().size() != static_cast<size_t>(MAX_ZONES))
        fuzz_failure("the zone set changed its number of zones");
    for (const Zone& z : zones.zones()) {
        if (!z.used)
            continue;
        std::map<std::string, int> seen;
        for (const ZoneMember& m : z.members) {
            if (!m.used)
                continue;
            const auto at = f.addresses.find(m.name);
            if (at == f.addresses.end())
                fuzz_failure("a zone holds a module that is no cabled node port");
            if (at->second != m.portId)
                fuzz_failure("a zone member has another address than its switch port gives");
            if (++seen[m.name] > 1)
                fuzz_failure("a zone holds a member twice");
            for (const ZoneMember& other : z.members)
                if (other.used &&
                    !zones.shared_zone(static_cast<std::uint32_t>(m.portId), static_cast<std::uint32_t>(other.portId)))
                    fuzz_failure("two members of one zone do not share a zone");
        }
        if (z.members.size() != static_cast<size_t>(MAX_MEMBERS))
            fuzz_failure("a zone changed its number of member slots");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The reader only looks at the fabric: one serves every input.
    static const Fabric fabric = build_fabric();
    const std::string file = write_input("ZoneSet.txt", data, size);
    fabric.root->par("zoneSetFile").setStringValue(file.c_str());
    ZoneSet zones;
    try {
        ZoneSetFile(fabric.root, fabric.root, false).read_into(zones);
        check(fabric, zones);
    } catch (const cRuntimeError&) {
    }
    return 0;
}
