#pragma once

#include <cstdint>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "device/OutputStream.h"
#include "host/ScsiTables.h"
#include "messages/MsgSubclass_m.h"
#include "network/RunLog.h"
#include "sim/Sim.h"

class ConfigRow;
struct TaskTiming;

// The SCSI initiator of a device (`Scsi` of a client host). It discovers the
// LUNs behind every initiator-target path that the FC-4 layers open, chooses
// for each LUN name the path its I/O takes, turns the generator's reads and
// writes into sub-I/Os of at most 64 KiB and drives them through the paths
// with time-outs, retries and aborts, and writes the initiator's statistics
// and the I/O-failure log. Every step that costs processor time is bracketed
// by the device processor's handshake, one step at a time.
//
// The array's remote-mirror initiator is this engine with a few hooks
// overridden (see the protected section): the device and its processor, the
// ports that count as paths, the layout of the LUN-mask rows, a mark on every
// command and the way a ready LUN is announced.
//
// The engine owns its tables and every command block (`ScsiCdb`) it builds:
// a block lives until its sub-I/O completes, or, when the sub-I/O is
// abandoned after being handed out, until its time-out has passed, so that
// the FC-4 layer, which copies it when it sends the command, always finds it.
class ScsiLayer : public cSimpleModule {
  public:
    ScsiLayer(const char* name, cModule* parent, unsigned stackSize);
    ~ScsiLayer() override;

    void activity() override;
    void finish() override;

    // Read-only views for inspection.
    const std::vector<LunMaskTable>& lunMask() const { return lunMask_; }
    int maskNum() const { return maskNum_; }
    const std::vector<LunPathTable>& lunPaths() const { return lunPaths_; }
    const std::vector<IoTable>& ioTables() const { return ioTables_; }
    int itPathNum() const { return itPathNum_; }
    int openPathNum() const { return openPathNum_; }
    int openIoNum() const { return openIoNum_; }
    int openSioNum() const { return openSioNum_; }
    int ioCompNum() const { return ioCompNum_; }
    int ioAbrtNum() const { return ioAbrtNum_; }
    int sioCompNum() const { return sioCompNum_; }
    int rmCdbNum() const { return rmCdbNum_; }
    // Command blocks built and not yet deleted.
    long liveCdbs() const { return liveCdbs_; }
    // Grants of the device processor taken and released.
    long cpuGrants() const { return cpuGrants_; }
    long cpuReleases() const { return cpuReleases_; }
    const IoStatCounters& readStats() const { return rdStat_; }
    const IoStatCounters& writeStats() const { return wrStat_; }

  protected:
    virtual void write_scsi_finish();
    virtual void reset_io_table(IoTable* io);
    virtual void init_io_table();
    virtual void init_sio_table(IoTable* io, double recTov, int maxTry, long sioNum);
    virtual IoTable* new_io_table();
    virtual IoTable* get_io_table(long gbIoId);
    virtual IoTable* get_iotbl_by_subio(std::uint32_t ioId, int& sioIndex);
    virtual void print_an_iotbl(const IoTable* io);
    virtual void reset_lun_pt(LunPathTable* pt);
    virtual void init_lun_pt();
    virtual LunPathTable* new_lun_pt();
    virtual LunPathTable* find_active_tarlun(const std::string& lunWwn, int& index);
    virtual void show_active_lunpt();
    virtual void create_it_path(cMessage* cost);
    virtual void remove_it_path(int initiator, int target);
    virtual void proc_dev_down(int initiator);
    virtual LunPathTable* get_lun_pt(int initiator, int target);
    virtual TarLunTable* get_tar_lun(LunPathTable* pt, unsigned long lun);
    virtual int active_tar_lun(const std::string& lunWwn, const LunPathTable* previous);
    virtual void resche_scsi_io(IoTable* io);
    virtual void resche_pt_io(int initiator, int target);
    virtual void gen_scsi_io(int initiator, int target, unsigned long lun, unsigned char cmdCode, LunPathTable* path,
                             double sTime, long ioGenId, const std::string& lunWwn, unsigned long blkAddr,
                             unsigned long dataLen, IoTable* io);
    virtual void gen_scsi_subio(cMessage* cost);
    virtual void pre_proc_scsi_io(cMessage* msg);
    virtual void proc_sio_timeout(cMessage* timeout);
    virtual void timeout_close_wholeio(IoTable* io, int keep);
    virtual void comp_cpu_proc();
    virtual void req_cpu_proc(cMessage* msg);
    virtual void proc_req();
    virtual bool proc_cmd_comp(CmdCompRecvd* comp, cMessage* cost);
    virtual void open_lun_path(CmdCompRecvd* comp);
    virtual void fillin_lunwwn_info(CmdCompRecvd* comp, double thisSioCost);
    virtual void fillin_lunblk_info(CmdCompRecvd* comp);
    virtual void list_lun_path();
    virtual void show_lun_pt(const LunPathTable* pt);
    virtual void free_lunpt_sio(LunPathTable* pt);
    virtual void occupy_lunpt_sio(LunPathTable* pt);
    virtual void req_sio_out(LunPathTable* pt);
    virtual void write_file_ioresp(const IoTable* io);
    virtual void print_iort_record(const IoRtRec& rec);
    virtual void create_file_lunpt();
    virtual void write_file_pt(const std::string& lunWwn);
    virtual void req_proc_rdwr_io();
    virtual void req_proc_ctrl_io();
    virtual void write_file_ioopen();
    virtual void init_lun_mask(LunMaskTable* entry);
    virtual void ass_lun_mask();
    virtual void extract_mask_id(LunMaskTable* entry, const ConfigRow& row, int field, const std::string& file);
    virtual void print_lun_mask();
    virtual void warnings(LogKind kind, const std::string& text);
    virtual void iofail(const char* ioName, long ioIdx, long sioIdx, long ioId, const std::string& event);

    double load_timing(const TaskTiming* task);

    // ---- Where the array's initiator differs ----

    // A LUN-mask row as the engine stores it.
    struct MaskRow {
        std::string lunWwn, lunMask, priIniWwpn, priTarWwpn;
        int maskField; // the row's field that holds LUN_MASK, from 0
    };
    // The device module: the parent.
    virtual cModule* find_device();
    // The device's processor sibling.
    virtual const char* processor_name() const { return "Cpu"; }
    // Whether node port `i` of the device opens initiator-target paths.
    virtual bool port_opens_paths(int i);
    // The module whose `confFile` holds the LUN mask.
    virtual cModule* config_owner() { return device_; }
    // Checks the fields of a row of section "[2.1]" and fills `out`; false
    // passes the row over.
    virtual bool read_mask_row(const ConfigRow& row, MaskRow& out, const std::string& file);
    // Marks a command before it goes down.
    virtual void mark_command(SendScsiCmd*) {}
    // Announces a LUN after its INQUIRY answer; `changed` is the result of
    // active_tar_lun.
    virtual void announce_lun(const TarLunTable& lun, int changed);

    cModule* root_ = nullptr;
    cModule* device_ = nullptr;
    cModule* cpu_ = nullptr;

  private:
    void set_up();
    void handle(cMessage* msg);
    void take_cost(cMessage* cost);
    cMessage* unwrap(cMessage* cost, const char* missingText);
    void schedule_cost(cMessage* cost, double delay);
    void admit(cQueue& queue, int open, int& admitted, int limit, void (ScsiLayer::*again)());
    void reissue_next();
    void take_free_lunpt_sio(cMessage* msg);
    void take_rm_cdb(cMessage* msg);
    void close_aborted_io(IoTable* io);
    void close_io(IoTable* io);
    void abandon_subio(IoTable* io, SioTable& sio, bool abortAtTarget);
    void retire_cdb(SioTable& sio, simtime_t at);
    void delete_cdb(long cdbPtr);
    long new_cdb(unsigned char cmdCode, unsigned long blkAddr, unsigned long dataLen);
    void send_subio_abort(const IoTable* io, const SioTable& sio);
    void count_arrival(unsigned char ioType, unsigned long ioSize);
    void write_resp_row(std::ostream& out, const IoRtRec& rec);
    void write_waiting_resp_rows();
    void count_finished_io();
    void write_actv_path_row(const std::string& lunWwn, const LunPathTable* winner);
    void check_preferred_port(const char* column, const std::string& path, cModule* base, const char* wwn,
                              const char* file);
    unsigned long primary_address(const std::string& path, cModule* base);
    bool discovery_done() const;
    bool offers(const std::string& lunWwn, unsigned long tarAddrId = 0) const;
    bool has_open_path(int initiator) const;
    void warn_of_lun_mask_mismatches();
    void check_mask_row(LunMaskTable& row, const std::string& file);
    void warn_if_unmasked(const std::string& lunWwn);
    void abort_queued_ctrl_ios(const LunPathTable& pt);
    void warn_of_removed_path(cMessage* ctrl);
    LunPathTable* path_of(const IoTable* io);
    IoStatCounters& stats_of(unsigned char cmdCode);
    std::uint32_t take_io_id();
    void free_tables();

    const TaskTiming* creItPath_ = nullptr;
    const TaskTiming* rmvItPath_ = nullptr;
    const TaskTiming* iniScsiIo_ = nullptr;
    const TaskTiming* iniScsiSio_ = nullptr;
    const TaskTiming* comScsiIo_ = nullptr;
    double cpuClock_ = 0;
    double memClock_ = 0;
    int toLlp_ = -1;
    int toIogen_ = -1;

    int maxCtrlIo_ = 0;
    int maxRdWrIo_ = 0;
    int maxTarLun_ = 0;
    int nxPortNum_ = 0;
    int itPathNum_ = 0;
    int maskCap_ = 0;
    int maskNum_ = 0;
    std::vector<LunMaskTable> lunMask_;
    // LUNs with I/O that no mask row names, each warned of once.
    std::set<std::string> unmaskedLuns_;
    std::vector<std::unique_ptr<cQueue>> pathQueues_;
    std::vector<LunPathTable> lunPaths_;
    int openPathNum_ = 0;
    long pathOpenings_ = 0;
    std::vector<IoTable> ioTables_;

    cQueue reqQue_{"REQ_QUE"};
    cQueue rdwrIoQue_{"RDWR_IO_QUE"};
    cQueue rdwrIoReschQue_{"RDWR_IO_RESCH_QUE"};
    cQueue ctrlIoQue_{"CTRL_IO_QUE"};
    std::map<long, IoRtRec> ioRespQue_; // by ioIdx
    long nextIoIdx_ = 0;
    long nextRespIdx_ = 0;

    int openIoNum_ = 0;
    int openSioNum_ = 0;
    int openRdWrIo_ = 0;
    int openCtrlIo_ = 0;
    int admRdWrIo_ = 0;
    int admCtrlIo_ = 0;
    int ioCompNum_ = 0;
    int ioAbrtNum_ = 0;
    int sioCompNum_ = 0;
    int rdSioComp_ = 0;
    int wrSioComp_ = 0;
    int rmCdbNum_ = 0;
    long liveCdbs_ = 0;
    long cpuGrants_ = 0;
    long cpuReleases_ = 0;

    // Blocks of abandoned sub-I/Os, waiting for their RM_CDB.
    std::set<long> retiredCdbs_;
    // Sub-I/Os aborted at the target whose path slot is still taken: the
    // slot is freed by the abort's FREE_LUNPT_SIO or, for a write whose
    // exchange had already ended, by its late completion.
    struct AbortedSio {
        int initiator, target;
        unsigned char cmdCode;
    };
    std::map<std::uint32_t, AbortedSio> abortedSios_;

    IoStatCounters rdStat_;
    IoStatCounters wrStat_;
    double ioOpenScale_ = 0;
    // Kept open from the first row to the end of the run.
    OutputStream ioOpenFile_;
    OutputStream pathTblFile_;
    OutputStream actvPathFile_;
    OutputStream ioRespFile_;
    cPar* simDone_ = nullptr;
    cPar* ioIdCounter_ = nullptr;
    cPar* gbIoIdCounter_ = nullptr;
};
