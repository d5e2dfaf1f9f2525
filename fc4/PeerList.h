#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The N_Ports a node port has met: the targets an initiator port has started
// to log in to, or the initiators a target port has seen. A new peer takes
// the first entry that is not used.
class PeerList {
  public:
    struct Entry {
        std::uint32_t id = 0;
        bool used = false;
    };

    // `n` entries, all free.
    void allocate(int n) { entries_.assign(static_cast<size_t>(n), Entry{}); }
    bool holds(std::uint32_t id) const;
    // Enters `id` in the first free entry; false when every entry is used.
    bool take(std::uint32_t id);
    // Frees every entry that holds `id`.
    void release(std::uint32_t id);
    void clear();
    const std::vector<Entry>& entries() const { return entries_; }

  private:
    std::vector<Entry> entries_;
};
