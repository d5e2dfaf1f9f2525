#include "sim/RadixHeap.h"

void RadixHeap::insertIntoFullBucket(int b, simtime_t time, uint64_t order, cMessage* msg, int moduleId)
{
    buckets_[b].reserve(2 * buckets_[b].capacity() + 8);
    fileNew(b, EventEntry::key(time, order), time, order, msg, moduleId);
}

void RadixHeap::showLowestTop()
{
    for (int w = 0; w < 3; ++w) {
        if (nonEmpty_[w]) {
            showTop(w * 64 + __builtin_ctzll(nonEmpty_[w]));
            return;
        }
    }
    top_ = nullptr;
    topBucket_ = kNoBucket;
}

void RadixHeap::findLeastOf(int b)
{
    const std::vector<EventEntry>& bucket = buckets_[b];
    unsigned least = 0;
    for (unsigned k = 1; k < bucket.size(); ++k)
        if (bucket[k].before(bucket[least]))
            least = k;
    leastPos_[b] = least;
}

// The least entry's key becomes the reference. Every other entry of its
// bucket shares more leading bits with it than with the old reference, so
// each goes to a lower bucket, all of which were empty; entries of higher
// buckets stay where they are.
cMessage* RadixHeap::removeTopAndRefile(std::vector<EventEntry>* sameTime)
{
    std::vector<EventEntry>& bucket = buckets_[topBucket_];
    const auto timeBits = static_cast<uint64_t>(top_->key() >> 64);
    // Every entry of a later time than the last one taken shares the bucket
    // of the least of them. A few are moved as cheaply as they are sorted.
    const bool handOut = sameTime && timeBits != static_cast<uint64_t>(last_ >> 64) && bucket.size() >= kSortFrom;
    cMessage* first = takeTop();
    if (handOut)
        refile<true>(bucket, sameTime);
    else
        refile<false>(bucket, nullptr);
    showLowestTop();
    return first;
}

// Files the entries of `bucket` but the one just taken anew against the key
// taken last, or hands those of its time over to `sameTime`.
template <bool HandOut>
void RadixHeap::refile(std::vector<EventEntry>& bucket, std::vector<EventEntry>* sameTime)
{
    const auto timeBits = static_cast<uint64_t>(last_ >> 64);
    const EventEntry* taken = top_;
    for (const EventEntry& e : bucket) {
        if (&e == taken)
            continue;
        const Key k = e.key();
        if (HandOut && static_cast<uint64_t>(k >> 64) == timeBits) {
            sameTime->push_back(e);
            --count_;
            continue;
        }
        file(bucketOf(k), k, e);
    }
    bucket.clear();
}

// The time part of an entry's key is the message's arrival time, which
// names its bucket unless the time is that of the entry taken last; then
// the insertion number decides, among the lower 65 buckets.
bool RadixHeap::remove(cMessage* msg)
{
    const auto timeDiff = static_cast<uint64_t>((EventEntry::key(msg->arrival_ + 0.0, 0) ^ last_) >> 64);
    const int from = timeDiff ? 128 - __builtin_clzll(timeDiff) : 0;
    const int to = timeDiff ? from : 64;
    return removeFrom(msg, from, to) || removeFrom(msg, 0, kBuckets - 1);
}

bool RadixHeap::removeFrom(cMessage* msg, int from, int to)
{
    for (int b = from; b <= to; ++b) {
        std::vector<EventEntry>& bucket = buckets_[b];
        for (size_t pos = 0; pos < bucket.size(); ++pos) {
            if (bucket[pos].msg == msg) {
                removeAt(b, pos);
                return true;
            }
        }
    }
    return false;
}

void RadixHeap::removeAt(int b, size_t pos)
{
    std::vector<EventEntry>& bucket = buckets_[b];
    bucket[pos].msg->heapIndex_ = -1;
    const size_t back = bucket.size() - 1;
    if (pos != back)
        bucket[pos] = bucket[back];
    bucket.pop_back();
    --count_;
    if (bucket.empty())
        unmark(b);
    else if (leastPos_[b] == pos)
        findLeastOf(b);
    else if (leastPos_[b] == back)
        leastPos_[b] = static_cast<unsigned>(pos);
    if (b == topBucket_)
        showLowestTop();
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
    topBucket_ = kNoBucket;
}
