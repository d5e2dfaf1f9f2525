#pragma once

#include <cstdint>
#include <ext/pb_ds/assoc_container.hpp>
#include <ext/pb_ds/tree_policy.hpp>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

#include "array/CacheTable.h"

class cModule;
class LunTable;

// The directory of the control-memory cache: the index of cached blocks,
// least recently used at the front (the end the directory is walked from)
// and most recently used at the back, and the annex of blocks given to the
// cache for which no room could yet be made, in order of arrival. It owns
// every record on either list and keeps the cache's sizes (64-bit byte
// counts) and its dirty and write-back counts.
//
// A lookup is charged for every record a walk from the most recent end would
// visit, but it does not walk: each record in the index keeps its place in
// the list, a running insertion number and its block's entry in a map by
// block, so the hit, the records it passes and its distance from the recent
// end come from the map and an order-statistics tree over the insertion
// numbers. The cost of a lookup thus stays logarithmic in the cache's size.
class CacheDirectory {
  public:
    using List = std::list<CacheTable*>;

    CacheDirectory(const cModule* owner, LunTable& luns);
    ~CacheDirectory();
    CacheDirectory(const CacheDirectory&) = delete;
    CacheDirectory& operator=(const CacheDirectory&) = delete;

    // Empty lists, the whole cache free.
    void init_cch_table(std::int64_t cchSize);

    // A new record with the reset values.
    static std::unique_ptr<CacheTable> new_cch_table();

    // Takes the record's space and appends it at the most recent end.
    void cch_tbl_ins(CacheTable* record);
    // Gives the record's space back and unlinks it; the caller then owns it.
    void cch_tbl_rmv(CacheTable* record);
    // Appends at the annex tail, or puts first in the annex.
    void cch_anx_ins(CacheTable* record) { annex_.push_back(record); }
    void cch_anx_put_first(CacheTable* record) { annex_.push_front(record); }
    // Unlinks from the annex; the caller then owns the record.
    void cch_anx_rmv(CacheTable* record);

    struct Lookup {
        CacheTable* record = nullptr;
        bool anxHit = false;
        long visited = 0;
    };
    // The one record of the block that a lookup may find: the annex first,
    // newest first, then the index from its most recent end, passing over
    // records whose write-back is under way. Counts the lookup, hit or miss.
    Lookup lookup_cache(unsigned long lunId, unsigned long lunBlk);

    bool inIndex(const CacheTable* record) const;

    // The index changes only through cch_tbl_ins and cch_tbl_rmv; the annex
    // is a plain list its users edit.
    const List& index() const { return index_; }
    List& annex() { return annex_; }
    const List& annex() const { return annex_; }

    std::int64_t cchSize() const { return cchSize_; }
    std::int64_t freeCchSize() const { return freeCchSize_; }
    std::int64_t dirtyCchSize() const { return dirtyCchSize_; }
    void addDirtySize(std::int64_t bytes);
    double dirtyRatio() const { return static_cast<double>(dirtyCchSize_) / static_cast<double>(cchSize_); }
    double freeRatio() const { return static_cast<double>(freeCchSize_) / static_cast<double>(cchSize_); }

    // The inspector's view, in MB.
    double cchSizeInMB = 0;
    double freeCchSizeInMB = 0;
    double dirtyCchSizeInMB = 0;

    // Dirty records in the index and their copies (a mirrored one counts 2);
    // records of a write-back cache being written and their copies.
    long dirtyBlocks = 0;
    long dirtyCopies = 0;
    long wrBakBlocks = 0;
    long wrBakCopies = 0;
    // Since the last clean task.
    long lookups = 0;
    long hits = 0;
    long misses = 0;

  private:
    struct IndexPlace {
        List::iterator pos;
        std::uint64_t seq;
    };
    struct Block {
        unsigned long lunId;
        unsigned long lunBlk;
        bool operator==(const Block& o) const { return lunId == o.lunId && lunBlk == o.lunBlk; }
    };
    struct BlockHash {
        size_t operator()(const Block& b) const { return std::hash<unsigned long>()(b.lunBlk * 1000003UL ^ b.lunId); }
    };
    using SeqTree = __gnu_pbds::tree<std::uint64_t, __gnu_pbds::null_type, std::less<std::uint64_t>,
                                     __gnu_pbds::rb_tree_tag, __gnu_pbds::tree_order_statistics_node_update>;

    // The index's most recent record of the block that is not being written
    // back, or none; checks the records of the block it passes.
    CacheTable* recent_hit(unsigned long lunId, unsigned long lunBlk) const;
    // Records from the most recent end of the index up to `record`, itself
    // included.
    long distance_from_recent(const CacheTable* record) const;
    void forget_block(CacheTable* record);

    const cModule* owner_;
    LunTable& luns_;
    List index_;
    std::unordered_map<const CacheTable*, IndexPlace> places_;
    // The index's records of each block, oldest first.
    std::unordered_map<Block, std::vector<CacheTable*>, BlockHash> byBlock_;
    SeqTree seqs_;
    std::uint64_t nextSeq_ = 0;
    List annex_;
    std::int64_t cchSize_ = 0;
    std::int64_t freeCchSize_ = 0;
    std::int64_t dirtyCchSize_ = 0;
};
