#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <vector>

#include "array/CacheDirectory.h"
#include "array/CtrlMemSettings.h"
#include "array/LunTable.h"
#include "array/PendingBlocks.h"
#include "device/CpuUtilFile.h"
#include "device/RequestServer.h"
#include "sim/cQueue.h"
#include "sim/cSimpleModule.h"

class LunBlkIo;
class LunBlkLocAnx;
struct LunBlkLoc;
class ScsiCmdRecvd;
struct TaskTiming;

// The processor `CtrlMemCpu` of an array's control memory and cache, where
// commands, completions and block requests meet. At initialisation it reads
// sections "[3]" to "[3.2]" of the device's configuration file, loads its
// CPU model's task timings, registers the array's platform name and creates
// one `LunController` per LUN (`LunCtrl[i]` serves LUN i).
//
// It is a single-server processor: every unit of work is a task taken from
// "REQ_PROC_QUE" in arrival order and holds the processor until it ends. A
// task handed to a LUN controller ends with the controller's NEXT_MSG; cache
// work ends with the processor's own. The time is charged to the LUN's
// column, or to "Caching".
//
// The cache is a directory of blocks with LRU replacement (least recently
// used first), an annex of blocks waiting for room, a table of pending reads
// that join one physical read, write-through or write-back, and two
// periodic policies: the flush of dirty blocks and the clean of the least
// recently used ones.
class CtrlMemProcessor : public cSimpleModule {
  public:
    CtrlMemProcessor(const char* name, cModule* parent, unsigned stackSize);
    ~CtrlMemProcessor() override;

    void initialize() override;
    void activity() override;
    void finish() override;

  protected:
    // Set-up and processor.
    virtual void write_ctrlmem_finish();
    virtual void write_lunio_finish();
    virtual void proc_request();
    virtual void release_resource();
    virtual void init_lun_table();
    virtual void show_lun_table();
    virtual LunEntry* query_lun_table(unsigned long lun);
    virtual void init_pb_table();
    virtual void task_router(ScsiCmdRecvd* command, int chipIdx);
    virtual void fwd_lun_event(cMessage* event);
    virtual void reg_pfname();
    virtual void setup_pf_type();
    virtual void input_ini_ctrlmem();
    virtual void input_ini_cchupd();
    virtual void input_ini_cchcln();
    virtual void extract_cpu_timing(const char* cpuModel);
    virtual void show_task_timing(const char* taskName, TaskTiming* timing);

    // The cache directory, hits and misses, pending blocks.
    virtual void init_cch_table();
    virtual void caching_operation(LunBlkIo* request);
    virtual void proc_read_hit(LunBlkIo* request, CacheTable* record, bool anxHit);
    virtual void proc_read_miss(LunBlkIo* request);
    virtual void proc_write_hit(LunBlkIo* request, CacheTable* record, bool anxHit);
    virtual void proc_write_miss(LunBlkIo* request);
    virtual void proc_read_data(LunBlkIo* block);
    virtual void comp_pb_read(LunBlkIo* block, long nextPbIdx, long pbDone, long origPbInUse);
    virtual LunBlkLoc setup_phyread_lunblkloc(LunBlkLocAnx* location);
    virtual LunBlkIo* get_inner_blkio(cMessage* wrapper);

    // Replacement and destaging.
    virtual void issue_phy_write(CacheTable* record, bool byFlush);
    virtual void comp_phy_write(LunBlkIo* completion, CacheTable* record);
    virtual long lru_for_pb_comp(CacheTable* record);
    virtual long apply_lru(CacheTable* record, bool& placed);

    // Flush and clean policies.
    virtual void init_flush_param();
    virtual void sche_next_cchupd();
    virtual void proc_cchupd();
    virtual void cache_flush();
    virtual void get_real_flush(long maxBlk, long& realBlk);
    virtual long flush_operation();
    virtual void clean_operation();
    virtual long start_clean(double share);
    virtual void sche_next_cchcln();

    // Statistics.
    virtual void ctrl_mem_stat();
    virtual void create_cchupd_file();
    virtual void create_cchcln_file();
    virtual void write_cchcln_file(double hitRatio, double occupancy);
    virtual void init_cchstat_files();
    virtual void write_cchstat_files();
    virtual void create_cpu_util();
    virtual void write_cpu_util();

  private:
    // Processor and router.
    void create_lun_controllers();
    void handle(cMessage* msg);
    void queue_task(cMessage* msg);
    void next_msg(cMessage* msg);
    void dispatch(cMessage* task);
    void to_lun_controller(cMessage* task, int ctrlIdx);
    int ctrl_idx_of(cMessage* task, unsigned long lun);
    void cache_step(cMessage* wrapper);
    [[noreturn]] void unknown(cMessage* msg);
    double task_time(const TaskTiming* task) const;

    // Cache helpers.
    void schedule_block_comp(int kind, unsigned long lunId, unsigned long lunBlk, unsigned long blkSize,
                             unsigned long ioId, int ioType);
    void schedule_pb_step(LunBlkIo* block, long nextPbIdx, long pbDone, long origPbInUse);
    void cache_returned_block(LunBlkIo* block);
    void count(unsigned long lun, CacheCounter counter, long n, const char* unknownLunFormat);
    void mark_dirty(CacheTable* record, const char* unknownLunFormat);
    void place_record(CacheTable* record, const char* unknownLunFormat);
    std::unique_ptr<CacheTable> write_record(LunBlkIo* request, std::unique_ptr<LunBlkLocAnx> location);
    void send_phy_write(CacheTable* record, const LunBlkLocAnx& loc, bool primary);
    cModule* disk_module(long address, const char* what);
    static void add_to_long(cModule* mod, const char* name, long delta);

    // Policies.
    void zero_interval_counters();
    void write_update_row_and_reset();
    void flush_size_adapt();

    // Statistics.
    void write_finish_frame(std::ostream& out, char c, const std::vector<int>& luns) const;
    void write_finish_header(std::ostream& out, const std::string& owner, const std::vector<int>& luns) const;
    std::vector<int> listed_luns() const;
    bool run_is_over() const;

    cModule* root_ = nullptr;
    cModule* cmc_ = nullptr;
    cModule* device_ = nullptr;
    cPar* simDone_ = nullptr;
    cPar* allDone_ = nullptr;
    std::string confFile_;

    CtrlMemSettings settings_;
    FlushSettings flush_;
    CleanSettings clean_;

    // Processor.
    RequestServer requests_{"REQ_PROC_QUE", [this] { proc_request(); }};
    int busyIdx_ = -1;
    double taskStart_ = 0;
    std::vector<double> busyTime_;
    double cpuPeriod_ = 0;
    double statPeriod_ = 0;
    double cpuClock_ = 0;
    double memClock_ = 0;
    const TaskTiming* PER_CCH_IDX = nullptr;
    const TaskTiming* COM_PND_BLK = nullptr;

    LunTable luns_;
    CacheDirectory cache_;
    PendingBlocks pending_;
    // Write-through write records, outside the lists until their copies
    // are on disk.
    std::set<CacheTable*> writeRecords_;

    // Flush state and the interval counters of the update rows.
    bool flushActive_ = false;
    long F_MaxBlk = 0;
    long F_RealBlk = 0;
    double L_RspSum = 0; // s, physical reads and writes
    double T_Total = 0;
    double T_Surp = 0;
    long L_PhyRd = 0;
    long L_RdRtn = 0;
    long L_PhyWr = 0;
    long L_PhyF = 0;
    long L_PhyNF = 0;
    long L_WrRtn = 0;
    // Clean state.
    long Cln_total = 0;
    long Cln_wrbak = 0;

    CpuUtilFile utilFile_;
    OutputStream updFile_;
    OutputStream clnFile_;
};

// The tasks of the control-memory processor's CPU model, in the order of
// its timing-file rows; the last five are the LUN controllers'.
extern const std::vector<std::string> ctrlMemTasks;
