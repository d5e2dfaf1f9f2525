#include "fcport/PortStateMachine.h"

#include <string>

#include "fcport/PortCodes.h"
#include "messages/MsgKinds.h"

namespace {

const char* const sequenceNames[] = {"IDLEs", "LR", "LRR", "NOS", "OLS"};

} // namespace

// Rows AC to OL3; columns IDLE, LR, LRR, NOS, OLS, time-out, loss of signal.
// clang-format off
const PortStateMachine::Action PortStateMachine::transitions[][INPUT_COUNT] = {
    /* AC  */ {{Action::STAY, 0}, {Action::MOVE, PS_LR2}, {Action::FAULT, 0}, {Action::MOVE, PS_LF1},
               {Action::MOVE, PS_OL2}, {Action::DROP, 0}, {Action::MOVE, PS_LF2}},
    /* LR1 */ {{Action::STAY, LR}, {Action::MOVE, PS_LR2}, {Action::MOVE, PS_LR3}, {Action::MOVE, PS_LF1},
               {Action::MOVE, PS_OL2}, {Action::MOVE, PS_LF2}, {Action::MOVE, PS_LF2}},
    /* LR2 */ {{Action::MOVE, PS_AC}, {Action::STAY, LRR}, {Action::MOVE, PS_LR3}, {Action::MOVE, PS_LF1},
               {Action::MOVE, PS_OL2}, {Action::MOVE, PS_LF2}, {Action::MOVE, PS_LF2}},
    /* LR3 */ {{Action::MOVE, PS_AC}, {Action::MOVE, PS_LR2}, {Action::STAY, IDLE}, {Action::MOVE, PS_LF1},
               {Action::MOVE, PS_OL2}, {Action::MOVE, PS_LF2}, {Action::MOVE, PS_LF2}},
    /* LF1 */ {{Action::STAY, OLS}, {Action::MOVE, PS_LR2}, {Action::STAY, OLS}, {Action::RESTART, 0},
               {Action::MOVE, PS_OL2}, {Action::MOVE, PS_LF2}, {Action::MOVE, PS_LF2}},
    /* LF2 */ {{Action::STAY, NOS}, {Action::STAY, NOS}, {Action::STAY, NOS}, {Action::MOVE, PS_LF1},
               {Action::MOVE, PS_OL2}, {Action::DROP, 0}, {Action::STAY, NOS}},
    /* OL1 */ {{Action::STAY, OLS}, {Action::MOVE, PS_LR2}, {Action::STAY, OLS}, {Action::MOVE, PS_LF1},
               {Action::MOVE, PS_OL2}, {Action::MOVE, PS_OL3}, {Action::MOVE, PS_OL3}},
    /* OL2 */ {{Action::STAY, LR}, {Action::MOVE, PS_LR2}, {Action::MOVE, PS_LR3}, {Action::MOVE, PS_LF1},
               {Action::RESTART, 0}, {Action::MOVE, PS_OL3}, {Action::MOVE, PS_OL3}},
    /* OL3 */ {{Action::STAY, NOS}, {Action::MOVE, PS_LF2}, {Action::MOVE, PS_LF2}, {Action::MOVE, PS_LF1},
               {Action::MOVE, PS_OL2}, {Action::DROP, 0}, {Action::STAY, NOS}},
};
// clang-format on

void PortStateMachine::activity()
{
    start();
    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        handle(msg);
    }
}

void PortStateMachine::start()
{
    port_ = parentModule()->parentModule();
    toTx_ = findGate("to_tx");
    toFc1ctrl_ = findGate("to_fc1ctrl");
    toRxbuf_ = findGate("to_rxbuf");
    fromRx_ = findGate("from_rx");
    fromRxbuf_ = findGate("from_rxbuf");
    rtTov_ = port_->par("rtTov").doubleValue() / 1000.0;
    state_ = PS_LF2;
    WATCH(state_);
    portStat_ = &port_->addPar("portStat");
    portStat_->setLongValue(PS_LF2);
    portMode_ = &port_->addPar("portMode");
    portMode_->setLongValue(PORT_MODE_NONE);
    EV << fullPath() << " --> Initially, Port is in LF2 State - Not Operational!\n";
    EV << fullPath() << " --> Beginning port initialization process ... \n";
    port_initialization();
    timerStart_ = simTime();
    EV << "R_T_TOV timer is reset.\n";
}

void PortStateMachine::handle(cMessage* msg)
{
    switch (msg->kind()) {
    case R_RDY: handle_rrdy(msg); return;
    case SPEED_NEGO:
        EV << "Rx received SPEED_NEGO, R_T_TOV timer reset, and forward to Tx for processing.\n";
        timerStart_ = simTime();
        send(msg, toTx_);
        return;
    case SPEED_NEGO_ACK: send(msg, toTx_); return;
    case EV_RX_GOS:
        delete msg;
        send(new cMessage("TX_COLR_ON", TX_COLR_ON, 0), toTx_);
        timerStart_ = simTime();
        port_initialization();
        return;
    case EV_TX_ON:
        delete msg;
        timerStart_ = simTime();
        port_initialization();
        return;
    case EV_TX_OFF:
        delete msg;
        timerStart_ = simTime();
        return;
    case EV_RX_LOS:
        delete msg;
        timerStart_ = simTime();
        apply(IN_LOS);
        return;
    case REQ_LINK_RESET:
        delete msg;
        timerStart_ = simTime();
        link_reset();
        return;
    case EV_LINK_INIT:
        delete msg;
        timerStart_ = simTime();
        link_initialization();
        return;
    case IDLE:
    case LR:
    case LRR:
    case NOS:
    case OLS: {
        const Input in = static_cast<Input>(IN_IDLE + (msg->kind() - IDLE));
        delete msg;
        apply(in);
        return;
    }
    case RTTOV_TIME_OUT:
        delete msg;
        apply(IN_TIMEOUT);
        return;
    default: {
        const std::string name = msg->name();
        delete msg;
        error("---> Rx received %s, currently no action associated with it", name.c_str());
    }
    }
}

void PortStateMachine::handle_rrdy(cMessage* msg)
{
    if (state_ != PS_AC) {
        delete msg;
    } else if (msg->arrivedOn(fromRxbuf_)) {
        send(msg, toTx_);
    } else if (msg->arrivedOn(fromRx_)) {
        send(msg, toFc1ctrl_);
    } else {
        delete msg;
        error("---> R_RDY heading to wrong place");
    }
}

void PortStateMachine::apply(Input in)
{
    if (in == IN_TIMEOUT) {
        apply_timeout();
        return;
    }
    const Action a = transitions[state_][in];
    switch (a.kind) {
    case Action::FAULT: error("---> Rx received LRR, This is an ERROR for Port Stat");
    case Action::STAY:
        stay_log(in);
        send_again(a.arg);
        break;
    case Action::MOVE:
        move_log(in);
        enter(a.arg);
        break;
    case Action::RESTART: restart_timer_in_place(in); break;
    case Action::DROP: break;
    }
}

void PortStateMachine::apply_timeout()
{
    if (state_ == PS_OL1) {
        EV << "Port State Machine received R_T_TOV timeout message ... checking online state ... \n";
        EV << " ON_LINE, checking time out situation ... \n";
        if (!time_out_true()) {
            EV << "TimeOut not exceeded, remains at OL1, drop out the old TO message.\n";
            return;
        }
        EV << "R_T_TOV encountered, Port State from OL1 ";
        enter(PS_OL3);
        return;
    }
    EV << "Port State Machine received R_T_TOV timeout message ... \n";
    if (!time_out_true()) {
        EV << "TimeOut not exceeded, remains at " << port_state_name(state_) << ", drop out the old TO message.\n";
        return;
    }
    const Action a = transitions[state_][IN_TIMEOUT];
    if (a.kind == Action::DROP) {
        EV << "R_T_TOV encountered, for " << port_state_name(state_) << ", make no sense, drop it!\n";
        return;
    }
    EV << "R_T_TOV encountered, Port State from " << port_state_name(state_) << " ";
    enter(a.arg);
}

void PortStateMachine::move_log(Input in) const
{
    if (state_ == PS_OL1) {
        if (in == IN_LOS) {
            EV << "Rx detected Loss-of-Signal, checking currnt port online state ... ";
        } else {
            EV << "Rx received " << sequenceNames[in] << ", checking currnt port online state ... ";
        }
        EV << " ON_LINE, Port State from OL1 ";
        return;
    }
    if (in == IN_LOS) {
        EV << "Rx detected Loss-of-Signal - Link Failure !!!, Port State from ";
        if (state_ != PS_LR3) {
            EV << port_state_name(state_) << " ";
        }
        return;
    }
    EV << "Rx received " << sequenceNames[in] << ", Port State from " << port_state_name(state_) << " ";
}

void PortStateMachine::stay_log(Input in) const
{
    if (in == IN_LOS) {
        EV << "Rx detected Loss-of-Signal - Link Failure !!!, Port State still remains at " << port_state_name(state_)
           << " !\n";
        return;
    }
    const bool plainIdle = state_ == PS_LF1 || state_ == PS_LF2 || state_ == PS_OL2;
    const char* seq = in == IN_IDLE && plainIdle ? "IDLE" : sequenceNames[in];
    EV << "Rx received " << seq << ", Port State remains at " << port_state_name(state_) << " !\n";
}

void PortStateMachine::restart_timer_in_place(Input in)
{
    if (in == IN_NOS) {
        EV << "Rx received NOS, Port State remains at LF1 !\n";
        EV << "R_T_TOV timer reset according to reference d) .\n";
        timerStart_ = simTime();
        trans_ols();
    } else {
        EV << "Rx received OLS, Port State remains at OL2 !\n";
        EV << "R_T_TOV timer reset according to reference e) .\n";
        timerStart_ = simTime();
        trans_lr();
    }
    schedule_rttov_msg();
}

void PortStateMachine::send_again(int kind)
{
    switch (kind) {
    case IDLE: trans_idle(); break;
    case LR: trans_lr(); break;
    case LRR: trans_lrr(); break;
    case NOS: trans_nos(); break;
    case OLS: trans_ols(); break;
    default: break;
    }
}

void PortStateMachine::enter(int state)
{
    switch (state) {
    case PS_AC: state_to_ac(); break;
    case PS_LR1: state_to_lr1(); break;
    case PS_LR2: state_to_lr2(); break;
    case PS_LR3: state_to_lr3(); break;
    case PS_LF1: state_to_lf1(); break;
    case PS_LF2: state_to_lf2(); break;
    case PS_OL1: state_to_ol1(); break;
    case PS_OL2: state_to_ol2(); break;
    case PS_OL3: state_to_ol3(); break;
    default: error("---> Unknown port state %d", state);
    }
}

void PortStateMachine::begin_entry(int state)
{
    EV << "transition to " << port_state_name(state) << " !\n";
    state_ = state;
    portStat_->setLongValue(state);
    EV << "R_T_TOV timer reset.\n";
    timerStart_ = simTime();
}

void PortStateMachine::state_to_ac()
{
    begin_entry(PS_AC);
    trans_idle();
    send(new cMessage("PORT_READY", PORT_READY, 0), toFc1ctrl_);
    restart_credit();
}

void PortStateMachine::state_to_lr1()
{
    begin_entry(PS_LR1);
    trans_lr();
    schedule_rttov_msg();
}

void PortStateMachine::state_to_lr2()
{
    begin_entry(PS_LR2);
    trans_lrr();
    schedule_rttov_msg();
}

void PortStateMachine::state_to_lr3()
{
    begin_entry(PS_LR3);
    trans_idle();
    schedule_rttov_msg();
}

void PortStateMachine::state_to_lf1()
{
    begin_entry(PS_LF1);
    trans_ols();
    schedule_rttov_msg();
    reset_all();
}

void PortStateMachine::state_to_lf2()
{
    begin_entry(PS_LF2);
    trans_nos();
    reset_all();
}

void PortStateMachine::state_to_ol1()
{
    begin_entry(PS_OL1);
    trans_ols();
    reset_all();
}

void PortStateMachine::state_to_ol2()
{
    begin_entry(PS_OL2);
    trans_lr();
    schedule_rttov_msg();
    reset_all();
}

void PortStateMachine::state_to_ol3()
{
    begin_entry(PS_OL3);
    trans_nos();
    reset_all();
}

void PortStateMachine::restart_credit()
{
    // Frames that crossed the reset either made it or were dropped on the
    // way, and the peer gives no R_RDY for those it holds now.
    send(new cMessage("PORT_READY", PORT_READY, 0), toRxbuf_);
    const long outstanding = port_->hasPar("currBbCnt") ? port_->par("currBbCnt").longValue() : 0;
    if (outstanding <= 0)
        return;
    EV << "Link reset done, BB_Credit restored: " << outstanding << " R_RDY to FC-2.\n";
    for (long i = 0; i < outstanding; ++i)
        send(new cMessage("R_RDY", R_RDY, 4), toFc1ctrl_);
}

void PortStateMachine::trans_primi_seq(cMessage* seq)
{
    EV << "Transmitting " << seq->name() << " Primitive Sequence!\n";
    seq->setLength(PRIMITIVE_SEQUENCE_BYTES);
    send(seq, toTx_);
}

void PortStateMachine::trans_nos()
{
    trans_primi_seq(new cMessage("NOS", NOS));
}

void PortStateMachine::trans_ols()
{
    trans_primi_seq(new cMessage("OLS", OLS));
}

void PortStateMachine::trans_lr()
{
    trans_primi_seq(new cMessage("LR", LR));
}

void PortStateMachine::trans_lrr()
{
    trans_primi_seq(new cMessage("LRR", LRR));
}

void PortStateMachine::trans_idle()
{
    trans_primi_seq(new cMessage("IDLE", IDLE));
}

void PortStateMachine::reset_all()
{
    if (portMode_->longValue() == PORT_MODE_NONE)
        return;
    portMode_->setLongValue(PORT_MODE_NONE);
    send(new cMessage("PORT_FAIL", PORT_FAIL, 0), toRxbuf_);
}

void PortStateMachine::schedule_rttov_msg()
{
    scheduleAt(simTime() + rtTov_, new cMessage("RTTOV_TIME_OUT", RTTOV_TIME_OUT, 0));
}

bool PortStateMachine::time_out_true()
{
    const simtime_t now = simTime();
    EV.printf("Timer started at: %g, Current time is: %g; Time difference is: %g\n", timerStart_, now,
              now - timerStart_);
    return now - timerStart_ >= 0.99 * rtTov_;
}

void PortStateMachine::port_initialization()
{
    EV << "Performing Port Initialization ... \n";
    send(new cMessage("EV_PORT_INIT", EV_PORT_INIT, 0), toTx_);
}

void PortStateMachine::link_initialization()
{
    EV << "Performing Link Initialization ... Port State ";
    state_to_ol1();
    EV << "Here time-out period starts timing according to reference f) !\n";
    schedule_rttov_msg();
}

void PortStateMachine::link_reset()
{
    EV << "Performing Link Reset ... Port State ";
    state_to_lr1();
}

static const sDescrItem portStateMachineItems[] = {
    {'M', "default", nullptr, 0},      {'G', "from_fc1ctrl", nullptr, 'I'}, {'G', "to_fc1ctrl", nullptr, 'O'},
    {'G', "from_tx", nullptr, 'I'},    {'G', "to_tx", nullptr, 'O'},        {'G', "from_rx", nullptr, 'I'},
    {'G', "from_rxbuf", nullptr, 'I'}, {'G', "to_rxbuf", nullptr, 'O'},     {'E', nullptr, nullptr, 0}};

Define_Module_Interface(PortStateMachine, portStateMachineItems);
Define_Module(PortStateMachine, 8192);
