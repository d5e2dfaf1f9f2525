// The control memory's block cache: lookups, hits and misses, and the
// pending reads that join one physical read.
#include "array/CtrlMemProcessor.h"
#include "device/TaskTiming.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "sim/ExactCast.h"
#include "sim/ObjectAddress.h"
#include "sim/Sim.h"

namespace {

std::unique_ptr<LunBlkLocAnx> take_location(LunBlkIo* request)
{
    return std::unique_ptr<LunBlkLocAnx>(exact_cast<LunBlkLocAnx>(request->decapsulate()));
}

} // namespace

void CtrlMemProcessor::init_cch_table()
{
    cache_.init_cch_table(settings_.cchSize);
}

void CtrlMemProcessor::init_pb_table()
{
    pending_.init_pb_table();
}

void CtrlMemProcessor::count(unsigned long lun, CacheCounter counter, long n, const char* unknownLunFormat)
{
    if (!luns_.count(lun, counter, n))
        error(unknownLunFormat, static_cast<int>(lun));
}

void CtrlMemProcessor::schedule_block_comp(int kind, unsigned long lunId, unsigned long lunBlk, unsigned long blkSize,
                                           unsigned long ioId, int ioType)
{
    auto* comp = new LunBlkIo(kind == COMP_BLK_READ ? "COMP_BLK_READ" : "COMP_BLK_WRITE", kind);
    comp->setLength(0);
    comp->setLunId(lunId);
    comp->setLunBlk(lunBlk);
    comp->setBlkSize(blkSize);
    comp->setIoId(ioId);
    comp->setIoType(ioType);
    scheduleAt(simTime(), comp);
}

void CtrlMemProcessor::caching_operation(LunBlkIo* request)
{
    EV << "Caching Operation in process ... ";
    const int ioType = request->getIoType();
    if (ioType != BLK_READ_TYPE && ioType != BLK_WRITE_TYPE) {
        discard_message(request);
        error("---> caching_operation : Illegal ioType");
    }
    count(request->getLunId(), ioType == BLK_READ_TYPE ? RD_REQ : WR_REQ, 1,
          "---> caching_operation : Unknown LUN_ID: %d");
    const CacheDirectory::Lookup found = cache_.lookup_cache(request->getLunId(), request->getLunBlk());
    const bool read = ioType == BLK_READ_TYPE;
    cMessage* step;
    double factor;
    if (found.record) {
        step = new cMessage(read ? "BLK_READ_HIT" : "BLK_WRITE_HIT", read ? BLK_READ_HIT : BLK_WRITE_HIT, 0);
        step->addPar("cchTbl").setLongValue(object_address(found.record));
        step->addPar("anxHit").setBoolValue(found.anxHit);
        factor = 0.25;
    } else {
        step = new cMessage(read ? "BLK_READ_MISS" : "BLK_WRITE_MISS", read ? BLK_READ_MISS : BLK_WRITE_MISS, 0);
        factor = 0.5;
    }
    step->encapsulate(request);
    scheduleAt(simTime() + task_time(PER_CCH_IDX) * found.visited * factor, step);
}

LunBlkIo* CtrlMemProcessor::get_inner_blkio(cMessage* wrapper)
{
    auto* inner = exact_cast<LunBlkIo>(wrapper->encapsulatedMsg());
    if (!inner) {
        const std::string name = wrapper->name();
        discard_message(wrapper);
        error("---> get_inner_blkio : %s expected encapsulated LunBlkIo", name.c_str());
    }
    wrapper->decapsulate();
    return inner;
}

void CtrlMemProcessor::cache_step(cMessage* wrapper)
{
    const int kind = wrapper->kind();
    CacheTable* record = nullptr;
    bool anxHit = false;
    long nextPbIdx = 0, pbDone = 0, origPbInUse = 0;
    if (kind == BLK_READ_HIT || kind == BLK_WRITE_HIT) {
        record = object_at<CacheTable>(wrapper->par("cchTbl").longValue());
        anxHit = wrapper->par("anxHit").boolValue();
    } else if (kind == COMP_PBRD_COST) {
        nextPbIdx = wrapper->par("nextPbIdx").longValue();
        pbDone = wrapper->par("pbDone").longValue();
        origPbInUse = wrapper->par("origPbInUse").longValue();
    }
    LunBlkIo* request = get_inner_blkio(wrapper);
    delete wrapper;
    switch (kind) {
    case BLK_READ_HIT: proc_read_hit(request, record, anxHit); break;
    case BLK_READ_MISS: proc_read_miss(request); break;
    case BLK_WRITE_HIT: proc_write_hit(request, record, anxHit); break;
    case BLK_WRITE_MISS: proc_write_miss(request); break;
    default: comp_pb_read(request, nextPbIdx, pbDone, origPbInUse);
    }
}

void CtrlMemProcessor::proc_read_hit(LunBlkIo* request, CacheTable* record, bool anxHit)
{
    count(request->getLunId(), RD_HIT, 1, "---> proc_read_hit : Unknown LUN_ID: %d");
    record->accTime = simTime();
    if (anxHit) {
        if (record->ioType == BLK_READ_TYPE) {
            cache_.cch_anx_rmv(record);
            record->ioId = request->getIoId();
            cache_.cch_anx_ins(record);
        }
    } else {
        if (record->wrBakOn)
            error("---> proc_read_hit : READ HIT Fault - wrBakOn ERROR");
        cache_.cch_tbl_rmv(record);
        cache_.cch_tbl_ins(record);
    }
    schedule_block_comp(COMP_BLK_READ, request->getLunId(), request->getLunBlk(), request->getBlkSize(),
                        request->getIoId(), request->getIoType());
    discard_message(request);
    release_resource();
}

void CtrlMemProcessor::proc_read_miss(LunBlkIo* request)
{
    if (request->getIoType() != BLK_READ_TYPE)
        error("---> proc_read_miss : ioType fault");
    std::unique_ptr<LunBlkLocAnx> location = take_location(request);
    count(request->getLunId(), RD_MISS, 1, "---> proc_read_miss : unknown LUN_ID: %d");
    if (static_cast<long>(request->getBlkSize()) != request->length())
        error("---> proc_read_miss : inconsistent blkSize with message length for %s", request->name());
    const bool found = pending_.waiting_for(request->getLunId(), request->getLunBlk());
    const long pbIndex = pending_.take_free_entry();
    PendingBlockTable& entry = pending_.at(pbIndex);
    entry.ioId = request->getIoId();
    entry.lunId = request->getLunId();
    entry.lunBlk = request->getLunBlk();
    entry.blkSize = request->getBlkSize();
    entry.reqTime = simTime();
    entry.ioType = request->getIoType();
    entry.active = !found;
    if (!found) {
        EV << "Issuing Physical Block READ request ... ";
        if (!location)
            error("---> setup_phyread_lunblkloc : LUN_BLK_LOC fault");
        const LunBlkLoc where = setup_phyread_lunblkloc(location.release());
        auto* read = new LunBlkIo("REQ_PHY_BLK_READ", REQ_PHY_BLK_READ);
        read->setLength(0);
        read->setLunId(request->getLunId());
        read->setLunBlk(request->getLunBlk());
        read->setBlkSize(request->getBlkSize());
        read->setIoId(request->getIoId());
        read->setIoType(BLK_READ_TYPE);
        read->setReqIndex(true);
        read->setPbIndex(pbIndex);
        read->setLunBlkLoc(where);
        read->addPar("sTime").setDoubleValue(simTime());
        send(read, "to_acp", where.acpId);
        count(request->getLunId(), PHY_RD_REQ, 1, "---> proc_read_miss : unknown LUN_ID: %d");
        ++L_PhyRd;
    }
    discard_message(request);
    release_resource();
}

LunBlkLoc CtrlMemProcessor::setup_phyread_lunblkloc(LunBlkLocAnx* location)
{
    std::unique_ptr<LunBlkLocAnx> loc(location);
    const bool hasPri = loc->getPriAcpId() != -1;
    const bool hasMir = loc->getMirAcpId() != -1;
    if (!hasPri && !hasMir)
        error("---> setup_phyread_lunblkloc : LUN_BLK_LOC fault");
    bool usePri = hasPri;
    if (hasPri && hasMir) {
        const long priPend = disk_module(loc->getPriDskModPtr(), "primary")->par("pendBlk").longValue();
        const long mirPend = disk_module(loc->getMirDskModPtr(), "mirror")->par("pendBlk").longValue();
        usePri = mirPend >= priPend;
    }
    LunBlkLoc where;
    where.acpId = usePri ? loc->getPriAcpId() : loc->getMirAcpId();
    where.grpId = usePri ? loc->getPriGrpId() : loc->getMirGrpId();
    where.dskId = usePri ? loc->getPriDskId() : loc->getMirDskId();
    where.dskBlk = loc->getDskBlk();
    where.dskModPtr = usePri ? loc->getPriDskModPtr() : loc->getMirDskModPtr();
    add_to_long(disk_module(where.dskModPtr, usePri ? "primary" : "mirror"), "pendBlk", 1);
    return where;
}

cModule* CtrlMemProcessor::disk_module(long address, const char* what)
{
    cModule* disk = object_at<cModule>(address);
    if (!disk)
        error("ERROR: %s got a block location whose %s copy names no disk module", fullPath().c_str(), what);
    return disk;
}

void CtrlMemProcessor::add_to_long(cModule* mod, const char* name, long delta)
{
    cPar& p = mod->par(name);
    p.setLongValue(p.longValue() + delta);
}

void CtrlMemProcessor::proc_read_data(LunBlkIo* block)
{
    EV << "Processing returned Block READ Data ... ";
    cModule* disk = disk_module(block->getLunBlkLoc().dskModPtr, "returned");
    add_to_long(disk, "pendBlk", -1);
    add_to_long(disk, "compBlk", 1);
    ++L_RdRtn;
    L_RspSum += simTime() - block->par("sTime").doubleValue();
    const long pbIndex = block->getPbIndex();
    if (!block->getReqIndex() || pbIndex < 0 || pbIndex >= pending_.maxPbSize()) {
        discard_message(block);
        error("---> proc_read_data : returned Block READ Data should bear a valid pbIndex");
    }
    const PendingBlockTable& entry = pending_.at(pbIndex);
    if (!entry.inUse || entry.lunId != block->getLunId() || entry.lunBlk != block->getLunBlk() ||
        entry.ioId != block->getIoId()) {
        // A write of the block has served its readers already.
        discard_message(block);
        release_resource();
        return;
    }
    if (!entry.active) {
        discard_message(block);
        error("---> comp_pb_read : The returned Blk_Read_Data must have an active PB Table");
    }
    schedule_pb_step(block, 0, 0, pending_.pbInUse());
}

void CtrlMemProcessor::schedule_pb_step(LunBlkIo* block, long nextPbIdx, long pbDone, long origPbInUse)
{
    auto* step = new cMessage("COMP_PBRD_COST", COMP_PBRD_COST, 0);
    step->addPar("nextPbIdx").setLongValue(nextPbIdx);
    step->addPar("pbDone").setLongValue(pbDone);
    step->addPar("origPbInUse").setLongValue(origPbInUse);
    step->encapsulate(block);
    scheduleAt(simTime() + task_time(COM_PND_BLK), step);
}

void CtrlMemProcessor::comp_pb_read(LunBlkIo* block, long nextPbIdx, long pbDone, long origPbInUse)
{
    const bool read = block->getIoType() == BLK_READ_TYPE;
    if (read && block->encapsulatedMsg())
        error("---> comp_pb_read : SCSI_READ LunBlkLocAnx fault");
    if (!read && !settings_.cchWriteThru && !block->encapsulatedMsg())
        error("---> comp_pb_read : SCSI_WRITE LunBlkLocAnx fault");
    if (!query_lun_table(block->getLunId()))
        error("---> comp_pb_read : Unknown LUN_ID: %d", static_cast<int>(block->getLunId()));
    EV << "Fulfilling next pending READ blocks with [LUN:" << block->getLunId() << "][BLK:" << block->getLunBlk()
       << "].\n";
    if (pbDone >= origPbInUse) {
        cache_returned_block(block);
        return;
    }
    const unsigned long lunId = block->getLunId();
    const unsigned long lunBlk = block->getLunBlk();
    const long end = pending_.maxPbSize();
    const long toVisit = origPbInUse - pbDone;
    long idx = nextPbIdx;
    long visited = 0;
    for (; idx < end && visited < toVisit; ++idx) {
        const PendingBlockTable& e = pending_.at(idx);
        if (!e.inUse)
            continue;
        ++visited;
        if (e.lunId != lunId || e.lunBlk != lunBlk)
            continue;
        EV << "Finishing Block READ request ... ";
        schedule_block_comp(COMP_BLK_READ, lunId, lunBlk, block->getBlkSize(), e.ioId, e.ioType);
        const CacheCounter counter = read ? (e.active ? PHY_RD_COM : SPB_BY_RD) : (e.active ? APB_BY_WR : SPB_BY_WR);
        count(lunId, counter, 1, "---> comp_pb_read : Unknown LUN_ID: %d");
        pending_.free_entry(idx);
        ++idx;
        break;
    }
    // A walk that finds nothing more in use has nothing more to serve.
    pbDone = visited == 0 ? origPbInUse : pbDone + visited;
    schedule_pb_step(block, idx, pbDone, origPbInUse);
}

// The block has served every read that waited for it and now takes its own
// place in the cache. A write miss of a write-through cache is cached as a
// clean read: its own write record answers the host once its copies are on
// disk.
void CtrlMemProcessor::cache_returned_block(LunBlkIo* block)
{
    EV << "Finishing fulfilling all pending READ blocks, caching this block!\n";
    const bool dirty = block->getIoType() == BLK_WRITE_TYPE && !settings_.cchWriteThru;
    std::unique_ptr<CacheTable> owned = CacheDirectory::new_cch_table();
    CacheTable* record = owned.get();
    record->open = true;
    record->lunId = block->getLunId();
    record->lunBlk = block->getLunBlk();
    record->blkSize = block->getBlkSize();
    record->ioId = block->getIoId();
    record->ioType = dirty ? BLK_WRITE_TYPE : BLK_READ_TYPE;
    record->accTime = simTime();
    record->reqWrBak = dirty;
    if (dirty) {
        record->blkLoc = take_location(block);
        record->mirrored = has_both_copies(*record->blkLoc);
    }
    discard_message(block);
    if (cache_.freeCchSize() >= static_cast<std::int64_t>(record->blkSize)) {
        place_record(owned.release(), "---> apply_lru [1]: Unknown LUN_ID: %d");
        release_resource();
        return;
    }
    const long n = lru_for_pb_comp(owned.release());
    scheduleAt(simTime() + task_time(PER_CCH_IDX) * 0.5 * n, new cMessage("CCH_LRU_COST", CCH_LRU_COST, 0));
}

void CtrlMemProcessor::mark_dirty(CacheTable* record, const char* unknownLunFormat)
{
    cache_.addDirtySize(static_cast<std::int64_t>(record->blkSize));
    LunEntry* lun = query_lun_table(record->lunId);
    if (!lun)
        error(unknownLunFormat, static_cast<int>(record->lunId));
    ++lun->dirtyBlocks;
    ++cache_.dirtyBlocks;
    cache_.dirtyCopies += record->mirrored ? 2 : 1;
}

void CtrlMemProcessor::place_record(CacheTable* record, const char* unknownLunFormat)
{
    cache_.cch_tbl_ins(record);
    if (record->isWrite()) {
        mark_dirty(record, unknownLunFormat);
        schedule_block_comp(COMP_BLK_WRITE, record->lunId, record->lunBlk, record->blkSize, record->ioId,
                            record->ioType);
    }
}

std::unique_ptr<CacheTable> CtrlMemProcessor::write_record(LunBlkIo* request, std::unique_ptr<LunBlkLocAnx> location)
{
    std::unique_ptr<CacheTable> record = CacheDirectory::new_cch_table();
    record->open = true;
    record->lunId = request->getLunId();
    record->lunBlk = request->getLunBlk();
    record->blkSize = request->getBlkSize();
    record->ioId = request->getIoId();
    record->ioType = request->getIoType();
    record->reqWrBak = true;
    record->mirrored = location && has_both_copies(*location);
    record->blkLoc = std::move(location);
    record->accTime = simTime();
    return record;
}

void CtrlMemProcessor::proc_write_hit(LunBlkIo* request, CacheTable* record, bool anxHit)
{
    std::unique_ptr<LunBlkLocAnx> location = take_location(request);
    if (!query_lun_table(request->getLunId()))
        error("---> proc_write_hit : Unknown LUN_ID: %d", static_cast<int>(request->getLunId()));
    record->accTime = simTime();
    const bool bothCopies = location && has_both_copies(*location);
    if (settings_.cchWriteThru) {
        if (bothCopies)
            record->mirrored = true;
        record->reqWrBak = false;
        record->wrBakOn = false;
        count(request->getLunId(), WR_SM_STAT, 1, "---> proc_write_hit : Unknown LUN_ID: %d");
        if (!anxHit) {
            cache_.cch_tbl_rmv(record);
            cache_.cch_tbl_ins(record);
        }
        std::unique_ptr<CacheTable> write = write_record(request, std::move(location));
        write->mirrored = record->mirrored;
        CacheTable* w = write.release();
        writeRecords_.insert(w);
        issue_phy_write(w, false);
    } else if (anxHit) {
        if (record->isWrite()) {
            schedule_block_comp(COMP_BLK_WRITE, record->lunId, record->lunBlk, record->blkSize, record->ioId,
                                record->ioType);
            count(request->getLunId(), WR_SM_ACTV, 1, "---> proc_write_hit : Unknown LUN_ID: %d");
        }
        record->reqWrBak = true;
        record->ioId = request->getIoId();
        record->ioType = request->getIoType();
        if (bothCopies)
            record->mirrored = true;
        record->blkLoc = std::move(location);
    } else {
        if (record->wrBakOn)
            error("---> proc_write_hit : WRITE HIT Fault - wrBakOn ERROR");
        const bool wasDirty = record->reqWrBak;
        if (bothCopies && !record->mirrored) {
            // A dirty block gains its second copy: count it as such.
            if (wasDirty)
                ++cache_.dirtyCopies;
            record->mirrored = true;
        }
        if (wasDirty) {
            count(request->getLunId(), WR_SM_ACTV, 1, "---> proc_write_hit : Unknown LUN_ID: %d");
        } else {
            record->reqWrBak = true;
            mark_dirty(record, "---> proc_write_hit : Unknown LUN_ID: %d");
            count(request->getLunId(), WR_SM_STAT, 1, "---> proc_write_hit : Unknown LUN_ID: %d");
        }
        record->blkLoc = std::move(location);
        cache_.cch_tbl_rmv(record);
        cache_.cch_tbl_ins(record);
        schedule_block_comp(COMP_BLK_WRITE, request->getLunId(), request->getLunBlk(), request->getBlkSize(),
                            request->getIoId(), request->getIoType());
    }
    discard_message(request);
    release_resource();
}

void CtrlMemProcessor::proc_write_miss(LunBlkIo* request)
{
    if (!query_lun_table(request->getLunId()))
        error("--->proc_write_miss : Unknown LUN_ID: %d", static_cast<int>(request->getLunId()));
    if (settings_.cchWriteThru) {
        CacheTable* w = write_record(request, take_location(request)).release();
        writeRecords_.insert(w);
        issue_phy_write(w, false);
    }
    schedule_pb_step(request, 0, 0, pending_.pbInUse());
}
