#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The name-server database of a switch: the N_Ports of the fabric with
// their FCP role (0 target, 1 initiator, 255 not yet identified), and the
// count of registered entries (used, role 0 or 1).
struct NsDbEntry {
    std::uint32_t portId = 0;
    std::uint8_t fcpFeature = 255;
    bool used = false;
};

class NameServerDatabase {
  public:
    static constexpr std::uint8_t UNIDENTIFIED = 255;

    void create(int size);
    // Takes the first unused entry with role 255; null when none is left.
    NsDbEntry* add(std::uint32_t portId);
    // The first used entry of `portId`, or null.
    NsDbEntry* find(std::uint32_t portId);
    // Frees every used entry of `portId` whose role is known; returns how many.
    int drop_registered(std::uint32_t portId);
    // Frees the first used entry of `portId` whose role is known.
    bool drop_first_registered(std::uint32_t portId);
    void count_registration() { ++registered_; }

    const std::vector<NsDbEntry>& entries() const { return entries_; }
    int registered() const { return registered_; }
    int used_with(int feature) const;

  private:
    std::vector<NsDbEntry> entries_;
    int registered_ = 0;
};
