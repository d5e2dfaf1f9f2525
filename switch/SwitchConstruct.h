#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "device/OutputGates.h"
#include "device/RequestServer.h"
#include "fcport/RecurringSelfMessage.h"
#include "messages/MsgKinds.h"
#include "network/RunLog.h"
#include "sim/Sim.h"
#include "switch/ForwardingTable.h"
#include "switch/FspfProtocol.h"
#include "switch/RoutingEngine.h"
#include "switch/SwitchNameServer.h"
#include "switch/SwitchOutbox.h"
#include "switch/SwitchPortTable.h"
#include "switch/SwitchStatistics.h"

struct TaskTiming;
class FcFrameHead;
class FspfPacket;

// The interface of the switch control centre (`SwCtrlCtr`), a simple module
// of 16384 bytes of stack: the forwarding counters that its traffic rows
// read and reset, and one gate pair per switch port, port i on index i.
extern const sDescrItem switchConstructItems[];

constexpr unsigned SWITCH_CONSTRUCT_STACK = 16384;

// The control centre of one switch. It owns the switch-wide state: domain
// and time-outs, the port state table and the forwarding table of the frames
// in flight. Work that costs switch processor time (routing a frame head,
// FSPF packets, port loss, name-server operations) waits in one queue served
// a task at a time; the task's effects happen when its time is up.
// Everything else is handled on arrival.
//
// The centre drives helpers it owns: the link-state protocol (FspfProtocol)
// keeps its records in the routing engine (RoutingEngine), which the centre
// rebuilds whenever the protocol changed them; the name server
// (SwitchNameServer) keeps the name-server database and the zone set; both
// leave the messages they build for the centre to send. The statistics files
// are SwitchStatistics'.
//
// The members are spread over files by concern: set-up, processor queue and
// dispatch (SwitchConstruct.cc) and forwarding (SwitchForwarding.cc).
class SwitchConstruct : public cSimpleModule {
  public:
    SwitchConstruct(const char* name, cModule* parent, unsigned stackSize);
    ~SwitchConstruct() override;
    void initialize() override;
    void activity() override;
    void finish() override;
    void abandonRun() override;

    // What the tests may read.
    const RoutingEngine& routing() const { return routes_; }
    const FspfProtocol& fspf() const { return fspf_; }
    const NameServerDatabase& name_server() const { return ns_.database(); }

  protected:
    // Set-up.
    virtual void load_switch_params();
    virtual void reg_pfname();
    void warn_of_prog_data_dir_without_slash();
    virtual void initConst();
    virtual void initSwRtCtr();
    virtual void initSwPortStat();
    virtual void initRtTable();
    virtual void initFrmFwdTbl();

    // Processor queue and dispatch.
    virtual void proc_msg_que();
    virtual void msg_proc_ctr(cMessage* msg, int port);
    virtual void release_resources();
    virtual void delete_message(cMessage* msg);
    virtual void warnings(LogKind kind, const char* text);

    // Forwarding.
    virtual void proc_fwd_req(cMessage* msg);
    // The output port for the frame of `head`, bound to `destId`, or -1.
    virtual int lookup_routing_table(const FcFrameHead& head, std::uint32_t destId);
    virtual void proc_fwd_ack(cMessage* msg);
    virtual void fwd_frm_pay(cMessage* msg);
    virtual void fwd_frm_tail(cMessage* msg);
    virtual void proc_fwd_com(cMessage* msg);
    virtual void proc_link_down(int port);

    // Link-state protocol and shortest-path routing.
    virtual void proc_fspf_packet(FspfPacket* packet, int port);
    virtual void build_routing_table();

  private:
    // Set-up, processor queue and dispatch (SwitchConstruct.cc).
    void check_duplicate_domain();
    void start_coroutine();
    void dispatch(cMessage* msg);
    void end_of_task(cMessage* msg);
    void run_coat(cMessage* coat);
    const TaskTiming* task_of(const cMessage* msg) const;
    void e_port_up(cMessage* msg, int port);
    void f_port_up(cMessage* msg, int port);
    int speed_code(int port, const char* illegalText) const;
    void to_port(cMessage* msg, int port);
    void send_output(SwitchOutbox& outbox);

    // Forwarding (SwitchForwarding.cc).
    void reject_request(cMessage* msg, int srcPort);
    void mark_hop(FcFrameHead* head) const;
    void close_frames_of(int port);
    void send_abort_rest(int entry);
    void send_new_ack(const FrmFwdTable& e);
    void send_new_com(int srcPort, std::uint32_t frmGid);
    // The entry `i` a lookup gave, or the run stops with `missingText`.
    int entry_or_stop(int i, const char* missingText) const;
    // The switch port a message from a port came in on; -1 for the centre's own.
    static int arrival_port(const cMessage* msg);

    cModule* sw_ = nullptr;
    cModule* root_ = nullptr;
    int swPortNum_ = 0;
    std::uint32_t domainId_ = 0;
    int swIndex_ = 0;
    long pfName_ = 0;
    long equipId_ = 0;
    int maxDomNum_ = 0;
    int maxSwPortNum_ = 0;
    std::string confFile_;

    SwitchPortTable ports_;
    RoutingEngine routes_{this};
    FspfProtocol fspf_{this, routes_, ports_};
    SwitchNameServer ns_{this, ports_, fspf_};
    SwitchStatistics stats_{this, ports_, routes_, ns_.database()};
    ForwardingTable fwdTable_;
    std::vector<TrunkRecord> trunkQue_; // TRUNK_QUE

    RequestServer server_{"REQ_PROC_QUE", [this] { proc_msg_que(); }};
    // The processor's task and its end, one self-message each for every request.
    RecurringSelfMessage taskCoat_{"MSG_COAT", MSG_COAT};
    RecurringSelfMessage taskEnd_{"NEXT_MSG", NEXT_MSG};
    double busyStart_ = 0;

    double cpuClock_ = 0;
    double memClock_ = 0;
    const TaskTiming* frmFwdTask_ = nullptr;
    const TaskTiming* nsZoneTask_ = nullptr;
    const TaskTiming* rtBuldTask_ = nullptr;
    cPar* asicUtilDelta_ = nullptr;
    cPar* frmFwdDelta_ = nullptr;
    OutputGates toSwPort_;
    cPar* latSumDelta_ = nullptr;
};
