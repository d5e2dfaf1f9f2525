#pragma once

#include "network/RunLog.h"
#include "sim/Sim.h"

class FcFrameHead;

// The port's receive buffers: the frames the receiver has taken off the
// cable that FC-2 has not consumed yet. It admits each frame by the port's
// mode and the frame's destination and class, hands it up for reception
// (REQ_FRM_RX) or forwarding (REQ_FRM_FWD) or throws it away, one frame at a
// time under FC-2's answers, and gives one R_RDY back to the peer for every
// frame it is done with. The buffer count is the credit the peer holds.
//
// When the port becomes active again after a link reset the credit starts
// over on both ends, so the frames held at that moment are finished without
// an R_RDY. A link failure empties the buffer; the frame that was coming in
// at that moment loses its head there, and its payload and tail, should they
// still come from the receiver, are thrown away after it.
class RecvBuffer : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    const char* className() const override { return "RecvBuffer"; }

  protected:
    void activity() override;

    virtual void empty_recv_buf();
    virtual void proc_head_recv(cMessage* head);
    virtual void proc_pay_recv(cMessage* pay);
    virtual void proc_tail_recv(cMessage* tail);
    virtual void delete_message(cMessage* msg);
    virtual void request_head_out();
    virtual void request_pay_out();
    virtual void request_tail_out();
    virtual void schedule_rrdy();
    virtual void warnings(LogKind kind, const char* text);

  private:
    int toPsm_ = -1;
    int toFc1ctrl_ = -1;
    enum FrameFlag { RECEIVE = 0, FORWARD = 1, DISCARD = 2 };

    void start();
    void handle(cMessage* msg);
    void take_answer(cMessage* msg);
    void take_completion(cMessage* msg);
    void take_port_ready(cMessage* msg);
    int admit(FcFrameHead* head);
    // The first buffered part, after the checks that it is the `kind`
    // expected next of the frame being handed out.
    cMessage* pop_next_part(int kind);
    void hand_out(cMessage* part);
    // A payload or tail of the frame whose head went at the last emptying.
    bool rest_of_emptied_frame(cMessage* part, unsigned long gid);
    long port_mode() const;
    [[noreturn]] void fail(cMessage* msg, const char* text);

    cQueue buf_;
    long recvBufSize_ = 0;
    long freeBufSize_ = 0;
    bool bufOut_ = false;
    unsigned long outGid_ = 0;
    bool headOut_ = false, payOut_ = false, tailOut_ = false;
    bool awaitingAnswer_ = false;
    int frameFlag_ = RECEIVE;
    bool linkDown_ = true;
    long uncredited_ = 0;  // frames held over the last link reset, to finish without R_RDY
    bool frameIn_ = false; // a head came in, its tail not yet
    unsigned long inGid_ = 0;
    bool hasEmptiedFrame_ = false; // the frame coming in when the buffer was emptied
    unsigned long emptiedGid_ = 0;
    cModule* root_ = nullptr;
    cModule* port_ = nullptr;
    mutable cPar* portMode_ = nullptr;
    cPar* addressId_ = nullptr;
    cPar* domainId_ = nullptr; // of the switch, for an E_Port
};
