// The zone set of the run, read by every switch from the same zone-set file
// at the start of its coroutine: a line "[name]" starts a zone, each further
// line names one N_Port module by its path below the root, and ';' starts a
// comment line. A member's address is that of the N_Port behind the switch
// port at the far end of its cable.

#include <fstream>
#include <iomanip>
#include <set>
#include <string>
#include <vector>

#include "device/OutputFile.h"
#include "device/WarningsLog.h"
#include "switch/SwitchConstruct.h"

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

} // namespace

void SwitchConstruct::init_zone_set()
{
    const long maxZoneNum = root_->par("maxZoneNum").longValue();
    if (maxZoneNum <= 0)
        error("---> maxZoneNum should > 0. Please check the file \"omnetpp.ini\"");
    const long maxZoneMem = root_->par("maxZoneMem").longValue();
    if (maxZoneMem <= 0)
        error("---> maxZoneMem should > 0. Please check the file \"omnetpp.ini\"");
    zones_.create(static_cast<int>(maxZoneNum), static_cast<int>(maxZoneMem));
    if (swIndex_ == 0) {
        EV << "\n========== Zone Set Activation ==========\n";
    }
}

void SwitchConstruct::load_zone_set()
{
    const std::string path = root_->par("zoneSetFile").stringValue();
    std::ifstream in(path);
    if (!in)
        error("---> Couldn't open ZoneSet file \"%s\"", path.c_str());
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
            error("---> build_zone_set : expecting zone name presented before building zone set. Please check "
                  "ZoneSet file");
        const std::string member = printable_non_blank(line);
        if (member.empty())
            continue;
        cModule* nxPort = root_->moduleByRelativePath(member.c_str());
        if (!nxPort)
            error("---> Zone[%s] : found no module %s.%s", zoneName.c_str(), root_->fullPath().c_str(), member.c_str());
        if (std::string(nxPort->name()) != "NxPort")
            error("---> Zone[%s] : %s  is not an N_Port", zoneName.c_str(), nxPort->fullPath().c_str());
        cGate* out = nxPort->gate("link_out");
        cModule* receiver = out ? out->destinationGate()->ownerModule() : nullptr;
        cModule* swPort = receiver && receiver != nxPort && receiver->parentModule()
                              ? receiver->parentModule()->parentModule()
                              : nullptr;
        // An N_Port without a cable to a switch port is no member.
        if (!swPort || !swPort->hasPar("areaId") || !swPort->parentModule()->hasPar("domainId"))
            continue;
        const long id = (swPort->parentModule()->par("domainId").longValue() << 16) +
                        swPort->par("areaId").longValue() * 256 + swPort->index();
        switch (zones_.add_member(zoneName, nxPort->fullPath(), id)) {
        case ZoneSet::AddResult::ADDED: break;
        case ZoneSet::AddResult::OVERWRITTEN:
            if (swIndex_ == 0) {
                EV << "WARNING: Overwriting old zone member!\n";
            }
            break;
        case ZoneSet::AddResult::NO_FREE_ZONE:
            error("---> maxZoneNum[%d] is exceeded. Please check the file \"omnetpp.ini\"",
                  static_cast<int>(zones_.zones().size()));
        case ZoneSet::AddResult::ZONE_FULL:
            error("---> Zone[%s] : maximum %d zone members can be setup for each zone. Please consider a larger "
                  "value for \"maxZoneMem\" in the file \"omnetpp.ini\"",
                  zoneName.c_str(), zones_.max_members());
        }
    }
}

namespace {

// The initiator N_Ports of the network that have a cable to a switch port.
void collect_cabled_initiators(cModule* mod, std::vector<cModule*>& ports)
{
    for (cModule* sub : mod->submodules()) {
        if (std::string(sub->name()) == "NxPort" && sub->hasPar("fcpIni") && sub->par("fcpIni").boolValue()) {
            double delay;
            cGate* far = sub->findGate("link_out") >= 0 ? sub->gate("link_out")->route(delay) : nullptr;
            cModule* fc1 = far ? far->ownerModule()->parentModule() : nullptr;
            cModule* farPort = fc1 ? fc1->parentModule() : nullptr;
            if (farPort && farPort->hasPar("areaId"))
                ports.push_back(sub);
            continue;
        }
        collect_cabled_initiators(sub, ports);
    }
}

} // namespace

// An initiator that no zone holds finds no target: its host's I/Os never run.
void SwitchConstruct::warn_of_unzoned_initiators()
{
    std::set<std::string> members;
    for (const Zone& z : zones_.zones())
        if (z.used)
            for (const ZoneMember& m : z.members)
                if (m.used)
                    members.insert(m.name);
    std::vector<cModule*> initiators;
    collect_cabled_initiators(root_, initiators);
    const std::string file = root_->par("zoneSetFile").stringValue();
    for (cModule* port : initiators)
        if (!members.count(port->fullPath()))
            user_warning(this, "No zone holds the initiator port \"" + port->fullPath() +
                                   "\"; it can reach no target and its I/Os will not run. Please check the file \"" +
                                   file + "\"");
}

void SwitchConstruct::display_zone_set()
{
    const std::string path = root_->par("zoneSetConfFile").stringValue();
    OutputStream out(this, path, std::ios::out | std::ios::trunc);
    if (!out)
        error("---> Couldn't open ZoneSet Config file \"%s\" for write", path.c_str());
    out << std::left;
    const std::string equals(70, '='), dashes(70, '-');
    out << root_->fullPath() << " ZoneSet Configuration ... \n";
    for (const Zone& z : zones_.zones()) {
        if (!z.used)
            continue;
        out << equals << "\n[" << z.name << "]\n" << dashes << "\n";
        out << std::setw(20) << "NxPort_AddrID" << std::setw(50) << "NxPort_ModuleName(WWPN)"
            << "\n";
        for (const ZoneMember& m : z.members)
            if (m.used)
                out << std::setw(20) << m.portId << std::setw(50) << m.name << "\n";
    }
    out << equals << "\n";
    out.finish();
}

bool SwitchConstruct::check_zone_conf(std::uint32_t a, std::uint32_t b) const
{
    return zones_.shared_zone(a, b);
}
