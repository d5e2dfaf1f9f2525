#pragma once

#include <cstdint>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "array/LunTables.h"
#include "device/OutputStream.h"
#include "messages/MsgSubclass_m.h"
#include "network/RunLog.h"
#include "sim/Sim.h"

class ConfigRow;
struct TaskTiming;

// The controller of one LUN of a storage array (`LunCtrl[i]` of the array's
// control memory, created by its processor). It binds the LUN's member disks
// from the array's section "[6]", maps LUN blocks onto striped and mirrored
// disks, and serves the LUN's SCSI commands as a target: it admits commands
// up to its concurrency limit and queues the rest, cuts reads and writes into
// block requests to the cache, answers REPORT LUNS, INQUIRY and MODE SENSE
// itself, and closes LUN I/Os that their initiator aborts or whose path goes
// away. Writes to a LUN with a remote copy are copied to the board that
// leads to it. Every unit of work is a task on the control-memory processor,
// which stays held until the controller's NEXT_MSG.
//
// LUN 0 ("LUN0") owns no disks: it answers discovery and nothing else.
class LunController : public cSimpleModule {
  public:
    // Per direction (reads, writes) counters for the run and for the
    // current ".IoOpen" interval.
    struct Direction {
        cPar* req = nullptr;
        cPar* succ = nullptr;
        cPar* abrt = nullptr;
        cPar* open = nullptr;
        cPar* wait = nullptr;
        long intReq = 0;
        uint64_t intBytes = 0;
        long intSucc = 0;
        long intAbrt = 0;
    };

    LunController(const char* name, cModule* parent, unsigned stackSize);
    ~LunController() override;

    void activity() override;
    void finish() override;

  protected:
    // The most I/Os one LUN may run at once: far beyond any array.
    static constexpr long MAX_CON_CURR_LUNIO = 1000000;

    // LUN I/O table
    virtual void init_lunio_table();
    void warn_of_lun_rows_unlike_max();
    virtual void reset_lunio_table(LunIoTable* entry);
    virtual LunIoTable* getnew_lunio_table();
    virtual LunIoTable* query_lunio_table(unsigned ioId);
    virtual void remove_lunio_table(unsigned chipId, unsigned fc4Index, unsigned fcpIndex);
    virtual void remove_lunio_table(unsigned chipId, unsigned fc4Index);
    virtual void close_lunio_table(LunIoTable* entry);
    virtual void proc_remove_lunio(cMessage* cost);
    // Target flows
    virtual void scsi_cmd_recvd(ScsiCmdRecvd* cmd);
    virtual void scsi_read_frag(LunIoTable* entry);
    virtual void req_blk_read(cMessage* cost);
    virtual void proc_blkrd_comp(cMessage* cost);
    virtual void proc_write_req(LunIoTable* entry);
    virtual void scsi_write_frag(DataOutRecvd* data);
    virtual void req_blk_write(cMessage* cost);
    virtual void proc_blkwr_comp(cMessage* cost);
    virtual void collect_lun_list(cMessage* cost);
    virtual std::string create_lunlist_file();
    virtual void collect_lun_wwn(cMessage* cost);
    virtual std::string create_lunwwn_file();
    virtual void collect_lun_blk(cMessage* cost);
    virtual void proc_lunio_lookup(cMessage* cost);
    virtual void send_cmd_comp(LunIoTable* entry);
    virtual void comp_conf_recvd(cMessage* conf);
    virtual void release_resource();
    virtual void req_proc_next_lunio();
    // Configuration and block mapping
    virtual void block_mapping(unsigned long lunBlk, int& position, unsigned long& dskBlk);
    virtual LunBlkLocAnx* construct_locanx_msg(unsigned long lunBlk);
    virtual void load_lun_param();
    virtual void extract_disk_id(const std::string& list, std::vector<DiskAttr>& disks, const std::string& confFile);
    virtual void setup_lun_param(const std::string& confFile);
    // Statistics and files
    virtual void verify_global_lun();
    virtual void write_lunconf_file();
    virtual void warnings(LogKind kind, const std::string& text);
    virtual void write_file_ioopen();
    virtual void iofail(unsigned ioId, const char* event);

  private:
    // Set-up (LunControllerSetup.cc)
    void start_up();
    void set_up_lun0();
    void read_lun_line(const ConfigRow& row, const std::string& confFile);
    void warn_of_short_mirror_list(const ConfigRow& row) const;
    void bind_disk(const std::string& token, DiskAttr& attr, const std::string& confFile);
    cModule* member_disk(const std::string& token, const std::string& confFile);
    void check_duplicate(const std::string& confFile);
    double member_capacity() const;
    unsigned long blocks_per_disk(double capGB, const std::string& confFile) const;
    void publish_on_disks(unsigned long dskBlkNum);
    void add_statistics_params();
    void read_cpu_timing();

    // Target flows (LunController.cc)
    void handle(cMessage* msg);
    void handle_inactive(cMessage* msg);
    void take_command(ScsiCmdRecvd* cmd);
    void start_oldest_command();
    void ack_proc_next_lunio();
    void abort_lunio(cMessage* abort);
    bool abort_queued_command(unsigned ioId);
    void abort_queued(ScsiCmdRecvd* cmd, const char* event);
    void schedule_cost(const char* name, int kind, double delay, cMessage* inner = nullptr);
    void schedule_entry_cost(const char* name, int kind, double delay, LunIoTable* entry);
    void schedule_seg_cost(const char* name, int kind, double delay, LunIoTable* entry, unsigned long resData,
                           unsigned long segCnt);
    void send_block_request(LunIoTable* entry, bool write, unsigned long segCnt);
    void next_segment(cMessage* cost, bool write);
    LunBlkIo* completed_block(cMessage* cost, const char* method, int ioType);
    void send_data_in(const LunIoTable& entry, unsigned long reqSize, long length);
    SendCmdComp* build_cmd_comp(const LunIoTable& entry) const;
    void free_entry(LunIoTable* entry, bool succeeded);
    void schedule_rm_ptrs(const LunIoTable& entry, double delay);
    void remove_queued(unsigned chipId, unsigned fc4Index, const unsigned* fcpIndex, const char* event);
    void close_matching(unsigned chipId, unsigned fc4Index, const unsigned* fcpIndex, const char* event);
    void write_answer_file(const std::string& path, const std::string& text, const char* method);
    [[noreturn]] void fail(cMessage* msg, const char* format);
    Direction* direction_of(unsigned cmdCode);

    // Remote mirroring (LunControllerMirror.cc)
    void rmt_io_gen_rdy(cMessage* msg);
    void check_partner(cMessage* msg);
    void mirror_write(const ScsiCdb& cdb);
    void copy_write(const ScsiCdb& cdb);
    void warn_of_uncopied_writes();

    // Statistics and files (LunControllerFiles.cc)
    void start_ioopen_timer();
    void write_ioopen_header(std::ostream& out);
    void write_ioopen_group(std::ostream& out, long req, uint64_t bytes, long succ, long abrt, long open, long wait);
    void write_lunconf_disks(std::ostream& out, const char* title, const std::vector<DiskAttr>& disks);
    std::string device_path() const;

    cModule* root_ = nullptr;
    cModule* cmc_ = nullptr;
    cModule* device_ = nullptr;
    cGate* toCpu_ = nullptr;

    int lunId_ = 0;
    std::string lunWwn_;
    int dskNum_ = 0;
    unsigned blkSize_ = 0;
    int conCurrLunIo_ = 0;
    unsigned strDpth_ = 0;
    std::vector<DiskAttr> priDisks_, mirDisks_;
    double lunCapGB_ = 0;
    unsigned lunBlkNum_ = 0;
    std::vector<LunIoTable> lunIoTable_;
    int openLunIoNum_ = 0;
    cQueue lunIoQue_;
    bool active_ = false;
    bool rmtMirror_ = false;
    long uncopiedWrites_ = 0;    // host writes received before the remote copy was known
    std::set<long> answerNames_; // answer-file names not yet freed by their RM_PTR

    Direction rd_, wr_;
    double ioOpenPeriod_ = 0;
    OutputStream ioOpenFile_; // ".IoOpen", from its first row to the end of the run

    double cpuClock_ = 0;
    double memClock_ = 0;
    const TaskTiming* scsiWrSeg_ = nullptr;
    const TaskTiming* scsiRdSeg_ = nullptr;
    const TaskTiming* rmvLunIo_ = nullptr;
    const TaskTiming* comBlkWr_ = nullptr;
    const TaskTiming* comBlkRd_ = nullptr;
};
