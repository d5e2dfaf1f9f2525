#include "sim/RadixHeap.h"

#include <utility>

#include "sim/cMessage.h"

// A new entry is built in its bucket field by field, as its fields were just
// computed; an entry moved from another bucket is copied whole, as it comes
// from memory.
template <class... Made>
size_t RadixHeap::fileAs(int b, cMessage* msg, Made&&... made)
{
    std::vector<EventEntry>& bucket = buckets_[b];
    const size_t pos = bucket.size();
    msg->heapIndex_ = kSlot + b;
    msg->heapPos_ = static_cast<unsigned>(pos);
    bucket.emplace_back(std::forward<Made>(made)...);
    mark(b);
    return pos;
}

size_t RadixHeap::file(int b, simtime_t time, uint64_t order, cMessage* msg, int moduleId)
{
    return fileAs(b, msg, time, order, msg, moduleId);
}

size_t RadixHeap::file(const EventEntry& e, int b)
{
    return fileAs(b, e.msg, e);
}

void RadixHeap::findTop()
{
    top_ = nullptr;
    topBucket_ = -1;
    for (int w = 0; w < 3; ++w) {
        if (!nonEmpty_[w])
            continue;
        const int b = w * 64 + __builtin_ctzll(nonEmpty_[w]);
        const std::vector<EventEntry>& bucket = buckets_[b];
        size_t best = 0;
        for (size_t k = 1; k < bucket.size(); ++k)
            if (bucket[k].before(bucket[best]))
                best = k;
        setTop(b, best);
        return;
    }
}

// The least entry's key becomes the reference. Every other entry of its
// bucket shares more leading bits with it than with the old reference, so
// each goes to a lower bucket, and the least of them is the next least of
// all; entries of higher buckets stay where they are.
cMessage* RadixHeap::removeTop(std::vector<EventEntry>* sameTime)
{
    const int b = topBucket_;
    std::vector<EventEntry>& bucket = buckets_[b];
    cMessage* first = top_->msg;
    const Key key = top_->key();
    const auto timeBits = static_cast<uint64_t>(key >> 64);
    // Every entry of a later time than the last one taken shares the bucket
    // of the least of them. A few are moved as cheaply as they are sorted.
    const bool handOut = sameTime && timeBits != static_cast<uint64_t>(last_ >> 64) && bucket.size() >= kSortFrom;
    last_ = key;
    first->heapIndex_ = -1;
    --count_;
    bucket[topPos_] = bucket.back();
    bucket.pop_back();
    unmark(b);
    top_ = nullptr;
    if (handOut)
        refile<true>(bucket, sameTime);
    else
        refile<false>(bucket, nullptr);
    return first;
}

// Files the entries of `bucket` anew against the key taken last, or hands
// those of its time over to `sameTime`, and finds the least entry left.
template <bool HandOut>
void RadixHeap::refile(std::vector<EventEntry>& bucket, std::vector<EventEntry>* sameTime)
{
    const auto timeBits = static_cast<uint64_t>(last_ >> 64);
    int least = -1;
    size_t leastPos = 0;
    Key leastKey = 0;
    for (const EventEntry& e : bucket) {
        const Key k = e.key();
        if (HandOut && static_cast<uint64_t>(k >> 64) == timeBits) {
            sameTime->push_back(e);
            --count_;
            continue;
        }
        const int to = bucketOf(k);
        const size_t pos = file(e, to);
        if (least < 0 || to < least || (to == least && k < leastKey)) {
            least = to;
            leastPos = pos;
            leastKey = k;
        }
    }
    bucket.clear();
    if (least >= 0)
        setTop(least, leastPos);
    else if (count_)
        findTop();
    else
        topBucket_ = -1;
}

bool RadixHeap::remove(cMessage* msg, int slot)
{
    const int b = slot - kSlot;
    const size_t pos = msg->heapPos_;
    std::vector<EventEntry>& bucket = buckets_[b];
    if (pos >= bucket.size() || bucket[pos].msg != msg)
        return false;
    msg->heapIndex_ = -1;
    if (pos + 1 != bucket.size()) {
        bucket[pos] = bucket.back();
        bucket[pos].msg->heapPos_ = static_cast<unsigned>(pos);
    }
    bucket.pop_back();
    if (bucket.empty())
        unmark(b);
    --count_;
    findTop();
    return true;
}

cMessage* RadixHeap::at(size_t k) const
{
    for (const std::vector<EventEntry>& bucket : buckets_) {
        if (k < bucket.size())
            return bucket[k].msg;
        k -= bucket.size();
    }
    return nullptr;
}

void RadixHeap::takeAll(std::vector<EventEntry>& into)
{
    for (std::vector<EventEntry>& bucket : buckets_) {
        into.insert(into.end(), bucket.begin(), bucket.end());
        bucket.clear();
    }
    for (uint64_t& word : nonEmpty_)
        word = 0;
    count_ = 0;
    last_ = 0;
    top_ = nullptr;
    topBucket_ = -1;
}
