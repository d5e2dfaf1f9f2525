#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "sim/cMessage.h"

// The future event list: a four-way heap ordered by arrival time, then
// priority, then a 64-bit insertion number, so that equal time and priority
// keep the order of scheduling. The sort keys are copied into the heap's own
// array so that sifting never touches the messages themselves; each message
// knows its heap slot, which makes cancelling O(log n).
//
// Most events of the model are messages passed on at once between the
// modules of a port: they arrive at the current time, in the order they are
// sent. Those wait in a plain first-in first-out run beside the heap, kept in
// key order by taking only an entry at the run's time whose key is not
// before the last one's; the next event is the earlier of the heap's top and
// the run's front, so the order is exactly that of one heap.
class cMessageHeap {
  public:
    cMessageHeap() = default;
    cMessageHeap(const cMessageHeap&) = delete;
    cMessageHeap& operator=(const cMessageHeap&) = delete;
    ~cMessageHeap() { clear(); }

    // What the list orders a message by, beside the message.
    // Four of them fill two cache lines: the children of a node in the heap.
    struct Entry {
        simtime_t time;
        uint64_t order; // priority in the top 16 bits, insertion number below
        cMessage* msg;
        int moduleId; // the message's arrival module, to be looked up before the message is read
    };

    void insert(cMessage* msg);
    cMessage* peekFirst() const
    {
        const Entry* first = firstEntry();
        return first ? first->msg : nullptr;
    }
    // The entry of the next message, or null; valid until the list changes.
    const Entry* firstEntry() const
    {
        const Entry* top = heap_.empty() ? nullptr : heap_.data();
        if (runHead_ == run_.size())
            return top;
        const Entry* front = &run_[runHead_];
        return top && before(*top, *front) ? top : front;
    }
    cMessage* removeFirst()
    {
        const Entry* first = firstEntry();
        return first ? removeFirst(first) : nullptr;
    }
    // Takes off the message of `first`, which firstEntry() has just given.
    cMessage* removeFirst(const Entry* first)
    {
        lastTime_ = first->time;
        return first == heap_.data() ? removeTop() : removeRunFront();
    }
    cMessage* remove(cMessage* msg);
    int length() const { return static_cast<int>(heap_.size() + (run_.size() - runHead_)); }
    // The i-th scheduled message in no particular order, for listings.
    cMessage* at(int i) const
    {
        const size_t k = static_cast<size_t>(i);
        return k < heap_.size() ? heap_[k].msg : run_[runHead_ + k - heap_.size()].msg;
    }
    bool empty() const { return heap_.empty() && runHead_ == run_.size(); }
    // Deletes every message still scheduled.
    void clear();
    void resetInsertOrder()
    {
        nextOrder_ = 0;
        lastTime_ = 0;
    }

  private:
    // Times are never negative (a zero is stored as +0), and the bits of
    // non-negative doubles order as the numbers do: time and order then
    // compare as one 128-bit number, without a branch.
    using Key = unsigned __int128;
    static bool before(const Entry& a, const Entry& b) { return key(a) < key(b); }
    static Key key(const Entry& e)
    {
        uint64_t bits;
        std::memcpy(&bits, &e.time, sizeof bits);
        return static_cast<Key>(bits) << 64 | e.order;
    }
    // The earliest of the four children from `first` on, and of those from
    // `first` to the end of the heap.
    int earliestOfFour(int first) const;
    int earliestOf(int first, int n) const;
    void place(int i, const Entry& e)
    {
        heap_[i] = e;
        e.msg->heapIndex_ = i;
    }
    void siftUp(int i);
    // Fills the hole at `i` with `e` or, where a child comes before it, with
    // that child, and so on down.
    void siftDown(int i, const Entry& e);
    cMessage* removeTop();
    bool fitsRun(const Entry& e) const
    {
        if (runHead_ == run_.size())
            return e.time == lastTime_;
        const Entry& back = run_.back();
        return e.time == back.time && e.order >= back.order;
    }
    cMessage* removeRunFront();
    void removeFromRun(size_t slot);

    std::vector<Entry> heap_;
    // The run of entries at one time in key order, from runHead_ on; a
    // message in it holds kRunSlot plus its place in run_ as its slot.
    std::vector<Entry> run_;
    size_t runHead_ = 0;
    simtime_t lastTime_ = 0; // the time of the entry taken last
    uint64_t nextOrder_ = 0;
    static constexpr int kRunSlot = 1 << 30;
};
