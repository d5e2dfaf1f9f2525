#pragma once

#include "messages/MsgSubclass_m.h"
#include "network/RunLog.h"
#include "sim/Sim.h"

// Takes everything that arrives on the port's cable, undoes the ten
// bit-times per byte of the peer's transmitter, counts what it receives,
// gives primitive sequences, speed negotiation, loss and gain of signal and
// credits to the state machine and the three parts of each frame to the
// receive buffer, checking that they belong together. While the signal is
// lost it ignores the cable.
//
// A frame whose head came in always reaches the receive buffer whole: while
// it comes in its parts are taken whatever the port state, and a frame cut
// off by an IDLE, a loss of signal or a refused part is completed with a
// replacement payload (when missing) and an EOFa tail. Parts of a frame so
// completed that still arrive afterwards are dropped.
class Receiver : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    const char* className() const override { return "Receiver"; }

  protected:
    void activity() override;

    virtual void _10b8b_decoding_n_forward(cMessage* msg);
    virtual void proc_head_buf_in(FcFrameHead* head);
    virtual void proc_pay_buf_in(FcFramePayload* pay);
    virtual void proc_tail_buf_in(FcFrameTail* tail);
    virtual void proc_fc_frame(cMessage* msg);
    virtual void delete_message(cMessage* msg);
    virtual void make_fake_pay();
    virtual void warnings(LogKind kind, const char* text);

  private:
    int toPsm_ = -1;
    int toRxbuf_ = -1;
    void start();
    void handle(cMessage* msg);
    // Completes the frame coming in, if any, and forgets it.
    void cut_off_frame();
    void make_fake_tail();
    bool part_of_cut_frame(cMessage* msg);
    bool part_of_frame_in(cMessage* msg);
    long port_stat() const;
    static void add_to(cPar& par, long delta);

    cModule* root_ = nullptr;
    cModule* port_ = nullptr;
    bool isNxPort_ = false;
    bool lossOfSignal_ = false;
    bool frameIn_ = false;
    unsigned long frmGid_ = 0;
    FrameQualifier ffq_{};
    bool headIn_ = false, payIn_ = false, tailIn_ = false;
    bool hasCutFrame_ = false;
    unsigned long cutGid_ = 0;

    mutable cPar* portStat_ = nullptr;
    cPar* rxFrmDelta_ = nullptr;
    cPar* rxPayDelta_ = nullptr;
    cPar* rxByteCompDelta_ = nullptr;
};
