#pragma once

#include <cstddef>
#include <vector>

#include "fcport/StatusBlocks.h"

// One table of exchange status blocks of an end-to-end pair: the blocks of
// the exchanges it originates or those it answers, with the counts the
// inspector shows. A block is free while its `completion` is set; the table
// never grows while exchanges are open.
class EsbTable {
  public:
    // `n` fresh blocks (none for n < 1), replacing the old ones.
    void assign(int n);
    // No blocks at all.
    void clear();

    // The first free block, in table order, or null.
    ESB* first_free();
    // The first open block that satisfies `match`, or null. Blocks are taken
    // first-free in table order, so none past the furthest ever taken is open.
    template <class Match>
    ESB* find_open(Match match)
    {
        for (std::size_t k = 0; k < taken_; ++k)
            if (blocks_[k].isOpen() && match(blocks_[k]))
                return &blocks_[k];
        return nullptr;
    }
    bool holds(const ESB* esb) const
    {
        return !blocks_.empty() && esb >= blocks_.data() && esb < blocks_.data() + blocks_.size();
    }

    // An exchange took a block.
    void count_opened()
    {
        ++inUse_;
        ++used_;
    }
    // An exchange gave its block back; false when no block was counted in use.
    bool count_closed() { return --inUse_ >= 0; }
    void reset_in_use() { inUse_ = 0; }
    void reset_used() { used_ = 0; }

    std::vector<ESB>& blocks() { return blocks_; }
    const std::vector<ESB>& blocks() const { return blocks_; }
    bool allocated() const { return allocated_; }
    int size() const { return size_; }
    int inUse() const { return inUse_; }
    long used() const { return used_; }

  private:
    std::vector<ESB> blocks_;
    std::size_t taken_ = 0; // blocks from the first to the furthest first_free() gave
    bool allocated_ = false;
    int size_ = 0;
    int inUse_ = 0;
    long used_ = 0;
};
