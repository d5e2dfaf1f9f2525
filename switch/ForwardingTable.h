#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One frame in flight through the switch, from its routing to the relayed
// completion.
struct FrmFwdTable {
    int srcPort = -1;
    int destPort = -1;
    std::uint32_t frmGid = 0xFFFFFFFF;
    bool headDone = false;
    bool payDone = false;
    bool tailDone = false;
    bool free = true;
};

// The link chosen for a trunk of frames over parallel links.
struct TrunkRecord {
    int port;
    std::uint32_t trunkId;
};

// The frames in flight: a table that starts with 10 entries, grows by a
// quarter when full and never shrinks, searched from the start.
class ForwardingTable {
  public:
    static constexpr int INITIAL_SIZE = 10;

    void reset_all(int size);
    int size() const { return static_cast<int>(entries_.size()); }
    FrmFwdTable& operator[](int i) { return entries_[static_cast<std::size_t>(i)]; }
    const FrmFwdTable& operator[](int i) const { return entries_[static_cast<std::size_t>(i)]; }

    // The first open entry of `frmGid`, or -1.
    int lookup(std::uint32_t frmGid) const;
    // The entry a relayed part of frame `frmGid` belongs to: the first open
    // one that joins `srcPort` to `destPort` (-1: any port), and with
    // `complete` one whose head, payload and tail are all done; without such
    // an entry, the first open entry of `frmGid`, or -1. A frame that loops
    // back through the switch while the routes settle holds one entry for
    // each pass, and the ports and the progress tell them apart.
    int lookup(std::uint32_t frmGid, int srcPort, int destPort, bool complete = false) const;
    // True when an open entry joins the two ports.
    bool pair_open(int srcPort, int destPort) const;
    // The first free entry, or -1 when the table is full.
    int first_free() const;
    // The first free entry, the table grown first when it is full.
    int take_free();
    // Grows the table to size x 1.25 (truncated); returns the new size.
    int enlarge();
    void reset(int i) { entries_[static_cast<std::size_t>(i)] = FrmFwdTable{}; }
    int open_count() const;

  private:
    std::vector<FrmFwdTable> entries_;
};
