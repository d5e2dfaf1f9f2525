#include "array/CacheDirectory.h"

#include <algorithm>

#include "array/LunTable.h"
#include "sim/Sim.h"

namespace {

constexpr double BYTES_PER_MB = 1024.0 * 1024.0;

} // namespace

CacheDirectory::CacheDirectory(const cModule* owner, LunTable& luns) : owner_(owner), luns_(luns) {}

CacheDirectory::~CacheDirectory()
{
    for (CacheTable* r : index_)
        delete r;
    for (CacheTable* r : annex_)
        delete r;
}

void CacheDirectory::init_cch_table(std::int64_t cchSize)
{
    cchSize_ = cchSize;
    freeCchSize_ = cchSize;
    dirtyCchSize_ = 0;
    dirtyBlocks = dirtyCopies = wrBakBlocks = wrBakCopies = 0;
    cchSizeInMB = static_cast<double>(cchSize) / BYTES_PER_MB;
    freeCchSizeInMB = dirtyCchSizeInMB = 0;
}

std::unique_ptr<CacheTable> CacheDirectory::new_cch_table()
{
    EV << "Opening a new Cache table ... ";
    auto record = std::make_unique<CacheTable>();
    EV << "Done.\n";
    return record;
}

void CacheDirectory::cch_tbl_ins(CacheTable* record)
{
    freeCchSize_ -= static_cast<std::int64_t>(record->blkSize);
    if (freeCchSize_ < 0)
        owner_->error("---> cch_tbl_ins : freeCchSize below zero");
    freeCchSizeInMB = static_cast<double>(freeCchSize_) / BYTES_PER_MB;
    const std::uint64_t seq = nextSeq_++;
    places_[record] = IndexPlace{index_.insert(index_.end(), record), seq};
    seqs_.insert(seq);
    byBlock_[Block{record->lunId, record->lunBlk}].push_back(record);
    LunEntry* lun = luns_.query_lun_table(record->lunId);
    if (!lun)
        owner_->error("---> cch_tbl_ins : Unknown LUN_ID: %d", static_cast<int>(record->lunId));
    ++lun->indexBlocks;
}

void CacheDirectory::cch_tbl_rmv(CacheTable* record)
{
    freeCchSize_ += static_cast<std::int64_t>(record->blkSize);
    if (freeCchSize_ > cchSize_)
        owner_->error("---> cch_tbl_rmv : freeCchSize exceeds cchSize limit - %ld MB",
                      static_cast<long>(cchSize_ / (1024 * 1024)));
    freeCchSizeInMB = static_cast<double>(freeCchSize_) / BYTES_PER_MB;
    auto place = places_.find(record);
    if (place != places_.end()) {
        index_.erase(place->second.pos);
        seqs_.erase(place->second.seq);
        places_.erase(place);
        forget_block(record);
    }
    LunEntry* lun = luns_.query_lun_table(record->lunId);
    if (!lun)
        owner_->error("---> cch_tbl_rmv : Unknown LUN_ID: %d", static_cast<int>(record->lunId));
    --lun->indexBlocks;
}

void CacheDirectory::cch_anx_rmv(CacheTable* record)
{
    annex_.remove(record);
}

void CacheDirectory::addDirtySize(std::int64_t bytes)
{
    dirtyCchSize_ += bytes;
    dirtyCchSizeInMB = static_cast<double>(dirtyCchSize_) / BYTES_PER_MB;
}

void CacheDirectory::forget_block(CacheTable* record)
{
    auto block = byBlock_.find(Block{record->lunId, record->lunBlk});
    std::vector<CacheTable*>& records = block->second;
    records.erase(std::find(records.begin(), records.end(), record));
    if (records.empty())
        byBlock_.erase(block);
}

bool CacheDirectory::inIndex(const CacheTable* record) const
{
    return places_.count(record) != 0;
}

CacheTable* CacheDirectory::recent_hit(unsigned long lunId, unsigned long lunBlk) const
{
    auto block = byBlock_.find(Block{lunId, lunBlk});
    if (block == byBlock_.end())
        return nullptr;
    const std::vector<CacheTable*>& records = block->second;
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        CacheTable* r = *it;
        if (!r->open)
            owner_->error("---> lookup_cacheERROR : Closed CCH record should not be in CCH Index Table");
        if (!r->wrBakOn)
            return r;
        if (r->reqWrBak)
            owner_->error("---> lookup_cache : Being written back should turn OFF reqWrBak flag");
        // A block whose write-back is under way is never a hit: walk on.
    }
    return nullptr;
}

long CacheDirectory::distance_from_recent(const CacheTable* record) const
{
    const std::uint64_t seq = places_.at(record).seq;
    return static_cast<long>(seqs_.size() - seqs_.order_of_key(seq));
}

CacheDirectory::Lookup CacheDirectory::lookup_cache(unsigned long lunId, unsigned long lunBlk)
{
    EV << "Looking up the Cache ... ";
    Lookup found;
    for (auto it = annex_.rbegin(); it != annex_.rend(); ++it) {
        ++found.visited;
        if ((*it)->lunId == lunId && (*it)->lunBlk == lunBlk) {
            found.record = *it;
            found.anxHit = true;
            break;
        }
    }
    if (!found.record) {
        found.record = recent_hit(lunId, lunBlk);
        found.visited += found.record ? distance_from_recent(found.record) : static_cast<long>(index_.size());
    }
    EV << (found.record ? "Hit." : "Miss.") << "\n";
    ++lookups;
    ++(found.record ? hits : misses);
    return found;
}
