#pragma once

#include <array>
#include <vector>

#include "device/OutputStream.h"

class cModule;

// The cache counters kept per LUN and for the whole control memory, in the
// order of the statistics columns.
enum CacheCounter {
    RD_REQ,
    RD_HIT,
    RD_MISS,
    PHY_RD_REQ,
    PHY_RD_COM,
    WR_REQ,
    WR_SM_STAT,
    WR_SM_ACTV,
    PHY_WR_REQ,
    PHY_WR_COM,
    SPB_BY_RD,
    SPB_BY_WR,
    APB_BY_WR,
    CACHE_COUNTER_NUM
};

using CacheCounters = std::array<long, CACHE_COUNTER_NUM>;

// What the control memory knows of one LUN: the controller that serves it,
// its cache-statistics stream and its counters.
struct LunEntry {
    unsigned long lunId = 0;
    int ctrlIdx = 0;
    OutputStream statFile;
    bool statOpen = false;
    CacheCounters interval{};
    CacheCounters run{};
    long dirtyBlocks = 0;
    long indexBlocks = 0;
};

// The LUN table: LUN i is served by `LunCtrl[i]`.
class LunTable {
  public:
    explicit LunTable(const cModule* owner) : owner_(owner) {}

    void init_lun_table(int arrLunNum);
    // The entry of the LUN, or null when the array has no such LUN.
    LunEntry* query_lun_table(unsigned long lun);
    void show_lun_table() const;

    // Adds `n` to the LUN's interval and run counters and to the
    // controller-wide one; false for an unknown LUN.
    bool count(unsigned long lun, CacheCounter counter, long n = 1);

    int size() const { return static_cast<int>(entries_.size()); }
    LunEntry& at(int i) { return entries_[i]; }
    CacheCounters& total() { return total_; }

  private:
    const cModule* owner_;
    std::vector<LunEntry> entries_;
    CacheCounters total_{};
};
