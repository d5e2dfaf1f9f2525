#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The zones of the run as a switch holds them: each zone a name and its
// members, each member the full path of an N_Port module and the address
// the N_Port has behind its switch port.
struct ZoneMember {
    std::string name;
    long portId = 0;
    bool used = false;
};

struct Zone {
    std::string name;
    std::vector<ZoneMember> members;
    bool used = false;
};

class ZoneSet {
  public:
    enum class AddResult { ADDED, OVERWRITTEN, NO_FREE_ZONE, ZONE_FULL };

    void create(int maxZoneNum, int maxZoneMem);
    AddResult add_member(const std::string& zoneName, const std::string& modulePath, long portId);
    // True when one zone holds both addresses (the same member when a = b).
    bool shared_zone(std::uint32_t a, std::uint32_t b) const;
    const std::vector<Zone>& zones() const { return zones_; }
    int max_members() const { return maxZoneMem_; }

  private:
    Zone* zone_named(const std::string& name);

    std::vector<Zone> zones_;
    int maxZoneMem_ = 0;
};
