#include "array/PendingBlocks.h"

#include "sim/Sim.h"

namespace {

constexpr long FIRST_PB_TABLE_SIZE = 1000;

} // namespace

void PendingBlocks::init_pb_table()
{
    EV << "Initializing Pending Block Table ... ";
    maxPbSize_ = FIRST_PB_TABLE_SIZE;
    entries_.assign(maxPbSize_, PendingBlockTable{});
    pbInUse_ = 0;
    EV << "Pending Block Number - " << maxPbSize_ << "\n";
}

long PendingBlocks::enlarge_pb_table(long index)
{
    EV << "Dynamically enlarging pending block table ... ";
    if (index != maxPbSize_)
        owner_->error("---> enlarge_pb_table : maxPbSize fatal error");
    maxPbSize_ = static_cast<long>(static_cast<double>(maxPbSize_) * 1.25);
    entries_.resize(maxPbSize_, PendingBlockTable{});
    EV << "New size is " << maxPbSize_ << "\n";
    return index;
}

bool PendingBlocks::waiting_for(unsigned long lunId, unsigned long lunBlk) const
{
    long seen = 0;
    for (long i = 0; i < maxPbSize_ && seen < pbInUse_; ++i) {
        const PendingBlockTable& e = entries_[i];
        if (!e.inUse)
            continue;
        ++seen;
        if (e.lunId == lunId && e.lunBlk == lunBlk)
            return true;
    }
    return false;
}

long PendingBlocks::take_free_entry()
{
    long index = 0;
    while (index < maxPbSize_ && entries_[index].inUse)
        ++index;
    if (index == maxPbSize_)
        index = enlarge_pb_table(maxPbSize_);
    reset_pb_table(&entries_[index]);
    entries_[index].inUse = true;
    ++pbInUse_;
    return index;
}

void PendingBlocks::free_entry(long index)
{
    reset_pb_table(&entries_[index]);
    if (--pbInUse_ < 0)
        owner_->error("---> comp_pb_read : pbInUse below zero!");
}
