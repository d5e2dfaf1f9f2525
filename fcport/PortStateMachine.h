#pragma once

#include "sim/Sim.h"

// The primitive-sequence protocols of a port: link initialisation, link
// reset, link failure and off-line. It decides which ordered sets the
// transmitter sends, publishes the state in the port compound's `portStat`,
// reports the active state with PORT_READY and its loss, through the receive
// buffer, with PORT_FAIL, and relays credits and speed negotiation between
// receiver, receive buffer, transmitter and controller.
//
// Entering the active state completes a link reset (or initialisation), and
// with it the buffer-to-buffer credit starts over on both ends: the port
// gives its FC-2 back every credit still outstanding (one R_RDY each) and
// tells the receive buffer that the frames it holds need no R_RDY, since the
// peer does the same on its side. Credits made or received while the port is
// not active are dropped.
class PortStateMachine : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    const char* className() const override { return "PortStateMachine"; }

  protected:
    void activity() override;

    virtual void trans_primi_seq(cMessage* seq);
    virtual void trans_nos();
    virtual void trans_ols();
    virtual void trans_lr();
    virtual void trans_lrr();
    virtual void trans_idle();
    virtual void state_to_ac();
    virtual void state_to_lr1();
    virtual void state_to_lr2();
    virtual void state_to_lr3();
    virtual void state_to_lf1();
    virtual void state_to_lf2();
    virtual void state_to_ol1();
    virtual void state_to_ol2();
    virtual void state_to_ol3();
    virtual void reset_all();
    virtual void schedule_rttov_msg();
    virtual bool time_out_true();
    virtual void port_initialization();
    virtual void link_initialization();
    virtual void link_reset();

  private:
    int toTx_ = -1;
    int toFc1ctrl_ = -1;
    int toRxbuf_ = -1;
    // What the port receives, as the columns of the transition table.
    enum Input { IN_IDLE, IN_LR, IN_LRR, IN_NOS, IN_OLS, IN_TIMEOUT, IN_LOS, INPUT_COUNT };
    struct Action {
        enum Kind : char { MOVE, STAY, DROP, FAULT, RESTART } kind;
        int arg; // MOVE: the new state; STAY: the kind of the sequence sent again, 0 for none
    };
    static const Action transitions[][INPUT_COUNT];

    void start();
    void handle(cMessage* msg);
    void handle_rrdy(cMessage* msg);
    void apply(Input in);
    void apply_timeout();
    void move_log(Input in) const;
    void stay_log(Input in) const;
    void enter(int state);
    void begin_entry(int state);
    void send_again(int kind);
    void restart_timer_in_place(Input in);
    void restart_credit();

    int state_ = 0;
    simtime_t timerStart_ = 0;
    double rtTov_ = 0; // seconds
    cModule* port_ = nullptr;
    cPar* portStat_ = nullptr;
    cPar* portMode_ = nullptr;
    int fromRx_ = -1;
    int fromRxbuf_ = -1;
};
