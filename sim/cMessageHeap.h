#pragma once

#include <cstdint>
#include <vector>

#include "sim/EventEntry.h"
#include "sim/RadixHeap.h"
#include "sim/cMessage.h"

// The future event list. It orders messages by arrival time, then priority,
// then a 64-bit insertion number, so that equal time and priority keep the
// order of scheduling. Each message knows its slot, which makes cancelling
// cheap.
//
// Most events of the model are messages passed on at once between the
// modules of a port: they arrive at the current time, in the order they are
// sent. Those wait in a plain first-in first-out run, kept in key order by
// taking only an entry at the run's time whose key is not before the last
// one's. Later events go to a radix heap; when the clock reaches a time for
// which many of them wait, they are sorted into the run at once. What
// neither takes, an entry that comes before the last one the radix heap gave
// (a higher priority at the current time), goes to a small four-way heap.
// The next event is the earliest of the three fronts, so the order is
// exactly that of one list.
class cMessageHeap {
  public:
    cMessageHeap() = default;
    cMessageHeap(const cMessageHeap&) = delete;
    cMessageHeap& operator=(const cMessageHeap&) = delete;
    ~cMessageHeap() { clear(); }

    using Entry = EventEntry;

    void insert(cMessage* msg);
    cMessage* peekFirst() const
    {
        const Entry* first = firstEntry();
        return first ? first->msg : nullptr;
    }
    // The entry of the next message, or null; valid until the list changes.
    const Entry* firstEntry() const
    {
        const Entry* top = radix_.top();
        if (!heap_.empty() && (!top || heap_[0].before(*top)))
            top = heap_.data();
        if (runHead_ == run_.size())
            return top;
        const Entry* front = &run_[runHead_];
        return top && top->before(*front) ? top : front;
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
        if (first == radix_.top())
            return removeRadixTop();
        return first == heap_.data() ? removeTop() : removeRunFront();
    }
    // The run's front when it is the next event, or null. Most events are
    // messages passed on at the current time, and this is their short way.
    const Entry* runFrontIfNext() const
    {
        if (runHead_ == run_.size() || !heap_.empty())
            return nullptr;
        const Entry* front = &run_[runHead_];
        const Entry* top = radix_.top();
        return top && top->before(*front) ? nullptr : front;
    }
    // Takes off the entry runFrontIfNext() has just given.
    cMessage* removeRunFrontNext()
    {
        lastTime_ = run_[runHead_].time;
        return removeRunFront();
    }
    cMessage* remove(cMessage* msg);
    int length() const { return static_cast<int>(heap_.size() + (run_.size() - runHead_) + radix_.size()); }
    // The i-th scheduled message in no particular order, for listings.
    cMessage* at(int i) const;
    bool empty() const { return heap_.empty() && runHead_ == run_.size() && radix_.size() == 0; }
    // Deletes every message still scheduled.
    void clear();
    void resetInsertOrder()
    {
        nextOrder_ = 0;
        lastTime_ = 0;
    }

  private:
    using Key = EventEntry::Key;
    // Priorities outside this range share its ends; the model uses a handful
    // of small values.
    static constexpr int kPriorityBias = 1 << 15;
    static constexpr uint64_t kOrderMask = (uint64_t(1) << 48) - 1;
    static uint64_t orderKey(int priority, uint64_t order)
    {
        auto p = static_cast<uint32_t>(priority) + static_cast<uint32_t>(kPriorityBias);
        if (p > 0xFFFF) [[unlikely]]
            p = priority < 0 ? 0 : 0xFFFF;
        return uint64_t(p) << 48 | (order & kOrderMask);
    }
    // Filing in the run, when it has room, calls nothing, so it saves no
    // registers: the rest is out of line.
    void appendToRun(simtime_t time, uint64_t order, cMessage* msg);
    [[gnu::noinline]] void appendToFullRun(simtime_t time, uint64_t order, cMessage* msg);
    [[gnu::noinline]] void insertLater(simtime_t time, uint64_t order, cMessage* msg);
    [[gnu::noinline]] void insertHeap(simtime_t time, uint64_t order, cMessage* msg);
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
    bool fitsRun(simtime_t time, uint64_t order) const
    {
        if (runHead_ == run_.size())
            return time == lastTime_;
        const Entry& back = run_.back();
        return time == back.time && order >= back.order;
    }
    cMessage* removeRunFront()
    {
        cMessage* first = run_[runHead_].msg;
        first->heapIndex_ = -1;
        if (++runHead_ == run_.size()) {
            run_.clear();
            runHead_ = 0;
        } else if (runHead_ >= kCompactAt && 2 * runHead_ >= run_.size()) {
            compactRun();
        }
        return first;
    }
    // Messages that keep passing each other on at one time never let the
    // run empty: what has been taken goes, so that it does not grow.
    [[gnu::noinline]] void compactRun();
    // Takes the radix heap's least entry; when the clock moves on to its
    // time, the other entries of that time may become the run. The run holds
    // entries of the time of the last one taken, so it is empty whenever the
    // clock moves on.
    cMessage* removeRadixTop()
    {
        if (!run_.empty())
            return radix_.removeTop();
        cMessage* first = radix_.removeTop(&run_);
        if (!run_.empty())
            orderRun();
        return first;
    }
    // Puts the entries handed over to the run in key order.
    [[gnu::noinline]] void orderRun();
    void removeFromRun(size_t slot);

    RadixHeap radix_;
    std::vector<Entry> heap_;
    // The run of entries at one time in key order, from runHead_ on; a
    // message in it holds kRunSlot plus its place in run_ as its slot.
    std::vector<Entry> run_;
    size_t runHead_ = 0;
    simtime_t lastTime_ = 0; // the time of the entry taken last
    uint64_t nextOrder_ = 0;
    static constexpr int kRunSlot = 1 << 30;
    // How many taken entries the run may keep at its front before they go.
    static constexpr size_t kCompactAt = 256;
};
