#pragma once

#include <string>
#include <vector>

#include "device/OutputGates.h"
#include "device/RequestServer.h"
#include "fcport/EePairTable.h"
#include "fcport/RecurringSelfMessage.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RunLog.h"
#include "sim/Sim.h"

struct TaskTiming;

// The FC-2 controller of a port ("Fc2Ctrl" in the port's Fc2Layer), node
// port and switch port alike. It reads the port's configuration row, creates
// the pool of exchange engines EePair[0..maxEePair] at initialisation, turns
// link up and down into PORT_UP and PORT_DOWN for FC-4, serves the requests
// meant for the pairs one at a time from REQ_PROC_QUE (a pair ends each with
// NEXT_MSG), adopts a node port's N_Port address from the first frame it
// receives after fabric login, and moves frames: local frames from the pairs
// and, in a switch port, forwarded frames from the switch centre into one
// transmit queue under buffer-to-buffer credit, and received frames to a pair
// or to the switch centre. The time it waits on pairs is its busy time,
// published in `asicUtilDelta`.
class Fc2Controller : public cSimpleModule {
  public:
    Fc2Controller(const char* name, cModule* parent, unsigned stackSize);
    ~Fc2Controller() override;
    const char* className() const override { return "Fc2Controller"; }
    void initialize() override;
    void activity() override;

    // The outbound mover, the transmitter side and the receiver side.
    enum OutFlag { FRM_OU_IDLE = 1, FRM_OU_LOC = 2, FRM_OU_RMT = 3 };
    enum TxFlag { FRM_TX_IDLE = 4, FRM_TX_LOC = 5, FRM_TX_RMT = 6 };
    enum RxFlag { FRM_RX_IDLE = 7, FRM_RX_LOC = 8, FRM_RX_RMT = 9 };

    int frmOuFlag() const { return frmOuFlag_; }
    int frmTxFlag() const { return frmTxFlag_; }
    int frmRxFlag() const { return frmRxFlag_; }
    int inProcFlag() const { return server_.busy() ? 1 : 0; }
    bool portIsUp() const { return !portDown_; }
    const EePairTable& eePairTable() const { return eePairTbl_; }
    int txQueLength() const { return txQue_.length(); }
    int reqProcQueLength() const { return server_.queue().length(); }

  protected:
    virtual void proc_port_ready(cMessage* msg);
    virtual void initEePairTbl();
    virtual void alloc_eepair(cMessage* msg);
    virtual void remove_eepair(cMessage* msg);
    virtual int query_eepair(unsigned long peerAddrId);
    virtual int query_eepair_by_eeidx(int eeIndex);
    virtual void proc_frame_out(cMessage* msg);
    virtual void proc_arbi_que();
    cMessage* queue_out_token(int frmOuFlag);
    virtual void proc_head_out();
    virtual void proc_pay_out();
    virtual void proc_tail_out();
    virtual void send_frame_head();
    virtual void send_frame_pay();
    virtual void send_frame_tail();
    virtual void proc_frame_in(cMessage* msg);
    virtual void req_frm_rx(cMessage* msg);
    virtual void req_frm_fwd(cMessage* msg);
    virtual void recv_frame_pay(FcFramePayload* payload);
    virtual void recv_frame_tail(FcFrameTail* tail);
    virtual void clear_resources();
    virtual void delete_message(cMessage* msg);
    virtual void ini_frame_tx();
    virtual void end_frame_tx();
    virtual void setup_loctx_active(FcFrameHead* head);
    virtual void setup_locrx_active(FcFrameHead* head);
    virtual void proc_rrdy_recv();
    virtual void proc_request();
    virtual void release_resource();
    virtual void warnings(LogKind kind, const char* text);
    virtual void load_swport_params();
    virtual void load_nport_params();
    virtual void write_nport_map(unsigned long addressId);

  private:
    void release_eepair(int i);
    void end_superseded_login(unsigned long peer);
    enum Source { FROM_FC1, FROM_FC4, FROM_SWCTRL, FROM_PAIR, FROM_SELF, FROM_OTHER };
    static constexpr int NODE_PORT_ROLE = 1;
    static constexpr int SWITCH_PORT_ROLE = 45;

    void create_pairs();
    void note_pair_gates();
    void start();
    Source source_of(const cMessage* msg) const;
    void handle(cMessage* msg);
    void handle_frame_part(cMessage* msg, Source from);
    void handle_req_frm_fwd(cMessage* msg, Source from);
    void handle_seq_payload(cMessage* msg, Source from);
    // A request for a pair that FC-4 may send only while the port is up.
    void queue_or_ignore(cMessage* msg, const char* downWarning);
    // A report of a pair to FC-4; while the port is down it is a fault,
    // told by `downError`, in which a %s stands for the message's name. The
    // text is formatted only then: these reports come with every exchange.
    void pass_up_or_fail(cMessage* msg, const char* downError);
    void into_request_queue(cMessage* msg);
    void end_request(cMessage* msg);
    void link_down(cMessage* msg);
    void adopt_address(const LocalFrameActive& record);
    // Discards a request for which the pair is missing, and frees the controller.
    void drop_request(cMessage* msg);
    // The port's `addressId`, or null when it has none.
    cPar* port_address();
    void update_tx_que_len() { txQueLen_->setLongValue(txQue_.length()); }
    bool outbound_frame_on_the_wire() const;
    bool to_swctrl_routed() const;
    void send_frame_part(cMessage* msg) { send(msg, toFc1Id_); }
    [[noreturn]] void fail(cMessage* msg, const std::string& text);
    template <class Part>
    Part* part_of(cMessage* msg, const char* text);
    // Refuses `msg` with `text`, which names it through one %s.
    [[noreturn]] void refuse(cMessage* msg, const char* text);

    cModule* root_ = nullptr;
    cModule* fc2Layer_ = nullptr;
    cModule* port_ = nullptr;
    cPar* portAddress_ = nullptr; // the port's `addressId` once found
    int defConCurrSeq_ = 0;
    int portRole_ = NODE_PORT_ROLE;
    int maxEePair_ = 0;

    cQueue localQue_;
    cQueue remoteQue_;
    cQueue rmtQueAnx_;
    cQueue arbiQue_;
    // REQ_QUE_OUT tokens taken off arbiQue_, kept for the next frames.
    std::vector<cMessage*> spareTokens_;
    cQueue txQue_;
    RequestServer server_{"REQ_PROC_QUE", [this] { proc_request(); }};
    // The end of each request, one self-message for them all.
    RecurringSelfMessage requestEnd_{"NEXT_MSG", NEXT_MSG};

    int frmOuFlag_ = FRM_OU_IDLE;
    int frmTxFlag_ = FRM_TX_IDLE;
    int frmRxFlag_ = FRM_RX_IDLE;
    bool portDown_ = true;
    double busyStart_ = 0;
    bool mapPending_ = true;
    EePairTable eePairTbl_;

    LocalFrameActive locTxActive_{};
    LocalFrameActive locRxActive_{};
    unsigned long outboundGid_ = 0;
    unsigned long transmittingGid_ = 0;
    unsigned long receivingGid_ = 0;

    // Port parameters used on every frame.
    cPar* currBbCredit_ = nullptr;
    cPar* currBbCnt_ = nullptr;
    cPar* txQueLen_ = nullptr;
    cPar* txBufSize_ = nullptr;
    cPar* asicUtilDelta_ = nullptr;

    int fromFc1Id_ = -1, fromFc4Id_ = -1, fromSwctrlId_ = -1;
    // The gates from the pairs, when their ids run without a gap.
    int fromPairFirstId_ = -1, fromPairCount_ = 0;
    int toFc1Id_ = -1, toFc4Id_ = -1, toSwctrlId_ = -1;
    OutputGates toEePair_;
};
