#include "network/SiteLayout.h"

#include <cstring>

#include "sim/cModuleType.h"

const sDescrItem dataCentreItems[] = {{'M', "default", nullptr, 0},
                                      {'G', "link_in[]", nullptr, 'I'},
                                      {'G', "link_out[]", nullptr, 'O'},
                                      {'E', nullptr, nullptr, 0}};

namespace {

Expr port_count(const char* type)
{
    if (std::strcmp(type, "ClientHost") == 0)
        return Expr::own("nxPortNum");
    if (std::strcmp(type, "FcSwitch") == 0)
        return Expr::own("swPortNum");
    if (std::strcmp(type, "StorageDevice") == 0)
        return Expr::own("chipNxPortNum") * Expr::own("chipNum");
    return {};
}

// The sending and the receiving gate of one end of a cable.
GateRef sending_end(const char* module, int port)
{
    return *module ? GateRef::sub(module, "link_out", port) : GateRef::self("link_in", port);
}

GateRef receiving_end(const char* module, int port)
{
    return *module ? GateRef::sub(module, "link_in", port) : GateRef::self("link_out", port);
}

} // namespace

std::vector<SubmoduleDescription> site_devices(const std::vector<SiteDevice>& devices)
{
    std::vector<SubmoduleDescription> subs;
    for (const SiteDevice& d : devices) {
        SubmoduleDescription sub{d.name, d.type, {}, {}, {}, d.displayString};
        Expr ports = port_count(d.type);
        if (!ports.empty())
            sub.gateSizes = {{"link_in", ports}, {"link_out", ports}};
        subs.push_back(std::move(sub));
    }
    return subs;
}

std::vector<ConnectionDescription> cables(const std::vector<Cable>& cables)
{
    std::vector<ConnectionDescription> conns;
    for (const Cable& c : cables) {
        conns.push_back({sending_end(c.a, c.portA), receiving_end(c.b, c.portB), c.colour, c.delay});
        conns.push_back({sending_end(c.b, c.portB), receiving_end(c.a, c.portA), c.colour, c.delay});
    }
    return conns;
}

CompoundDescription site_description(const std::vector<SiteDevice>& devices, const std::vector<Cable>& cableTable,
                                     const char* displayString)
{
    return CompoundDescription{site_devices(devices), cables(cableTable), displayString, false};
}

CompoundDescription site_description(const SiteTable& table)
{
    return site_description(table.devices, table.cables, table.displayString);
}
