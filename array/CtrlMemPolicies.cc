// The control memory's background policies: the periodic flush of dirty
// blocks and the periodic clean of the least recently used ones.
#include <vector>

#include "array/CtrlMemProcessor.h"
#include "device/TaskTiming.h"
#include "messages/MsgKinds.h"
#include "sim/Sim.h"

void CtrlMemProcessor::init_flush_param()
{
    zero_interval_counters();
    F_MaxBlk = F_RealBlk = 0;
}

void CtrlMemProcessor::zero_interval_counters()
{
    L_RspSum = T_Total = T_Surp = 0;
    L_PhyRd = L_RdRtn = L_PhyWr = L_PhyF = L_PhyNF = L_WrRtn = 0;
}

void CtrlMemProcessor::write_update_row_and_reset()
{
    ctrl_mem_stat();
    zero_interval_counters();
}

bool CtrlMemProcessor::run_is_over() const
{
    return simDone_->boolValue() && allDone_->boolValue();
}

void CtrlMemProcessor::sche_next_cchupd()
{
    if (simDone_->boolValue() && (flush_.mode == CchUpdMode::None || !flushActive_)) {
        allDone_->setBoolValue(true);
        return;
    }
    scheduleAt(simTime() + flush_.INT_flush, new cMessage("CCH_UPD", CCH_UPD, 0));
}

void CtrlMemProcessor::proc_cchupd()
{
    if (flush_.mode != CchUpdMode::None) {
        const double ratio = cache_.dirtyRatio();
        if (flushActive_) {
            if (ratio <= flush_.FTH_dactv)
                flushActive_ = false;
            else {
                cache_flush();
                return;
            }
        } else if (ratio > flush_.FTH_actv) {
            flushActive_ = true;
            cache_flush();
            return;
        }
    }
    F_MaxBlk = F_RealBlk = 0;
    write_update_row_and_reset();
    sche_next_cchupd();
    release_resource();
}

void CtrlMemProcessor::flush_size_adapt()
{
    if (L_PhyF + L_PhyNF != L_PhyWr)
        error("---> cache_flush : inconsistency found for PHY_WRITE_REQ for the last interval");
    const long returned = L_WrRtn + L_RdRtn;
    const double aveRsp = returned < 1 ? 0 : L_RspSum / static_cast<double>(returned);
    const long issued = L_PhyWr + L_PhyRd;
    const double wrShare = issued < 1 ? 0 : static_cast<double>(L_PhyWr) / static_cast<double>(issued);
    T_Total = flush_.INT_flush * flush_.TOL_fact;
    T_Surp = T_Total - aveRsp * static_cast<double>(cache_.wrBakCopies);
    if (aveRsp >= T_Surp) {
        EV << "WARNING: No enough surplus time, will not flush!\n";
        F_MaxBlk = -1; // no flush this period
        return;
    }
    const long k = aveRsp > 0 ? static_cast<long>(T_Surp / aveRsp)
                              : static_cast<long>(flush_.FBR_ini * static_cast<double>(cache_.dirtyCopies));
    const long j = wrShare > 0 ? static_cast<long>(wrShare * static_cast<double>(k)) : k;
    F_MaxBlk = static_cast<long>(flush_.AGG_fact * static_cast<double>(j + 1));
    const long minBlk = static_cast<long>(flush_.FBR_min * static_cast<double>(cache_.dirtyCopies));
    if (F_MaxBlk < minBlk)
        F_MaxBlk = minBlk;
}

void CtrlMemProcessor::cache_flush()
{
    EV << "Flusing dirty blocks ... ";
    F_MaxBlk = F_RealBlk = 0;
    if (flush_.mode == CchUpdMode::Fixed)
        F_MaxBlk = static_cast<long>(flush_.FBR_max * static_cast<double>(cache_.dirtyCopies));
    if (flush_.mode == CchUpdMode::Adapt) {
        flush_size_adapt();
        if (F_MaxBlk < 0) {
            F_MaxBlk = 0;
            write_update_row_and_reset();
            scheduleAt(simTime(), new cMessage("CCH_UPD_COST", CCH_UPD_COST, 0));
            return;
        }
    }
    get_real_flush(F_MaxBlk, F_RealBlk);
    if (F_MaxBlk < F_RealBlk)
        F_MaxBlk = F_RealBlk;
    write_update_row_and_reset();
    const long n = flush_operation();
    scheduleAt(simTime() + task_time(PER_CCH_IDX) * 0.5 * static_cast<double>(n),
               new cMessage("CCH_UPD_COST", CCH_UPD_COST, 0));
}

void CtrlMemProcessor::get_real_flush(long maxBlk, long& realBlk)
{
    EV << "Getting the real values of CCH_Flushed and BLK_Flushed ... ";
    const long limit = cache_.dirtyCopies - cache_.wrBakCopies;
    // A record is counted before the limits are tested, so that a flush
    // that is on writes at least one record even when its quota is 0.
    for (const CacheTable* r : cache_.index()) {
        if (!r->reqWrBak)
            continue;
        if (r->wrBakOn)
            error("---> get_real_flush : reqWrBak and wrBakOn conflicts");
        realBlk += r->mirrored ? 2 : 1;
        if (realBlk >= limit || realBlk >= maxBlk)
            break;
    }
}

// Writes back dirty records from the least recently used end until the
// copies counted by get_real_flush are on their way; the target is tested
// before each record, so a sum that steps over it ends the flush.
long CtrlMemProcessor::flush_operation()
{
    EV << "Performing the flush operation ... ";
    long n = 0;
    long sum = 0;
    for (CacheTable* r : cache_.index()) {
        if (sum >= F_RealBlk)
            break;
        ++n;
        if (!r->reqWrBak)
            continue;
        EV << "Flush operation - Issuing Physical Block WRITE request ... ";
        if (!r->open)
            error("---> flush_operation : before flusing, cache table must be active");
        issue_phy_write(r, true);
        sum += r->mirrored ? 2 : 1;
    }
    return n;
}

void CtrlMemProcessor::sche_next_cchcln()
{
    if (run_is_over())
        return;
    scheduleAt(simTime() + clean_.INT_clean, new cMessage("CCH_CLN", CCH_CLN, 0));
}

void CtrlMemProcessor::clean_operation()
{
    const double hitRatio =
        cache_.lookups == 0 ? 0 : static_cast<double>(cache_.hits) / static_cast<double>(cache_.lookups);
    cache_.lookups = cache_.hits = cache_.misses = 0;
    const double occupancy = 1 - cache_.freeRatio();
    long n = 0;
    if (clean_.HRTH > hitRatio)
        n = occupancy > clean_.CTH_H_actv ? start_clean(clean_.CBR_H_max) : 0;
    else
        n = occupancy > clean_.CTH_N_actv ? start_clean(clean_.CBR_N_max) : 0;
    write_cchcln_file(hitRatio, occupancy);
    Cln_total = Cln_wrbak = 0;
    scheduleAt(simTime() + task_time(PER_CCH_IDX) * static_cast<double>(n),
               new cMessage("CCH_CLN_COST", CCH_CLN_COST, 0));
}

long CtrlMemProcessor::start_clean(double share)
{
    const long count = static_cast<long>(static_cast<double>(cache_.index().size()) * share);
    if (count == 0)
        return 0;
    std::vector<CacheTable*> chosen;
    long n = 0;
    for (CacheTable* r : cache_.index()) {
        if (n == count)
            break;
        ++n;
        if (!r->wrBakOn)
            chosen.push_back(r);
    }
    for (CacheTable* r : chosen) {
        if (r->reqWrBak) {
            issue_phy_write(r, false);
            ++Cln_wrbak;
        } else {
            cache_.cch_tbl_rmv(r);
            delete r;
        }
        ++Cln_total;
    }
    return n;
}
