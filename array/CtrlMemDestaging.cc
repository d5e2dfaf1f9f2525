// Making room in the control-memory cache and writing blocks to disk.
#include <vector>

#include "array/CtrlMemProcessor.h"
#include "device/TaskTiming.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "sim/ObjectAddress.h"
#include "sim/Sim.h"

void CtrlMemProcessor::send_phy_write(CacheTable* record, const LunBlkLocAnx& loc, bool primary)
{
    LunBlkLoc copy;
    copy.acpId = primary ? loc.getPriAcpId() : loc.getMirAcpId();
    copy.grpId = primary ? loc.getPriGrpId() : loc.getMirGrpId();
    copy.dskId = primary ? loc.getPriDskId() : loc.getMirDskId();
    copy.dskBlk = loc.getDskBlk();
    copy.dskModPtr = primary ? loc.getPriDskModPtr() : loc.getMirDskModPtr();
    add_to_long(disk_module(copy.dskModPtr, primary ? "primary" : "mirror"), "pendBlk", 1);
    auto* write = new LunBlkIo("REQ_PHY_BLK_WRITE", REQ_PHY_BLK_WRITE);
    write->setLength(static_cast<long>(record->blkSize));
    write->setLunId(record->lunId);
    write->setLunBlk(record->lunBlk);
    write->setBlkSize(record->blkSize);
    write->setIoType(BLK_WRITE_TYPE);
    write->setIoId(record->ioId);
    write->setFromCsw(false);
    write->setLunBlkLoc(copy);
    write->addPar("thisCchTbl").setLongValue(object_address(record));
    write->addPar("sTime").setDoubleValue(simTime());
    send(write, "to_bs");
}

void CtrlMemProcessor::issue_phy_write(CacheTable* record, bool byFlush)
{
    EV << "Issuing PHY_BLK_WRITE ... ";
    if (!record->blkLoc)
        error("---> ISSUE_PHY_WRITE LunBlkLocAnx fault");
    const LunBlkLocAnx& loc = *record->blkLoc;
    const bool hasPri = loc.getPriAcpId() != -1;
    const bool hasMir = loc.getMirAcpId() != -1;
    if (record->mirrored && !(hasPri && hasMir))
        error("---> ISSUE_PHY_WRITE Mirror fault [1].");
    if (!record->mirrored && hasPri && hasMir)
        error("---> ISSUE_PHY_WRITE Mirror fault [2].");
    if (!hasPri && !hasMir)
        error("---> ISSUE_PHY_WRITE LunBlkLocAnx fault");
    if (hasPri)
        send_phy_write(record, loc, true);
    if (hasMir)
        send_phy_write(record, loc, false);
    const long c = record->mirrored ? 2 : 1;
    count(record->lunId, PHY_WR_REQ, c, "---> issue_phy_write : Unknown LUN_ID: %d");
    L_PhyWr += c;
    (byFlush ? L_PhyF : L_PhyNF) += c;
    if (!settings_.cchWriteThru) {
        cache_.wrBakCopies += c;
        ++cache_.wrBakBlocks;
    }
    record->reqWrBak = false;
    record->wrBakOn = true;
}

void CtrlMemProcessor::comp_phy_write(LunBlkIo* completion, CacheTable* record)
{
    const bool writeBack = !settings_.cchWriteThru;
    if (writeBack ? !cache_.inIndex(record) : writeRecords_.count(record) == 0) {
        discard_message(completion);
        error("---> comp_phy_write : PHY_BLK_WRITE_COMP cannot get its own record in CCH TABLE");
    }
    cModule* disk = disk_module(completion->getLunBlkLoc().dskModPtr, "written");
    add_to_long(disk, "pendBlk", -1);
    add_to_long(disk, "compBlk", 1);
    count(record->lunId, PHY_WR_COM, 1, "---> comp_phy_write : Unknown LUN_ID: %d");
    ++L_WrRtn;
    L_RspSum += simTime() - completion->par("sTime").doubleValue();
    if (writeBack) {
        --cache_.dirtyCopies;
        --cache_.wrBakCopies;
    }
    ++record->copiesDone;
    if (!record->mirrored || record->copiesDone > 1) {
        if (writeBack) {
            cache_.addDirtySize(-static_cast<std::int64_t>(record->blkSize));
            LunEntry* lun = query_lun_table(record->lunId);
            if (!lun)
                error("---> comp_phy_write : Unknown LUN_ID: %d", static_cast<int>(record->lunId));
            --lun->dirtyBlocks;
            --cache_.dirtyBlocks;
            --cache_.wrBakBlocks;
            cache_.cch_tbl_rmv(record);
        } else {
            writeRecords_.erase(record);
            schedule_block_comp(COMP_BLK_WRITE, record->lunId, record->lunBlk, record->blkSize, record->ioId,
                                record->ioType);
        }
        delete record;
    }
    discard_message(completion);
    // Only an annex that was empty at the start of the step lets the
    // processor go at once; otherwise the placing's cost ends the task.
    if (cache_.annex().empty()) {
        release_resource();
        return;
    }
    long n = 0;
    bool placed = false;
    do {
        EV << "Applying LRU to free a Cache Table ... ";
        CacheTable* first = cache_.annex().front();
        cache_.annex().pop_front();
        if (first->wrBakOn) {
            delete first;
            error("---> comp_phy_write : cchAnx wrBakOn fault");
        }
        n += apply_lru(first, placed);
    } while (placed && !cache_.annex().empty());
    scheduleAt(simTime() + task_time(PER_CCH_IDX) * 0.5 * n, new cMessage("CCH_LRU_COST", CCH_LRU_COST, 0));
}

long CtrlMemProcessor::apply_lru(CacheTable* record, bool& placed)
{
    placed = false;
    const auto need = static_cast<std::int64_t>(record->blkSize);
    if (cache_.freeCchSize() >= need) {
        place_record(record, "---> apply_lru [1]: Unknown LUN_ID: %d");
        placed = true;
        return 0;
    }
    long n = 0;
    std::int64_t avail = cache_.freeCchSize();
    std::int64_t victimSpace = 0;
    std::vector<CacheTable*> victims;
    auto evict = [&] {
        for (CacheTable* v : victims) {
            cache_.cch_tbl_rmv(v);
            delete v;
        }
    };
    // The walk issues write-backs but takes nothing out of the index until
    // it ends, so it can run over the list itself.
    for (CacheTable* r : cache_.index()) {
        ++n;
        const auto size = static_cast<std::int64_t>(r->blkSize);
        if (!r->reqWrBak && !r->wrBakOn) {
            victims.push_back(r);
            avail += size;
            victimSpace += size;
            if (cache_.freeCchSize() + victimSpace >= need) {
                evict();
                place_record(record, "---> apply_lru [2]: Unknown LUN_ID: %d");
                placed = true;
                return n;
            }
        } else if (r->reqWrBak && !r->wrBakOn) {
            avail += size;
            issue_phy_write(r, false);
            if (avail >= need)
                break;
        } else if (!r->reqWrBak && r->wrBakOn) {
            avail += size;
            if (avail >= need)
                break;
        } else {
            error("---> apply_lru : Apply LRU Fault");
        }
    }
    evict();
    cache_.cch_anx_put_first(record);
    return n;
}

long CtrlMemProcessor::lru_for_pb_comp(CacheTable* record)
{
    EV << "Applying LUR to free a Cache Table ... ";
    CacheDirectory::List& annex = cache_.annex();
    if (annex.empty()) {
        if (record->wrBakOn) {
            delete record;
            error("---> lru_for_pb_comp : cchAnx empty wrBakOn falult");
        }
        bool placed = false;
        return apply_lru(record, placed);
    }
    long n = 0;
    for (auto it = annex.begin(); it != annex.end(); ++it) {
        ++n;
        CacheTable* old = *it;
        if (old->lunId != record->lunId || old->lunBlk != record->lunBlk)
            continue;
        const bool newWrite = record->isWrite();
        const bool oldWrite = old->isWrite();
        if (!newWrite && oldWrite) {
            delete record;
            error("---> lru_for_pb_comp : cchAnx READ over WRITE falult");
        }
        if (newWrite && record->wrBakOn) {
            delete record;
            error(oldWrite ? "---> lru_for_pb_comp : cchAnx WRITE over WRITE wrBakOn falult"
                           : "---> lru_for_pb_comp : cchAnx WRITE over READ wrBakOn falult");
        }
        if (!newWrite) {
            annex.erase(it);
            delete old;
            annex.push_back(record);
            return n;
        }
        if (oldWrite)
            schedule_block_comp(COMP_BLK_WRITE, old->lunId, old->lunBlk, old->blkSize, old->ioId, old->ioType);
        *it = record;
        delete old;
        return n;
    }
    annex.push_back(record);
    return n;
}
