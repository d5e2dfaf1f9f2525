#pragma once

#include <vector>

class cModule;

// One read waiting for a block that is being read from disk.
struct PendingBlockTable {
    unsigned long ioId = ~0UL;
    unsigned long lunId = 0;
    unsigned long lunBlk = ~0UL;
    unsigned long blkSize = 0;
    double reqTime = 0; // s
    int ioType = 255;
    bool active = false; // this entry issued the physical read
    bool inUse = false;
};

// The table of pending blocks: reads of the same block join while one
// physical read is outstanding. It starts with 1000 entries and only grows,
// by a quarter each time it is full; the lowest free entry is used first.
class PendingBlocks {
  public:
    explicit PendingBlocks(const cModule* owner) : owner_(owner) {}

    void init_pb_table();
    static void reset_pb_table(PendingBlockTable* entry) { *entry = PendingBlockTable{}; }
    // Grows the table when `index`, the first entry past its end, is needed;
    // returns `index`.
    long enlarge_pb_table(long index);

    // Whether an entry in use waits for the block.
    bool waiting_for(unsigned long lunId, unsigned long lunBlk) const;
    // The lowest free entry, growing the table when none is free; marked in
    // use.
    long take_free_entry();
    void free_entry(long index);

    PendingBlockTable& at(long index) { return entries_[index]; }
    long maxPbSize() const { return maxPbSize_; }
    long pbInUse() const { return pbInUse_; }
    // The inspector's view.
    const long& maxPbSizeRef() const { return maxPbSize_; }
    const long& pbInUseRef() const { return pbInUse_; }

  private:
    const cModule* owner_;
    std::vector<PendingBlockTable> entries_;
    long maxPbSize_ = 0;
    long pbInUse_ = 0;
};
