#pragma once

#include <vector>

#include "sim/cModule.h"
#include "sim/cPar.h"

// The texts with which one service module stops the run when a pool or its
// count of open exchanges runs out; `cciuMaximum` takes the pool size (%d).
struct PoolTexts {
    const char* osbExhausted;
    const char* rsbExhausted;
    const char* cciuMaximum;
    const char* cciuMinimum;
};

// The two fixed pools of exchange state blocks of one FC-4 service module:
// originator blocks (OSB) for the exchanges it starts, responder blocks (RSB)
// for the ones it answers. Blocks are found by the exchange key that travels
// in every sequence envelope; nothing is allocated per exchange.
//
// A block type has the fields `fc4MemAddr` and `sbFree` and a member
// initialise() that puts it into its state at start and on re-initialisation.
//
// The count of open originator exchanges lives in the module's parameter
// `currConCurrIu`, which the FC-4 controllers read to hold back new work; it
// is bound with bind_count() by the modules that keep one.
template <class Block>
class StateBlockPools {
  public:
    StateBlockPools(const cModule* owner, const PoolTexts& texts) : owner_(owner), texts_(texts) {}

    // Both pools with `n` fresh blocks each, in their initial state.
    void allocate(int n)
    {
        osb_.assign(static_cast<size_t>(n), Block{});
        rsb_.assign(static_cast<size_t>(n), Block{});
        initialise();
    }
    int size() const { return static_cast<int>(osb_.size()); }

    // Every block of both pools back to its initial state.
    void initialise()
    {
        for (Block& b : osb_)
            b.initialise();
        for (Block& b : rsb_)
            b.initialise();
    }

    // The first free block of the pool, in pool order, now taken.
    Block* obtain_an_osb() { return obtain(osb_, texts_.osbExhausted); }
    Block* obtain_an_rsb() { return obtain(rsb_, texts_.rsbExhausted); }

    // The first taken block holding `key`, originator pool first; null when
    // neither pool has one.
    Block* find_an_sb(unsigned long key)
    {
        return find_if([key](const Block& b) { return b.fc4MemAddr == key; });
    }

    // The first taken block that satisfies `match`, originator pool first.
    template <class Match>
    Block* find_if(Match match)
    {
        for (Block& b : osb_)
            if (!b.sbFree && match(b))
                return &b;
        for (Block& b : rsb_)
            if (!b.sbFree && match(b))
                return &b;
        return nullptr;
    }

    std::vector<Block>& osbs() { return osb_; }
    std::vector<Block>& rsbs() { return rsb_; }

    void bind_count(cPar* currConCurrIu) { count_ = currConCurrIu; }
    long open_count() const { return count_->longValue(); }
    void reset_count() { count_->setLongValue(0); }

    // One more open originator exchange; more than the pool size stops the run.
    void cost_a_cciu()
    {
        const long next = count_->longValue() + 1;
        if (next > size())
            owner_->error(texts_.cciuMaximum, size());
        count_->setLongValue(next);
    }

    // One fewer; below zero stops the run.
    void free_a_cciu()
    {
        const long next = count_->longValue() - 1;
        if (next < 0)
            owner_->error("%s", texts_.cciuMinimum);
        count_->setLongValue(next);
    }

  private:
    Block* obtain(std::vector<Block>& pool, const char* exhausted)
    {
        for (Block& b : pool)
            if (b.sbFree) {
                b.sbFree = false;
                return &b;
            }
        owner_->error("%s", exhausted);
    }

    const cModule* owner_;
    PoolTexts texts_;
    std::vector<Block> osb_;
    std::vector<Block> rsb_;
    cPar* count_ = nullptr;
};
