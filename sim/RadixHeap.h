#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "sim/EventEntry.h"
#include "sim/cMessage.h"

// The events scheduled for later than now, as a radix heap. Nothing is ever
// filed before the last entry taken, so an entry can be kept in the bucket of
// the highest bit in which its key differs from that entry's key: every key
// in a lower bucket comes before every key in a higher one. Taking the least
// entry makes it the new reference, and the rest of its bucket then moves to
// lower buckets; an entry is moved a few times in its life instead of being
// sifted through a tree of thousands at every event. Each bucket knows where
// its least entry is, so the least of all is that of the lowest bucket that
// holds any, and looking at it costs nothing.
//
// A message in the heap holds kSlot as its event-list slot and nothing else:
// moving an entry between buckets then never touches its message, which is
// seldom in the cache by then. Cancelling an event that waits here, which
// the model hardly does, searches the buckets for it.
class RadixHeap {
  public:
    using Key = EventEntry::Key;
    static constexpr int kSlot = 1 << 29;
    static constexpr int kBuckets = 129;
    // The size from which a bucket's entries of one time are handed out to be
    // sorted rather than moved to lower buckets.
    static constexpr size_t kSortFrom = 32;
    static bool holds(int slot) { return slot == kSlot; }

    RadixHeap() = default;
    RadixHeap(const RadixHeap&) = delete;
    RadixHeap& operator=(const RadixHeap&) = delete;

    // Files the entry, unless its key comes before that of the entry taken last.
    bool insert(simtime_t time, uint64_t order, cMessage* msg, int moduleId)
    {
        const Key k = EventEntry::key(time, order);
        if (k < last_)
            return false;
        const int b = bucketOf(k);
        if (buckets_[b].size() == buckets_[b].capacity()) {
            insertIntoFullBucket(b, time, order, msg, moduleId);
            return true;
        }
        fileNew(b, k, time, order, msg, moduleId);
        return true;
    }
    // The least entry, or null; valid until the heap changes.
    const EventEntry* top() const { return top_; }
    // Takes off the least entry. When its time is later than that of the
    // entry taken before it and `sameTime` is given, every other entry of
    // its time moves to the end of `sameTime`, in no particular order: a
    // radix heap sorts entries that differ only in their insertion numbers
    // by moving them bit by bit, which costs more than sorting them at once.
    cMessage* removeTop(std::vector<EventEntry>* sameTime = nullptr)
    {
        // Most often the least entry is alone in its bucket: nothing moves.
        if (buckets_[topBucket_].size() == 1)
            return removeLoneTop();
        return removeTopAndRefile(sameTime);
    }
    // Takes off `msg`; false when it is not here.
    bool remove(cMessage* msg);

    size_t size() const { return count_; }
    // The k-th entry's message in no particular order, for listings.
    cMessage* at(size_t k) const;
    // Hands every entry over to `into` and empties the heap.
    void takeAll(std::vector<EventEntry>& into);

  private:
    int bucketOf(Key k) const
    {
        const Key diff = k ^ last_;
        const auto high = static_cast<uint64_t>(diff >> 64);
        if (high)
            return 128 - __builtin_clzll(high);
        const auto low = static_cast<uint64_t>(diff);
        return low ? 64 - __builtin_clzll(low) : 0;
    }
    // Puts the entry at the end of bucket `b`, whose least entry it may
    // become. A new entry is built in its bucket field by field, as its fields
    // were just computed; an entry moved from another bucket is copied whole,
    // as it comes from memory.
    template <class... Made>
    void fileAs(int b, Key k, Made&&... made)
    {
        std::vector<EventEntry>& bucket = buckets_[b];
        const auto pos = static_cast<unsigned>(bucket.size());
        bucket.emplace_back(std::forward<Made>(made)...);
        if (pos == 0) {
            mark(b);
            leastPos_[b] = 0;
        } else if (k < bucket[leastPos_[b]].key()) {
            leastPos_[b] = pos;
        }
    }
    void file(int b, Key k, const EventEntry& e) { fileAs(b, k, e); }
    // Files a new entry in a bucket with room, which then calls nothing and
    // saves no registers; a full bucket grows out of line.
    void fileNew(int b, Key k, simtime_t time, uint64_t order, cMessage* msg, int moduleId)
    {
        if (buckets_[b].size() >= buckets_[b].capacity())
            __builtin_unreachable(); // the caller saw room
        msg->heapIndex_ = kSlot;
        fileAs(b, k, time, order, msg, moduleId);
        ++count_;
        if (b <= topBucket_)
            showTop(b); // the lowest bucket, or its vector may have moved
    }
    // Makes the least entry's key the reference and takes its message off;
    // the entry stays in its bucket, and shown as the top, for the caller.
    cMessage* takeTop()
    {
        cMessage* first = top_->msg;
        last_ = top_->key();
        first->heapIndex_ = -1;
        --count_;
        unmark(topBucket_);
        return first;
    }
    cMessage* removeLoneTop()
    {
        cMessage* first = takeTop();
        buckets_[topBucket_].clear();
        showLowestTop();
        return first;
    }
    [[gnu::noinline]] cMessage* removeTopAndRefile(std::vector<EventEntry>* sameTime);
    // Takes `msg` off when it is in a bucket from `from` to `to`.
    bool removeFrom(cMessage* msg, int from, int to);
    void removeAt(int b, size_t pos);
    [[gnu::noinline]] void insertIntoFullBucket(int b, simtime_t time, uint64_t order, cMessage* msg, int moduleId);
    void showTop(int b)
    {
        topBucket_ = b;
        top_ = &buckets_[b][leastPos_[b]];
    }
    // Shows the least entry of the lowest bucket that holds any, or none.
    void showLowestTop();
    void findLeastOf(int b);
    template <bool HandOut>
    void refile(std::vector<EventEntry>& bucket, std::vector<EventEntry>* sameTime);
    void mark(int b) { nonEmpty_[b >> 6] |= uint64_t(1) << (b & 63); }
    void unmark(int b) { nonEmpty_[b >> 6] &= ~(uint64_t(1) << (b & 63)); }

    static constexpr int kNoBucket = kBuckets; // above every bucket
    std::vector<EventEntry> buckets_[kBuckets];
    uint64_t nonEmpty_[3] = {0, 0, 0};
    size_t count_ = 0;
    Key last_ = 0; // the key of the entry taken last
    const EventEntry* top_ = nullptr;
    int topBucket_ = kNoBucket;
    unsigned leastPos_[kBuckets] = {}; // where in each bucket its least entry is
};
