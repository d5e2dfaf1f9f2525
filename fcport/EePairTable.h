#pragma once

#include <cstdint>
#include <vector>

// The FC-2 controller's view of its pair pool: which exchange engine
// EePair[i] serves which peer N_Port. Entry 0 is the link-service pair,
// always in use and never found by a look-up; entries 1 and up are handed
// out one per logged-in peer.
struct EePairEntry {
    int eeIndex = 0;
    std::uint32_t peerAddrId = 0;
    int conCurrSeq = 0;
    int recTov = 0;
    bool inUse = false;
};

class EePairTable {
  public:
    // Entries 0..maxEePair, all free but entry 0.
    void init(int maxEePair, int defConCurrSeq);

    int size() const { return static_cast<int>(entries_.size()); }
    const EePairEntry& entry(int i) const { return entries_[i]; }

    // The in-use entry 1.. that serves `peer`, or -1.
    int query_by_peer(std::uint32_t peer) const;
    // The in-use entry 1.. with this index, or -1.
    int query_by_index(int eeIndex) const;

    // Releases every entry of `peer`, then gives the peer the free entry with
    // the lowest index from 1; -1 when none is free.
    int allocate(std::uint32_t peer, int conCurrSeq, int recTov);
    // Frees entry `i`.
    void release(int i);

  private:
    std::vector<EePairEntry> entries_;
};
