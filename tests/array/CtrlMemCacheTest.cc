#include <random>

#include "array/CacheDirectory.h"
#include "array/LunTable.h"
#include "array/PendingBlocks.h"
#include "tests/array/CtrlMemFixture.h"

namespace {

constexpr int RD = 136;
constexpr int WR = 128;

// Field k of the last row of LUN 1's cache statistics (the interval
// counters start at field 1: Rd_Req ... ApbByWr).
std::vector<std::string> lunOneRows(int row)
{
    const auto all = CtrlMemTest::rows("out/cm/Velmora.Arr.CtrlMemCch.LunOne.CchStat", 2);
    return row < static_cast<int>(all.size()) ? all[row] : std::vector<std::string>{};
}

// Sums the interval counters of every row of LUN 1's file.
std::vector<long> lunOneSums()
{
    std::vector<long> sums(13, 0);
    for (const auto& r : CtrlMemTest::rows("out/cm/Velmora.Arr.CtrlMemCch.LunOne.CchStat", 2))
        for (int k = 0; k < 13 && k + 1 < static_cast<int>(r.size()); ++k)
            sums[k] += std::stol(r[k + 1]);
    return sums;
}

// A read of a block that is already being read waits for the same physical
// read; the returned block answers both, one pending-block step apart, and
// is cached, so a later read is a hit.
TEST_F(CtrlMemTest, ReadsOfAPendingBlockShareOnePhysicalRead)
{
    lunPlay(1, "LunOne",
            {blockRequest(0.001, RD, 1, 5, 1), blockRequest(0.0011, RD, 1, 5, 2), blockRequest(0.005, RD, 1, 5, 3)});
    build(conf(2, "1", false));
    endRunAt(0.015);
    ASSERT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED) << console.str();

    const auto reads = backEndOf("REQ_PHY_BLK_READ");
    ASSERT_EQ(reads.size(), 1u);
    EXPECT_DOUBLE_EQ(reads[0]->time, 0.001);
    EXPECT_EQ(reads[0]->lunBlk, 5u);
    EXPECT_EQ(reads[0]->dskId, 0);
    EXPECT_EQ(disks[0]->par("pendBlk").longValue(), 0);
    EXPECT_EQ(disks[0]->par("compBlk").longValue(), 1);

    // The data is back at 2 ms; the two waiting reads are served at 2.002
    // and 2.004 ms and the block is cached at 2.006 ms, when the processor
    // is free to pass the answers on. The hit costs a quarter of one record
    // visited.
    const auto heard = heardBy(1);
    ASSERT_EQ(heard.size(), 3u);
    for (const auto* h : heard)
        EXPECT_EQ(h->name, "COMP_BLK_READ");
    EXPECT_EQ(static_cast<LunBlkIo*>(heard[0]->msg)->getIoId(), 1u);
    EXPECT_EQ(static_cast<LunBlkIo*>(heard[1]->msg)->getIoId(), 2u);
    EXPECT_EQ(static_cast<LunBlkIo*>(heard[2]->msg)->getIoId(), 3u);
    EXPECT_NEAR(heard[0]->time, 0.002006, 1e-12);
    EXPECT_NEAR(heard[1]->time, 0.002006, 1e-12);
    EXPECT_NEAR(heard[2]->time, 0.00500025, 1e-12);
    EXPECT_EQ(static_cast<LunBlkIo*>(heard[2]->msg)->getLunBlk(), 5u);

    // Rd_Req Rd_Hit Rd_Miss PhyRdReq PhyRdCom ... SpbByRd, all in the first
    // interval.
    const auto row1 = lunOneRows(1);
    ASSERT_EQ(row1.size(), 14u);
    EXPECT_EQ(row1[0], "10.0000");
    EXPECT_EQ(std::vector<std::string>(row1.begin() + 1, row1.end()),
              (std::vector<std::string>{"3", "1", "2", "1", "1", "0", "0", "0", "0", "0", "1", "0", "0"}));
    const auto row2 = lunOneRows(2);
    ASSERT_EQ(row2.size(), 14u);
    EXPECT_EQ(row2[1], "0");
}

// In a write-back cache a write miss is cached dirty and answered after one
// pending-block step; a second write to the dirty block, and a write to a
// clean one, are answered at once. Nothing goes to disk without a flush.
TEST_F(CtrlMemTest, WriteBackAnswersFromTheCache)
{
    lunPlay(1, "LunOne",
            {blockRequest(0.001, WR, 1, 7, 1), blockRequest(0.002, WR, 1, 7, 2), blockRequest(0.003, RD, 1, 8, 3),
             blockRequest(0.006, WR, 1, 8, 4)});
    build(conf(2, "1", false));
    endRunAt(0.015);
    ASSERT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED) << console.str();

    const auto heard = heardBy(1);
    ASSERT_EQ(heard.size(), 4u);
    EXPECT_EQ(heard[0]->name, "COMP_BLK_WRITE");
    EXPECT_NEAR(heard[0]->time, 0.001002, 1e-12);
    EXPECT_EQ(heard[1]->name, "COMP_BLK_WRITE");
    EXPECT_NEAR(heard[1]->time, 0.00200025, 1e-12);
    EXPECT_EQ(heard[2]->name, "COMP_BLK_READ");
    EXPECT_EQ(heard[3]->name, "COMP_BLK_WRITE");
    EXPECT_EQ(static_cast<LunBlkIo*>(heard[3]->msg)->getIoId(), 4u);
    // The lookup of block 8 visits it first (most recent end), then block 7.
    EXPECT_NEAR(heard[3]->time, 0.00600025, 1e-12);
    EXPECT_TRUE(backEndOf("REQ_PHY_BLK_WRITE").empty());
    EXPECT_EQ(backEndOf("REQ_PHY_BLK_READ").size(), 1u);

    const std::vector<long> sums = lunOneSums();
    EXPECT_EQ(sums, (std::vector<long>{1, 0, 1, 1, 1, 3, 1, 1, 0, 0, 0, 0, 0}));
    // Two dirty blocks of 32 KB in 1 MB.
    const auto upd = rows("out/cm/Velmora.Arr.CtrlMemCch.CchUpd", 2);
    ASSERT_GE(upd.size(), 1u);
    EXPECT_EQ(upd[0][0], "10.0000");
    EXPECT_EQ(upd[0][11], "2"); // C_DtyCch
    EXPECT_EQ(upd[0][12], "2"); // C_DtyBlk
    EXPECT_EQ(upd[0][14], "0.062");
    EXPECT_EQ(upd[0][15], "0.938");
}

// In a write-through cache every write goes to every copy and is answered
// once, when the last copy is on disk; a missed block is cached clean.
TEST_F(CtrlMemTest, WriteThroughAnswersOnlyAfterEveryCopy)
{
    lunPlay(1, "LunOne",
            {blockRequest(0.001, WR, 1, 9, 1, true), blockRequest(0.004, RD, 1, 9, 2),
             blockRequest(0.005, WR, 1, 9, 3, true)});
    writeDelay = 0.001;
    build(conf(2, "1", true, "Fixed 0 0 10 1 0.1 0.1 0.5 1"));
    endRunAt(0.015);
    ASSERT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED) << console.str();

    const auto writes = backEndOf("REQ_PHY_BLK_WRITE");
    ASSERT_EQ(writes.size(), 4u);
    EXPECT_DOUBLE_EQ(writes[0]->time, 0.001);
    EXPECT_EQ(writes[0]->acpId, 0);
    EXPECT_EQ(writes[1]->acpId, 1);
    EXPECT_EQ(writes[1]->dskId, 1);
    EXPECT_TRUE(backEndOf("REQ_PHY_BLK_READ").empty());

    const auto heard = heardBy(1);
    ASSERT_EQ(heard.size(), 3u);
    EXPECT_EQ(heard[0]->name, "COMP_BLK_WRITE");
    EXPECT_DOUBLE_EQ(heard[0]->time, 0.002);
    EXPECT_EQ(static_cast<LunBlkIo*>(heard[0]->msg)->getIoId(), 1u);
    EXPECT_EQ(heard[1]->name, "COMP_BLK_READ");
    EXPECT_EQ(heard[2]->name, "COMP_BLK_WRITE");
    EXPECT_EQ(static_cast<LunBlkIo*>(heard[2]->msg)->getIoId(), 3u);
    EXPECT_NEAR(heard[2]->time, 0.00600025, 1e-12);
    for (cModule* d : disks) {
        EXPECT_EQ(d->par("pendBlk").longValue(), 0);
        EXPECT_EQ(d->par("compBlk").longValue(), 2);
    }

    // Wr_Req 2, WrSmStat 1, PhyWrReq 4, PhyWrCom 4, SpbByWr 0; a read hit.
    EXPECT_EQ(lunOneSums(), (std::vector<long>{1, 1, 0, 0, 0, 2, 1, 0, 4, 4, 0, 0, 0}));
    // Nothing dirty: the flush (which would take every dirty copy) never
    // finds one.
    const auto upd = rows("out/cm/Velmora.Arr.CtrlMemCch.CchUpd", 2);
    ASSERT_GE(upd.size(), 1u);
    EXPECT_EQ(upd[0][7], "4");  // L_PhyWr
    EXPECT_EQ(upd[0][10], "4"); // L_WrRtn
    EXPECT_EQ(upd[0][11], "0");
    EXPECT_EQ(upd[0][14], "0.000");
    EXPECT_EQ(upd[0][16], "0");
}

// A cache of two blocks, both dirty: a third block goes to the annex and
// starts the write-back of the least recently used dirty block only; when
// that write completes its space takes the waiting block.
TEST_F(CtrlMemTest, FullDirtyCacheWritesBackToMakeRoom)
{
    lunPlay(1, "LunOne",
            {blockRequest(0.001, WR, 1, 1, 1), blockRequest(0.002, WR, 1, 2, 2), blockRequest(0.003, RD, 1, 3, 3),
             blockRequest(0.008, RD, 1, 3, 4), blockRequest(0.009, RD, 1, 1, 5)});
    build(conf(2, "0.0625", false));
    endRunAt(0.015);
    ASSERT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED) << console.str();

    // Block 3 is back at 4.001 ms, answers its read at 4.003 ms and at
    // 4.005 ms finds no room: block 1, the least recently used, goes to disk
    // and block 3 waits in the annex until that write completes. Block 1,
    // read again, finds no room either and sends block 2 to disk.
    const auto writes = backEndOf("REQ_PHY_BLK_WRITE");
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0]->lunBlk, 1u);
    EXPECT_NEAR(writes[0]->time, 0.004005, 1e-12);
    EXPECT_EQ(writes[1]->lunBlk, 2u);
    const auto reads = backEndOf("REQ_PHY_BLK_READ");
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0]->lunBlk, 3u);
    EXPECT_EQ(reads[1]->lunBlk, 1u); // block 1 left the cache
    EXPECT_NEAR(reads[1]->time, 0.009001, 1e-12);

    const auto heard = heardBy(1);
    ASSERT_EQ(heard.size(), 5u);
    EXPECT_NEAR(heard[2]->time, 0.0040055, 1e-12);
    EXPECT_EQ(heard[3]->name, "COMP_BLK_READ"); // block 3 was placed: a hit
    EXPECT_NEAR(heard[3]->time, 0.00800025, 1e-12);
    EXPECT_EQ(lunOneSums(), (std::vector<long>{3, 1, 2, 2, 2, 2, 0, 0, 2, 2, 0, 0, 0}));
    // Nothing is left dirty.
    const auto upd = rows("out/cm/Velmora.Arr.CtrlMemCch.CchUpd", 2);
    ASSERT_GE(upd.size(), 2u);
    EXPECT_EQ(upd[1][11], "0");
    EXPECT_EQ(upd[1][15], "0.000");
}

// The pending-block table starts with 1000 entries, grows by a quarter when
// full and always reuses the lowest free entry.
TEST(PendingBlocks, GrowsByAQuarterAndReusesTheLowestFreeEntry)
{
    PendingBlocks table(nullptr);
    table.init_pb_table();
    EXPECT_EQ(table.maxPbSize(), 1000);
    for (long i = 0; i < 1000; ++i)
        ASSERT_EQ(table.take_free_entry(), i);
    EXPECT_EQ(table.take_free_entry(), 1000);
    EXPECT_EQ(table.maxPbSize(), 1250);
    for (long i = 1001; i < 1250; ++i)
        table.take_free_entry();
    EXPECT_EQ(table.take_free_entry(), 1250);
    EXPECT_EQ(table.maxPbSize(), 1562);
    EXPECT_EQ(table.pbInUse(), 1251);

    table.at(3).lunId = 4;
    table.at(3).lunBlk = 9;
    EXPECT_TRUE(table.waiting_for(4, 9));
    table.free_entry(3);
    table.free_entry(7);
    EXPECT_FALSE(table.waiting_for(4, 9));
    EXPECT_EQ(table.pbInUse(), 1249);
    EXPECT_EQ(table.take_free_entry(), 3);
    EXPECT_EQ(table.take_free_entry(), 7);
    EXPECT_EQ(table.take_free_entry(), 1251);
}

// What a lookup finds and is charged for, walked the slow way: the annex
// from its newest record, then the index from its most recent end, passing
// over records whose write-back is under way.
CacheDirectory::Lookup walked_lookup(const CacheDirectory& cache, unsigned long lun, unsigned long blk,
                                     long& passedOver)
{
    CacheDirectory::Lookup found;
    for (auto it = cache.annex().rbegin(); it != cache.annex().rend() && !found.record; ++it) {
        ++found.visited;
        if ((*it)->lunId == lun && (*it)->lunBlk == blk) {
            found.record = *it;
            found.anxHit = true;
        }
    }
    for (auto it = cache.index().rbegin(); it != cache.index().rend() && !found.record; ++it) {
        ++found.visited;
        if ((*it)->lunId == lun && (*it)->lunBlk == blk) {
            if ((*it)->wrBakOn)
                ++passedOver;
            else
                found.record = *it;
        }
    }
    return found;
}

// Thousands of inserts, moves to the recent end, removals, write-backs
// starting and ending, and records of one block several times over: every
// lookup finds the record a walk would find and is charged the records the
// walk would visit.
TEST(CacheDirectory, LookupsFindAndChargeWhatAWalkFromTheRecentEndWould)
{
    LunTable luns(nullptr);
    luns.init_lun_table(3);
    CacheDirectory cache(nullptr, luns);
    cache.init_cch_table(std::int64_t{1} << 40);
    std::mt19937 draw(7);
    std::vector<CacheTable*> inIndex;
    auto insert = [&](unsigned long lun, unsigned long blk) {
        CacheTable* r = CacheDirectory::new_cch_table().release();
        r->open = true;
        r->lunId = lun;
        r->lunBlk = blk;
        r->blkSize = 4096;
        cache.cch_tbl_ins(r);
        inIndex.push_back(r);
    };
    auto annexed = CacheDirectory::new_cch_table();
    annexed->lunId = 1;
    annexed->lunBlk = 5;
    cache.cch_anx_ins(annexed.release());
    long hits = 0, passedOver = 0;
    for (int step = 0; step < 6000; ++step) {
        const unsigned long lun = 1 + draw() % 2, blk = draw() % 40;
        switch (draw() % 6) {
        case 0:
        case 1: insert(lun, blk); break;
        case 2:
            if (!inIndex.empty()) {
                const size_t i = draw() % inIndex.size();
                cache.cch_tbl_rmv(inIndex[i]);
                delete inIndex[i];
                inIndex.erase(inIndex.begin() + static_cast<long>(i));
            }
            break;
        case 3:
            if (!inIndex.empty()) {
                CacheTable* r = inIndex[draw() % inIndex.size()];
                r->wrBakOn = !r->wrBakOn;
            }
            break;
        default: {
            const CacheDirectory::Lookup walked = walked_lookup(cache, lun, blk, passedOver);
            const CacheDirectory::Lookup found = cache.lookup_cache(lun, blk);
            ASSERT_EQ(found.record, walked.record) << "step " << step;
            ASSERT_EQ(found.anxHit, walked.anxHit) << "step " << step;
            ASSERT_EQ(found.visited, walked.visited) << "step " << step;
            if (found.record && !found.anxHit) {
                ++hits;
                cache.cch_tbl_rmv(found.record);
                cache.cch_tbl_ins(found.record);
            }
        }
        }
    }
    EXPECT_GT(hits, 500);
    EXPECT_GT(cache.index().size(), 100u);
    EXPECT_EQ(static_cast<long>(cache.index().size()), luns.at(1).indexBlocks + luns.at(2).indexBlocks);
    EXPECT_EQ(cache.freeCchSize(), (std::int64_t{1} << 40) - 4096 * static_cast<std::int64_t>(inIndex.size()));
    EXPECT_GT(passedOver, 100);
    for (CacheTable* r : inIndex)
        r->wrBakOn = false;
}

} // namespace
