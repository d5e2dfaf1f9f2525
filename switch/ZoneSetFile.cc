#include "switch/ZoneSetFile.h"

#include <fstream>

#include "sim/Sim.h"

namespace {

constexpr size_t MAX_ZONE_LINE = 255;

std::string printable_non_blank(const std::string& line)
{
    std::string out;
    for (char c : line)
        if (c > ' ' && c < 127)
            out += c;
    return out;
}

// The address of the N_Port behind the switch port at the far end of the
// port's cable, or -1 when the port has no cable to a switch port.
long far_switch_address(cModule* nxPort)
{
    cGate* out = nxPort->gate("link_out");
    cModule* receiver = out ? out->destinationGate()->ownerModule() : nullptr;
    cModule* swPort =
        receiver && receiver != nxPort && receiver->parentModule() ? receiver->parentModule()->parentModule() : nullptr;
    if (!swPort || !swPort->hasPar("areaId") || !swPort->parentModule()->hasPar("domainId"))
        return -1;
    return (swPort->parentModule()->par("domainId").longValue() << 16) + swPort->par("areaId").longValue() * 256 +
           swPort->index();
}

} // namespace

void read_zone_set_file(const cModule* reader, cModule* root, const std::string& path, ZoneSet& zones,
                        bool reportOverwrites)
{
    std::ifstream in(path);
    if (!in)
        reader->error("---> Couldn't open ZoneSet file \"%s\"", path.c_str());
    std::string zoneName;
    std::string line;
    bool more = true;
    while (more) {
        // The read that meets the end of the file gives an empty member line.
        more = static_cast<bool>(std::getline(in, line));
        if (!more)
            line.clear();
        if (line.size() > MAX_ZONE_LINE)
            line.resize(MAX_ZONE_LINE);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] == ';')
            continue;
        if (!line.empty() && line[0] == '[') {
            zoneName = line.size() > 2 ? line.substr(1, line.size() - 2) : std::string();
            continue;
        }
        if (zoneName.empty())
            reader->error("---> build_zone_set : expecting zone name presented before building zone set. Please "
                          "check ZoneSet file");
        const std::string member = printable_non_blank(line);
        if (member.empty())
            continue;
        cModule* nxPort = root->moduleByRelativePath(member.c_str());
        if (!nxPort)
            reader->error("---> Zone[%s] : found no module %s.%s", zoneName.c_str(), root->fullPath().c_str(),
                          member.c_str());
        if (std::string(nxPort->name()) != "NxPort")
            reader->error("---> Zone[%s] : %s  is not an N_Port", zoneName.c_str(), nxPort->fullPath().c_str());
        const long id = far_switch_address(nxPort);
        if (id < 0)
            continue;
        switch (zones.add_member(zoneName, nxPort->fullPath(), id)) {
        case ZoneSet::AddResult::ADDED: break;
        case ZoneSet::AddResult::OVERWRITTEN:
            if (reportOverwrites) {
                EV << "WARNING: Overwriting old zone member!\n";
            }
            break;
        case ZoneSet::AddResult::NO_FREE_ZONE:
            reader->error("---> maxZoneNum[%d] is exceeded. Please check the file \"omnetpp.ini\"",
                          static_cast<int>(zones.zones().size()));
        case ZoneSet::AddResult::ZONE_FULL:
            reader->error("---> Zone[%s] : maximum %d zone members can be setup for each zone. Please consider a "
                          "larger value for \"maxZoneMem\" in the file \"omnetpp.ini\"",
                          zoneName.c_str(), zones.max_members());
        }
    }
}
