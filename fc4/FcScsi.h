#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include "fc4/EePairPeers.h"
#include "fc4/Fc4Service.h"
#include "fc4/FcpIoSb.h"
#include "fc4/SequenceEnvelope.h"
#include "messages/MsgSubclass_m.h"
#include "sim/Sim.h"

// The SCSI-FCP engine of one initiator-target pair (`Fcp[i]` of a node
// port's FC-4 layer). It turns the SCSI side's service primitives into FCP
// information units carried in sequence envelopes and the units received
// back into primitives, keeps one state block per open I/O, and charges its
// processing to the device's processor.
//
// Command blocks: the initiator's SCSI layer owns the block it sends and
// deletes it when the sub-I/O ends there. FCP_CMND carries a copy instead,
// which the target's engine adopts and hands up with SCSI_CMD_RECVD; the
// target frees it when the I/O ends there, so no target reads a block that
// the initiator has already deleted.
//
// An abort closes an I/O at once; information units and primitives of that
// I/O that were still under way are warned about and dropped when they come.
// The one exception is the response of a write aborted here, at the
// initiator: a write's exchange ends in FC-2 with its response, so a response
// that still reaches this engine had ended the exchange before the abort got
// there, and no exchange abort will give the path its slot back. It goes up
// as a late completion instead, which the initiator takes as the end of the
// aborted sub-I/O's hold on its path.
class FcScsi : public Fc4Service<FcpIoSb> {
  public:
    FcScsi(const char* name, cModule* parent, unsigned stackSize);
    ~FcScsi() override;

    void activity() override;
    void finish() override;

    int sbNum() const { return sbNum_; }
    const cQueue& rspWaitQueue() const { return rspWaitQue_; }

  protected:
    virtual void init_params();
    virtual void init_osb();
    virtual void init_rsb();
    virtual void proc_msg_send(cMessage* cost);
    virtual void send_fcp_cmnd(SendScsiCmd* cmd);
    virtual void recv_fcp_cmnd(FcpIu* iu, FcSeqPayload* seq);
    virtual void send_fcp_data(cMessage* prim, int action);
    virtual void recv_fcp_data(FcpIu* iu, FcSeqPayload* seq);
    virtual void req_cmd_comp(cMessage* cost);
    virtual void send_fcp_rsp(SendCmdComp* comp);
    virtual void recv_fcp_rsp(FcpIu* iu, FcSeqPayload* seq);
    virtual void send_fcp_conf(CmdCompConf* conf);
    virtual void recv_fcp_conf(FcpIu* iu, FcSeqPayload* seq);
    virtual void send_fcp_xfer_rdy(RecvDataOut* rdo);
    virtual void recv_fcp_xfer_rdy(FcpIu* iu, FcSeqPayload* seq);
    virtual void proc_recv_fcpiu(FcpIu* iu, FcSeqPayload* seq);
    FcpIoSb* obtain_an_osb() override;
    FcpIoSb* obtain_an_rsb() override;
    virtual void reset_a_sb(FcpIoSb* sb);
    virtual FcpIoSb* find_sb_by_ioid(unsigned long ioId);
    virtual void get_nport_addr(unsigned long& own, unsigned long& peer, const char* iuName);

  private:
    void handle(cMessage* msg);
    void proc_recv_cost(cMessage* cost);
    void alloc_fcppair(cMessage* msg);
    void remove_fcppair(cMessage* msg);
    void abort_sio(cMessage* msg);
    void abort_fcpio(cMessage* msg);
    void rebuild_pools();
    void free_block(FcpIoSb* sb);
    void retire_cdbs(std::vector<FcpIoSb>& pool);
    cModule* nx_port(int portIndex) const;
    // `addressId` of NxPort[portIndex].
    const cPar& port_address(int portIndex) const;
    unsigned long peer_address(int portIndex, int eeIndex) const;
    int fc4_index() const { return site_->fc4Index(); }
    int chip_id() const;
    void send_iu(FcpIu* iu, unsigned long key, unsigned rCtl, bool lastSeq, bool xferSeqInit);
    template <class Primitive>
    Primitive* new_primitive(const char* name, int kind, long length, const FcpIoSb* sb) const;
    // The block of the I/O a primitive names, or null when that I/O was
    // aborted (the primitive is then dropped); any other miss stops the run.
    FcpIoSb* block_of_primitive(cMessage* prim, unsigned long ioId);
    // The same for a received unit, by its exchange key.
    FcpIoSb* block_of_unit(FcpIu* iu, FcSeqPayload* seq, const char* missingText);
    void drop_late(cMessage* msg);
    // The CMD_COMP_RECVD of a received FCP_RSP for the I/O of `sb`.
    CmdCompRecvd* completion_of(const FcpIu* iu, const FcpIoSb* sb) const;
    // Hands up the response of a write aborted here; false when the unit is
    // not one.
    bool deliver_aborted_write_rsp(FcpIu* iu, FcSeqPayload* seq);

    mutable EePairPeers eePeers_;
    // This engine's `portIndex` and `eeIndex`, which change as pairs are
    // allocated and removed, and the node port last named by `portIndex`.
    cPar* portIndex_ = nullptr;
    cPar* eeIndex_ = nullptr;
    mutable int knownPortIndex_ = -1;
    mutable cModule* knownPort_ = nullptr;
    mutable const cPar* knownPortAddress_ = nullptr;
    long defConCurrSeq_ = 0;
    int sbNum_ = 0;
    cQueue rspWaitQue_;
    std::set<std::uint32_t> abortedKeys_;
    std::set<std::uint32_t> abortedIoIds_;
    // The blocks of the writes aborted here whose response may still come,
    // by exchange key.
    std::map<std::uint32_t, FcpIoSb> abortedWrites_;
    // Command blocks of target I/Os that ended without their response (an
    // abort, a pair re-initialised); the SCSI side may still hold them until
    // it has closed the I/O, so they go with the engine.
    std::vector<ScsiCdb*> retiredCdbs_;
};
