#pragma once

#include <cstdint>

#include "sim/cPar.h"

// The parameters of a message, in the order they were added. Many messages
// of a run carry a handful of parameters and live for a few events, so the
// first kSlots parameters are built inside one block taken from the message
// pool when the first is added, instead of one allocation each; more
// parameters, and those handed over already made, live on their own. A
// parameter never moves while it is in the list, so references to it stay
// good until it is removed.
class ParList {
  public:
    // A parameter is 56 bytes. On the shipped test bed three lists in four
    // hold one parameter and nine in ten at most three; six slots, enough for
    // nearly all, took 0.3% fewer instructions than three but 4 MiB more at
    // peak, which the run paid for in pages to clear and in cache.
    static constexpr int kSlots = 3;

    ParList() = default;
    ParList(const ParList&) = delete;
    ParList& operator=(const ParList&) = delete;
    ~ParList();

    int size() const { return block_ ? block_->size : 0; }
    cPar& at(int index) const { return *block_->order[index]; }
    // The index of the first parameter of that name, or -1.
    int find(const char* name) const;

    cPar& add(const char* name, const cObject* owner);
    cPar& adopt(cPar* par, const cObject* owner);
    void removeAt(int index);
    void clear();
    // Replaces the list with copies of the other's parameters.
    void copyFrom(const ParList& other, const cObject* owner);

  private:
    struct Block {
        int size = 0;
        int capacity = kSlots; // of `order`
        unsigned used = 0;     // one bit per slot that holds a parameter
        cPar** order;          // `inlineOrder` until the list outgrows it
        cPar* inlineOrder[kSlots];
        alignas(cPar) unsigned char slots[kSlots][sizeof(cPar)];

        Block() : order(inlineOrder) {}
        bool inSlot(const cPar* p) const
        {
            const auto address = reinterpret_cast<std::uintptr_t>(p);
            const auto first = reinterpret_cast<std::uintptr_t>(slots);
            return address >= first && address < first + sizeof slots;
        }
        int slotOf(const cPar* p) const
        {
            return static_cast<int>((reinterpret_cast<const unsigned char*>(p) - slots[0]) / sizeof(cPar));
        }
    };

    static constexpr unsigned kAllSlots = (1u << kSlots) - 1;

    // Out of line, so that adding one of the first few parameters stays short.
    [[gnu::noinline]] cPar& addBeyondSlots(const char* name, const cObject* owner);
    Block& block();
    void* freeSlot();
    cPar& append(cPar* par, const cObject* owner);
    void destroy(cPar* par);

    Block* block_ = nullptr;
};
