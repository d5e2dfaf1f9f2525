#include "switch/ZoneSet.h"

void ZoneSet::create(int maxZoneNum, int maxZoneMem)
{
    maxZoneMem_ = maxZoneMem;
    Zone blank;
    blank.members.assign(static_cast<std::size_t>(maxZoneMem), ZoneMember{});
    zones_.assign(static_cast<std::size_t>(maxZoneNum), blank);
}

Zone* ZoneSet::zone_named(const std::string& name)
{
    for (Zone& z : zones_)
        if (z.used && z.name == name)
            return &z;
    for (Zone& z : zones_)
        if (!z.used) {
            z.used = true;
            z.name = name;
            return &z;
        }
    return nullptr;
}

ZoneSet::AddResult ZoneSet::add_member(const std::string& zoneName, const std::string& modulePath, long portId)
{
    Zone* zone = zone_named(zoneName);
    if (!zone)
        return AddResult::NO_FREE_ZONE;
    for (ZoneMember& m : zone->members)
        if (m.used && m.name == modulePath) {
            m.portId = portId;
            return AddResult::OVERWRITTEN;
        }
    for (ZoneMember& m : zone->members)
        if (!m.used) {
            m = {modulePath, portId, true};
            return AddResult::ADDED;
        }
    return AddResult::ZONE_FULL;
}

bool ZoneSet::shared_zone(std::uint32_t a, std::uint32_t b) const
{
    for (const Zone& z : zones_) {
        if (!z.used)
            continue;
        bool hasA = false, hasB = false;
        for (const ZoneMember& m : z.members) {
            if (!m.used)
                continue;
            hasA = hasA || static_cast<std::uint32_t>(m.portId) == a;
            hasB = hasB || static_cast<std::uint32_t>(m.portId) == b;
        }
        if (hasA && hasB)
            return true;
    }
    return false;
}
