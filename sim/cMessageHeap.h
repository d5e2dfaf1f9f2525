#pragma once

#include <cstdint>
#include <vector>

#include "sim/cMessage.h"

// The future event list: a four-way heap ordered by arrival time, then
// priority, then a 64-bit insertion number, so that equal time and priority
// keep the order of scheduling. The sort keys are copied into the heap's own
// array so that sifting never touches the messages themselves; each message
// knows its heap slot, which makes cancelling O(log n).
class cMessageHeap {
  public:
    cMessageHeap() = default;
    cMessageHeap(const cMessageHeap&) = delete;
    cMessageHeap& operator=(const cMessageHeap&) = delete;
    ~cMessageHeap() { clear(); }

    void insert(cMessage* msg);
    cMessage* peekFirst() const { return heap_.empty() ? nullptr : heap_[0].msg; }
    cMessage* removeFirst();
    cMessage* remove(cMessage* msg);
    int length() const { return static_cast<int>(heap_.size()); }
    // The i-th scheduled message in heap order (not time order), for listings.
    cMessage* at(int i) const { return heap_[i].msg; }
    bool empty() const { return heap_.empty(); }
    // Deletes every message still scheduled.
    void clear();
    void resetInsertOrder() { nextOrder_ = 0; }

  private:
    struct Entry {
        simtime_t time;
        uint64_t order; // priority in the top 16 bits, insertion number below
        cMessage* msg;
    };
    static bool before(const Entry& a, const Entry& b)
    {
        return a.time < b.time || (a.time == b.time && a.order < b.order);
    }
    void place(int i, const Entry& e)
    {
        heap_[i] = e;
        e.msg->heapIndex_ = i;
    }
    void siftUp(int i);
    void siftDown(int i);

    std::vector<Entry> heap_;
    uint64_t nextOrder_ = 0;
};
