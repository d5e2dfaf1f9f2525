#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "device/OutputGates.h"
#include "device/RequestServer.h"
#include "disk/ArrayGroupSection.h"
#include "disk/BlockIoState.h"
#include "messages/MsgSubclass_m.h"
#include "sim/cQueue.h"
#include "sim/cSimpleModule.h"

// The arbitrated-loop port of an array group, FcAl beside the group's disks.
// At initialisation it takes its group's row of the storage device's section
// "[5]" and creates the disks Disk[0 .. diskCount-1] beside itself. During
// the run it cuts every block request from its driver into sector requests,
// one list per disk, hands each disk no more sectors at a time than the
// disk's buffer holds, carries requests and completions one at a time over
// the single loop, and answers the block once its last sector is back.
//
// The loop positions are the disks 0 .. N-1 followed by the port itself at
// N: a request to disk t crosses t hops, a completion from disk s crosses
// N - s - 1. The port's own processing (segmentation, hand-over, reassembly)
// is one task at a time, separate from the loop.
class FcLoopPort : public cSimpleModule {
  public:
    FcLoopPort(const char* name, cModule* parent, unsigned stackSize);
    ~FcLoopPort() override;

    void initialize() override;
    void activity() override;
    void finish() override;

  protected:
    virtual void write_dskstat_finish();
    virtual void release_resource();
    virtual void proc_request();
    virtual void proc_blk_req(LunBlkIo* req);
    virtual void proc_sec_comp(DskSecIo* comp);
    virtual void proc_loop_req();

  private:
    struct DiskSlot {
        long bufSizInSec = 0;
        long outstanding = 0; // sector requests sent and not yet completed
        std::unique_ptr<cQueue> secReqQue;
    };

    void load_group_row();
    void create_disks();
    void set_up_run();
    void handle(cMessage* msg);
    void take_for_processing(cMessage* msg);
    void feed_disk(cMessage* cost);
    void schedule_cost(const char* name, int kind, int diskId, double delay);
    BlockIoState& block_of(const DskSecIo& io);
    void send_block_completion(BlockIoState& block);
    [[noreturn]] void refuse(cMessage* msg, const char* format);

    cModule* root_ = nullptr;
    cModule* group_ = nullptr;
    cModule* board_ = nullptr;
    cModule* device_ = nullptr;
    ArrayGroupRow groupRow_; // handed to the disks, which would read the same row
    int groupIndex_ = 0;
    int boardIndex_ = 0;
    double portByteSpeed_ = 0; // bytes/s
    int diskCount_ = 0;        // also the port's own position on the loop

    RequestServer server_{"REQ_PROC_QUE", [this] { proc_request(); }};
    cQueue loopArbiQue_;
    OutputGates toDisk_;
    bool loopFree_ = true;
    std::vector<DiskSlot> disks_;
    double fcalDly_ = 0; // s per hop
    long dskSecSiz_ = 0;

    // The blocks whose sectors are out, by the address their sectors carry.
    std::unordered_map<const BlockIoState*, std::unique_ptr<BlockIoState>> blocks_;

    long phyBlkRdReq_ = 0;
    long phyBlkRdCom_ = 0;
    long phyBlkWrReq_ = 0;
    long phyBlkWrCom_ = 0;
};
