// The zone set of the run, read by every switch from the same zone-set file
// at the start of its coroutine.

#include <iomanip>
#include <set>
#include <string>
#include <vector>

#include "device/OutputFile.h"
#include "device/WarningsLog.h"
#include "switch/SwitchConstruct.h"
#include "switch/ZoneSetFile.h"

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
    read_zone_set_file(this, root_, root_->par("zoneSetFile").stringValue(), zones_, swIndex_ == 0);
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
