#pragma once

#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/OutputStream.h"
#include "device/RequestServer.h"
#include "disk/ArrayGroupSection.h"
#include "disk/DiskGeometry.h"
#include "disk/DiskModelParams.h"
#include "disk/DiskStatistics.h"
#include "disk/MediaAccess.h"
#include "disk/SeekTable.h"
#include "messages/MsgSubclass_m.h"
#include "sim/cQueue.h"
#include "sim/cSimpleModule.h"

// One disk of an array group, Disk[i] beside the group's loop port, which
// creates it. At initialisation it takes its model from the group's row of
// the storage device's section "[5]", loads the model's parameter and seek
// files and builds its zoned geometry. During the run it frees the loop as
// soon as a sector request arrives, gathers requests into a bounded command
// queue that it reorders for short head movements, and serves each batch one
// sector at a time against the head position and the turning platter,
// sending a completion per request back over the loop.
//
// Command processing (taking requests in, sorting the queue) and media
// access (serving a batch) run side by side: while one batch is on the
// media the next one fills up behind it.
class DiskDrive : public cSimpleModule {
  public:
    DiskDrive(const char* name, cModule* parent, unsigned stackSize);

    // The group's row as the loop port creating the disk has read it; without
    // it the disk reads the row itself at initialisation.
    void use_group_row(const ArrayGroupRow& row) { groupRow_ = row; }

    void initialize() override;
    void activity() override;
    void finish() override;

  protected:
    virtual void create_seek_array(const char* model);
    virtual void write_diskband_file();
    virtual void write_physec_map();
    virtual void write_logsec_map();
    virtual void write_sec_resp(DskSecIo& req, uint64_t phySec, const MediaAccessTime& t);
    virtual void new_acc_que();
    // The time to serve `req` in seconds; moves the head onto its sector.
    virtual double disk_media_access(DskSecIo* req);
    virtual void join_cmd_que();
    virtual void sort_cmd_que();
    virtual void release_resource();
    virtual void proc_request();
    virtual void write_file_dskstat();

  private:
    // A queued command with its place in the served order.
    struct CmdOrder {
        bool otherBlock;
        unsigned long sector; // 0 within the block being served, which keeps arrival order
        cObject* cmd;
        bool operator<(const CmdOrder& o) const
        {
            return otherBlock != o.otherBlock ? o.otherBlock : sector < o.sector;
        }
    };

    void load_model();
    void handle(cMessage* msg);
    void take_request(DskSecIo* req);
    void serve_sector();
    void finish_sector(cMessage* envelope);
    void schedule_self(const char* name, int kind, double delay = 0);
    bool run_done() const;
    CmdOrder order_of(DskSecIo* io) const;
    void append_cmd(DskSecIo* io);
    std::string model_file_path(const char* suffix) const;

    cModule* root_ = nullptr;
    cModule* device_ = nullptr;
    cModule* cache_ = nullptr; // the array's CtrlMemCch, whose flush the statistics outlast
    cGate* toFcal_ = nullptr;
    std::optional<ArrayGroupRow> groupRow_;
    std::string model_ = "UNKNOWN_DISK_MODEL";
    bool hasModel_ = false;
    bool secRespFlag_ = false;
    DiskModelParams params_;
    std::unique_ptr<DiskGeometry> geometry_;
    const SeekTable* seeks_ = nullptr;

    cQueue inQue_, cmdQue_, medAccQue_;
    bool cmdQueSorted_ = true;      // whether cmdQue_ is in served order
    CmdOrder cmdTail_{};            // the order of cmdQue_'s newest command
    std::vector<CmdOrder> sortBuf_; // the command queue while it is being sorted
    RequestServer server_{"REQ_PROC_QUE", [this] { proc_request(); }};
    bool inAcc_ = false;
    uint64_t lastDskBlk_ = 0;
    int curHead_ = 0;
    long curCyl_ = 0;

    DiskStatistics stats_;
    double statPeriod_ = 0;
    OutputStream dskStatFile_; // kept open from its first row to the end of the run
    // One row per sector: buffered, and checked when the file is closed.
    OutputStream secResp_;
    long secRespIdx_ = 0;
};
