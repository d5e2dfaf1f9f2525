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
    index_.push_back(record);
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
    index_.remove(record);
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

bool CacheDirectory::inIndex(const CacheTable* record) const
{
    return std::find(index_.begin(), index_.end(), record) != index_.end();
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
    for (auto it = index_.rbegin(); !found.record && it != index_.rend(); ++it) {
        CacheTable* r = *it;
        if (!r->open)
            owner_->error("---> lookup_cacheERROR : Closed CCH record should not be in CCH Index Table");
        ++found.visited;
        if (r->lunId != lunId || r->lunBlk != lunBlk)
            continue;
        if (!r->wrBakOn)
            found.record = r;
        else if (r->reqWrBak)
            owner_->error("---> lookup_cache : Being written back should turn OFF reqWrBak flag");
        // A block whose write-back is under way is never a hit: walk on.
    }
    EV << (found.record ? "Hit." : "Miss.") << "\n";
    ++lookups;
    ++(found.record ? hits : misses);
    return found;
}
