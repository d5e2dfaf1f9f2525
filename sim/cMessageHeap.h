#pragma once

#include <cstdint>
#include <vector>

#include "sim/cMessage.h"

// The future event list: a binary heap of messages ordered by arrival time,
// then priority, then a 64-bit insertion number, so that equal time and
// priority keep the order of scheduling. Each message knows its own heap
// slot, which makes cancelling O(log n).
class cMessageHeap {
  public:
    cMessageHeap() = default;
    cMessageHeap(const cMessageHeap&) = delete;
    cMessageHeap& operator=(const cMessageHeap&) = delete;
    ~cMessageHeap() { clear(); }

    void insert(cMessage* msg);
    cMessage* peekFirst() const { return heap_.empty() ? nullptr : heap_[0]; }
    cMessage* removeFirst();
    cMessage* remove(cMessage* msg);
    int length() const { return static_cast<int>(heap_.size()); }
    bool empty() const { return heap_.empty(); }
    // Deletes every message still scheduled.
    void clear();
    void resetInsertOrder() { nextOrder_ = 0; }

  private:
    static bool before(const cMessage* a, const cMessage* b)
    {
        if (a->arrival_ != b->arrival_)
            return a->arrival_ < b->arrival_;
        if (a->priority_ != b->priority_)
            return a->priority_ < b->priority_;
        return a->insertOrder_ < b->insertOrder_;
    }
    void place(int i, cMessage* msg)
    {
        heap_[i] = msg;
        msg->heapIndex_ = i;
    }
    void siftUp(int i);
    void siftDown(int i);

    std::vector<cMessage*> heap_;
    uint64_t nextOrder_ = 0;
};
