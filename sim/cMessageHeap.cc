#include "sim/cMessageHeap.h"

#include <algorithm>

namespace {
// Priorities outside this range share its ends; the model uses a handful of
// small values.
constexpr int kPriorityBias = 1 << 15;
// A four-way heap: half the levels of a binary one, and the children of a
// node share a cache line or two.
constexpr int kArity = 4;
constexpr uint64_t kOrderMask = (uint64_t(1) << 48) - 1;

uint64_t orderKey(int priority, uint64_t order)
{
    int p = std::clamp(priority, -kPriorityBias, kPriorityBias - 1) + kPriorityBias;
    return uint64_t(p) << 48 | (order & kOrderMask);
}
} // namespace

void cMessageHeap::insert(cMessage* msg)
{
    msg->insertOrder_ = nextOrder_++;
    const int i = static_cast<int>(heap_.size());
    heap_.push_back(Entry{msg->arrival_, orderKey(msg->priority_, msg->insertOrder_), msg});
    // Most events are scheduled after what is already pending: they stay where they land.
    if (i == 0 || !before(heap_[i], heap_[(i - 1) / kArity]))
        msg->heapIndex_ = i;
    else
        siftUp(i);
}

cMessage* cMessageHeap::removeFirst()
{
    if (heap_.empty())
        return nullptr;
    cMessage* first = heap_[0].msg;
    Entry last = heap_.back();
    heap_.pop_back();
    if (!heap_.empty()) {
        place(0, last);
        siftDown(0);
    }
    first->heapIndex_ = -1;
    return first;
}

cMessage* cMessageHeap::remove(cMessage* msg)
{
    int i = msg->heapIndex_;
    if (i < 0 || i >= static_cast<int>(heap_.size()) || heap_[i].msg != msg)
        return nullptr;
    Entry last = heap_.back();
    heap_.pop_back();
    if (i < static_cast<int>(heap_.size())) {
        place(i, last);
        siftUp(i);
        siftDown(last.msg->heapIndex_);
    }
    msg->heapIndex_ = -1;
    return msg;
}

void cMessageHeap::clear()
{
    std::vector<Entry> all;
    all.swap(heap_);
    for (Entry& e : all) {
        e.msg->heapIndex_ = -1;
        cMessage::dispose(e.msg);
    }
}

void cMessageHeap::siftUp(int i)
{
    Entry e = heap_[i];
    while (i > 0) {
        int parent = (i - 1) / kArity;
        if (!before(e, heap_[parent]))
            break;
        place(i, heap_[parent]);
        i = parent;
    }
    place(i, e);
}

void cMessageHeap::siftDown(int i)
{
    int n = static_cast<int>(heap_.size());
    Entry e = heap_[i];
    for (;;) {
        int first = kArity * i + 1;
        if (first >= n)
            break;
        int best = first;
        int last = std::min(first + kArity, n);
        for (int c = first + 1; c < last; ++c)
            if (before(heap_[c], heap_[best]))
                best = c;
        if (!before(heap_[best], e))
            break;
        place(i, heap_[best]);
        i = best;
    }
    place(i, e);
}
