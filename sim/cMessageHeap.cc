#include "sim/cMessageHeap.h"

#include <algorithm>
#include <cstddef>

namespace {
// A four-way heap: half the levels of a binary one, and the children of a
// node share a cache line or two.
constexpr int kArity = 4;
} // namespace

// The entry is built where it is kept, field by field: one built on the
// stack and copied would be read back in wide moves while its narrow stores
// are still on their way, a stall at every event.
void cMessageHeap::insert(cMessage* msg)
{
    const simtime_t time = msg->arrival_ + 0.0;
    const uint64_t order = orderKey(msg->priority_, nextOrder_++);
    if (!fitsRun(time, order))
        return insertLater(time, order, msg);
    if (run_.size() == run_.capacity())
        return appendToFullRun(time, order, msg);
    appendToRun(time, order, msg);
}

void cMessageHeap::appendToRun(simtime_t time, uint64_t order, cMessage* msg)
{
    if (run_.size() >= run_.capacity())
        __builtin_unreachable(); // no growth here: the callers saw room
    msg->heapIndex_ = kRunSlot + static_cast<int>(run_.size());
    run_.emplace_back(time, order, msg, msg->arrivalModuleId_);
}

void cMessageHeap::appendToFullRun(simtime_t time, uint64_t order, cMessage* msg)
{
    run_.reserve(2 * run_.capacity() + 16);
    appendToRun(time, order, msg);
}

void cMessageHeap::insertLater(simtime_t time, uint64_t order, cMessage* msg)
{
    if (!radix_.insert(time, order, msg, msg->arrivalModuleId_))
        insertHeap(time, order, msg);
}

void cMessageHeap::insertHeap(simtime_t time, uint64_t order, cMessage* msg)
{
    const Entry e(time, order, msg, msg->arrivalModuleId_);
    const int i = static_cast<int>(heap_.size());
    heap_.push_back(e);
    if (i == 0 || !heap_[i].before(heap_[(i - 1) / kArity]))
        e.msg->heapIndex_ = i;
    else
        siftUp(i);
}

cMessage* cMessageHeap::removeTop()
{
    cMessage* first = heap_[0].msg;
    const Entry last = heap_.back();
    heap_.pop_back();
    if (!heap_.empty())
        siftDown(0, last);
    first->heapIndex_ = -1;
    return first;
}

void cMessageHeap::orderRun()
{
    const auto byOrder = [](const Entry& a, const Entry& b) { return a.order < b.order; };
    if (!std::is_sorted(run_.begin(), run_.end(), byOrder))
        std::sort(run_.begin(), run_.end(), byOrder);
    for (size_t k = 0; k < run_.size(); ++k)
        run_[k].msg->heapIndex_ = kRunSlot + static_cast<int>(k);
}

void cMessageHeap::compactRun()
{
    run_.erase(run_.begin(), run_.begin() + static_cast<std::ptrdiff_t>(runHead_));
    runHead_ = 0;
    for (size_t k = 0; k < run_.size(); ++k)
        run_[k].msg->heapIndex_ = kRunSlot + static_cast<int>(k);
}

// Cancelling a message that waits in the run is rare: the entries behind it
// move up.
void cMessageHeap::removeFromRun(size_t slot)
{
    run_[slot].msg->heapIndex_ = -1;
    run_.erase(run_.begin() + static_cast<std::ptrdiff_t>(slot));
    for (size_t k = slot; k < run_.size(); ++k)
        run_[k].msg->heapIndex_ = kRunSlot + static_cast<int>(k);
    if (runHead_ == run_.size()) {
        run_.clear();
        runHead_ = 0;
    }
}

cMessage* cMessageHeap::at(int i) const
{
    size_t k = static_cast<size_t>(i);
    if (k < heap_.size())
        return heap_[k].msg;
    k -= heap_.size();
    if (k < run_.size() - runHead_)
        return run_[runHead_ + k].msg;
    return radix_.at(k - (run_.size() - runHead_));
}

cMessage* cMessageHeap::remove(cMessage* msg)
{
    int i = msg->heapIndex_;
    if (RadixHeap::holds(i))
        return radix_.remove(msg) ? msg : nullptr;
    if (i >= kRunSlot) {
        const size_t slot = static_cast<size_t>(i - kRunSlot);
        if (slot < runHead_ || slot >= run_.size() || run_[slot].msg != msg)
            return nullptr;
        removeFromRun(slot);
        return msg;
    }
    if (i < 0 || i >= static_cast<int>(heap_.size()) || heap_[i].msg != msg)
        return nullptr;
    Entry last = heap_.back();
    heap_.pop_back();
    if (i < static_cast<int>(heap_.size())) {
        place(i, last);
        siftUp(i);
        const int at = last.msg->heapIndex_;
        siftDown(at, heap_[at]);
    }
    msg->heapIndex_ = -1;
    return msg;
}

void cMessageHeap::clear()
{
    std::vector<Entry> all;
    all.swap(heap_);
    all.insert(all.end(), run_.begin() + static_cast<std::ptrdiff_t>(runHead_), run_.end());
    radix_.takeAll(all);
    run_.clear();
    runHead_ = 0;
    lastTime_ = 0;
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
        if (!e.before(heap_[parent]))
            break;
        place(i, heap_[parent]);
        i = parent;
    }
    place(i, e);
}

// Which child comes first is as good as random, so a branch on each
// comparison would be mispredicted half the time: the four keys are compared
// in two independent pairs, whose winners the compiler takes with
// conditional moves.
int cMessageHeap::earliestOfFour(int first) const
{
    const Entry* c = &heap_[static_cast<size_t>(first)];
    const Key k0 = c[0].key(), k1 = c[1].key(), k2 = c[2].key(), k3 = c[3].key();
    const bool b01 = k1 < k0, b23 = k3 < k2;
    const Key a = b01 ? k1 : k0, b = b23 ? k3 : k2;
    const int ia = first + b01, ib = first + 2 + b23;
    return b < a ? ib : ia;
}

int cMessageHeap::earliestOf(int first, int n) const
{
    int best = first;
    for (int c = first + 1; c < n; ++c)
        if (heap_[c].before(heap_[best]))
            best = c;
    return best;
}

// The hole goes down to a leaf along the earlier child at each level, and
// `e` then rises from there: the last entry, which fills the hole, belongs
// near the bottom, so this takes about one comparison a level fewer than
// testing `e` against the children on the way down.
void cMessageHeap::siftDown(int i, const Entry& entry)
{
    const int n = static_cast<int>(heap_.size());
    const int start = i;
    const Entry e = entry;
    for (;;) {
        const int first = kArity * i + 1;
        if (first >= n)
            break;
        const int best = first + kArity <= n ? earliestOfFour(first) : earliestOf(first, n);
        place(i, heap_[best]);
        i = best;
    }
    while (i > start) {
        const int parent = (i - 1) / kArity;
        if (!e.before(heap_[parent]))
            break;
        place(i, heap_[parent]);
        i = parent;
    }
    place(i, e);
}
