#pragma once

#include <string>
#include <vector>

#include "fcport/RecurringSelfMessage.h"
#include "messages/MsgKinds.h"
#include "network/RunLog.h"
#include "sim/Sim.h"

class FcFrameHead;
class FcFramePayload;
class FcFrameTail;

// Puts everything the port sends onto the cable, each message holding the
// line for its 8b/10b bit time at the port's current speed: primitive
// sequences, frames (head, payload, tail) and R_RDY credits. It negotiates
// the link speed with the transmitter at the other end, measures the cable
// into the port's `sFact`, is switched off and on by scripted link events
// (the peer sees loss and gain of signal), colours the link's path in the
// display and counts what it sends for the switch's statistics.
//
// Once a frame's head has been taken for the line, its payload and tail
// follow it even if the port has left the active state meanwhile, so a link
// reset never cuts a frame in half. A frame refused whole during a link reset
// is reported sent to FC-2, which would otherwise wait for it for good.
class Transmitter : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    const char* className() const override { return "Transmitter"; }

  protected:
    void initialize() override;
    void activity() override;

    virtual void _8b10b_encoding_n_send();
    virtual cMessage* proc_speed_nego(cMessage* msg);
    virtual void init_speed_nego();
    virtual void clear_bittx_queue();
    virtual void proc_frame_head(FcFrameHead* head);
    virtual void proc_frame_payload(FcFramePayload* pay);
    virtual void proc_frame_tail(FcFrameTail* tail);
    virtual void delete_message(cMessage* msg);
    virtual void proc_rrdy_send();
    virtual void init_lnk_str();
    virtual void setup_lnk_str(cGate* gate, bool routeComplete);
    virtual void tx_colr_off();
    virtual void tx_colr_on();
    virtual void warnings(LogKind kind, const char* text);
    virtual void setup_s_fact(double seconds);

  private:
    enum TxState { TX_UNSET = -1, TX_UP = 9, TX_OFF = 10, TX_NEGOTIATING = 11 };
    static constexpr int MAX_CTR_LEVEL = 32;

    // One gate on the path of this transmitter's link, with the display
    // strings it shows while the link is on and off.
    struct LinkDisplayEntry {
        cModule* module = nullptr;
        cGate* gate = nullptr;
        bool isOutput = false;
        int gateIndex = 0;
        std::string onStr, offStr;
        std::string pfOnStr, pfOffStr;
    };

    void start();
    void handle(cMessage* msg);
    void handle_up(cMessage* msg);
    void handle_off(cMessage* msg);
    void handle_negotiating(cMessage* msg);
    void end_turn_discarding(cMessage* msg);
    void take_speed_nego(cMessage* msg);
    void take_frame_part(cMessage* msg);
    void refuse_frame_part(cMessage* msg);
    void take_rrdy(cMessage* msg);
    void switch_off(bool passOn);
    void queue_for_line(cMessage* msg);
    void reject(cMessage* msg);
    void send_on_line(cMessage* msg);
    bool line_connected() const;
    void set_tx_stat(int state);
    long port_stat() const;
    static void add_to(cPar& par, long delta);

    cModule* root_ = nullptr;
    cModule* port_ = nullptr;
    bool isNxPort_ = false;
    cGate* linkOut_ = nullptr;
    cQueue rrdyQueue_;
    cQueue bitQueue_;
    bool busy_ = false;

    bool frameInTx_ = false;
    unsigned long frmGid_ = 0;
    bool headSent_ = false, paySent_ = false, tailSent_ = false;

    // The frame whose head has been taken for the line and whose tail has not
    // yet, and the frame being refused.
    bool accepting_ = false;
    unsigned long acceptGid_ = 0;
    bool refusing_ = false;
    bool refusingInReset_ = false;
    unsigned long refuseGid_ = 0;

    std::vector<LinkDisplayEntry> linkDisplay_;
    // Ends the line's current turn; a speed negotiation may start a turn
    // while the last one is still under way.
    RecurringSelfMessage lineTurn_{"NEXT_TX_MSG", NEXT_TX_MSG};
    int toPsm_ = -1;
    int toFc1ctrl_ = -1;

    long lightSpeed_ = 0; // km/s
    long link1GCost_ = 0;
    long link2GCost_ = 0;
    long sFactKm_ = 0;

    int txStat_ = TX_UNSET;
    cPar* txStatPar_ = nullptr;
    mutable cPar* portStat_ = nullptr;
    cPar* maxPortSpeed_ = nullptr;
    cPar* currPortSpeed_ = nullptr;
    cPar* sFact_ = nullptr;
    cPar* txFrmDelta_ = nullptr;
    cPar* txPayDelta_ = nullptr;
    cPar* totalTxKbComp_ = nullptr;
    cPar* txByteCompDelta_ = nullptr;
};
