#pragma once

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "device/OutputStream.h"
#include "device/RequestServer.h"
#include "sim/Sim.h"
#include "switch/ForwardingTable.h"
#include "switch/LinkStateRecords.h"
#include "switch/NameServerDatabase.h"
#include "switch/RoutingEngine.h"
#include "switch/ZoneSet.h"

struct TaskTiming;
class FcFrameHead;
class FcGsPacket;
class FspfPacket;
class SwIlsPacket;

// The interface of the switch control centre (`SwCtrlCtr`), a simple module
// of 16384 bytes of stack: the forwarding counters that its traffic rows
// read and reset, and one gate pair per switch port, port i on index i.
extern const sDescrItem switchConstructItems[];

constexpr unsigned SWITCH_CONSTRUCT_STACK = 16384;

// The control centre of one switch. It owns the switch-wide state: domain
// and time-outs, the port state table, the forwarding table of the frames in
// flight, the name-server database and the zone set, and the statistics
// files. Work that costs switch processor time (routing a frame head, port
// loss, name-server operations) waits in one queue served a task at a time;
// the task's effects happen when its time is up. Everything else is handled
// on arrival.
//
// The link-state database and the shortest paths computed from it are the
// routing engine's (RoutingEngine), which the centre owns and rebuilds.
//
// The members are spread over files by concern: set-up and processor queue
// (SwitchConstruct.cc), forwarding (SwitchForwarding.cc), link-state
// protocol (SwitchFspf.cc), acting on routing changes (SwitchRouting.cc),
// name server and zoning (SwitchNameServer.cc), statistics and end of run
// (SwitchStatistics.cc).
class SwitchConstruct : public cSimpleModule {
  public:
    // Port states of the port state table.
    static constexpr int PORT_DOWN_STATE = 0;
    static constexpr int F_PORT_STATE = 129;
    static constexpr int E_PORT_STATE = 132;

    struct PortState {
        int state = PORT_DOWN_STATE;
        int speedCode = 79;
        bool twoWay = false;
        bool adjacent = false;
        double lastHelloSent = 0;
        std::uint32_t neighbourDomain = 0xFFFFFFFF;
        // Domains whose records were accepted after the whole database went
        // out on the port and before it became adjacent, which flooding skips.
        std::vector<std::uint32_t> acceptedSinceDatabase;
    };

    SwitchConstruct(const char* name, cModule* parent, unsigned stackSize);
    ~SwitchConstruct() override;
    void initialize() override;
    void activity() override;
    void finish() override;
    void abandonRun() override;

    // What the run's other switches and the tests may read.
    std::uint32_t domain_id() const { return domainId_; }
    const std::vector<PortState>& port_states() const { return portStat_; }
    const ForwardingTable& forwarding_table() const { return fwdTable_; }
    const NameServerDatabase& name_server() const { return nsDb_; }
    const ZoneSet& zone_set() const { return zones_; }
    const RoutingTable& routing_table() const { return routes_.table(); }
    const LsrTable& lsr_table() const { return routes_.records(); }

  protected:
    // Set-up.
    virtual void load_switch_params();
    virtual void reg_pfname();
    virtual void initConst();
    virtual void initSwRtCtr();
    virtual void initSwPortStat();
    virtual void initRtTable();
    virtual void initFrmFwdTbl();
    virtual void initNsDb();

    // Processor queue and dispatch.
    virtual void proc_msg_que();
    virtual void msg_proc_ctr(cMessage* msg, int port);
    virtual void release_resources();
    virtual void delete_message(cMessage* msg);
    virtual void warnings(const char* text);

    // Forwarding.
    virtual void proc_fwd_req(cMessage* msg);
    virtual int lookup_routing_table(cMessage* msg);
    virtual void proc_fwd_ack(cMessage* msg);
    virtual void fwd_frm_pay(cMessage* msg);
    virtual void fwd_frm_tail(cMessage* msg);
    virtual void proc_fwd_com(cMessage* msg);
    virtual void proc_link_down(int port);
    virtual int get_dest_dom(int port);

    // Link-state protocol.
    virtual void proc_fspf_packet(FspfPacket* packet, int port);
    virtual void add_an_ld(FspfPacket* hello, int port);
    virtual void update_an_lsr(LinkStateRecord& lsr, int port);
    virtual void proc_an_lsu(FspfPacket* packet, int port);
    virtual void proc_an_lsa(FspfPacket* packet, int port);
    virtual std::string create_lsu_file();

    // Shortest-path routing.
    virtual void build_routing_table();

    // Name server and zoning.
    virtual void init_zone_set();
    virtual void load_zone_set();
    virtual void display_zone_set();
    void warn_of_unzoned_initiators();
    virtual bool check_zone_conf(std::uint32_t a, std::uint32_t b) const;
    virtual void proc_rff_id(FcGsPacket* packet, int port);
    virtual void proc_gid_ft(cMessage* msg, int port);
    virtual void proc_gff_id(FcGsPacket* packet, cMessage* msg, int port);
    virtual void proc_sw_rscn(SwIlsPacket* packet, int port);
    virtual void recv_pid_list(FcGsPacket* packet, int port);
    virtual void flood_rscn(int skipPort, std::uint32_t portId, bool online);
    virtual void issue_rscn(int port, std::uint32_t portId, std::uint32_t destAddrId);
    virtual void issue_sw_rscn(int port, std::uint32_t portId, bool online, int destDom);
    virtual std::string create_gidft_file();

    // Statistics.
    virtual void create_port_thru();
    virtual void create_switch_traffic();
    virtual void create_swctr_upd();
    virtual void create_cpu_util();
    virtual void write_switch_stat();
    virtual void write_port_thru();
    virtual void write_switch_traffic();
    virtual void write_swctr_upd();
    virtual void write_cpu_util();

  private:
    // Set-up (SwitchConstruct.cc).
    void read_link_costs();
    void check_duplicate_domain();
    void start_coroutine();
    void dispatch(cMessage* msg);
    void enqueue(cMessage* msg, int port);
    void end_of_task(cMessage* msg);
    void run_coat(cMessage* coat);
    const TaskTiming* task_of(const cMessage* msg) const;
    void e_port_up(cMessage* msg, int port);
    void f_port_up(cMessage* msg, int port);
    int speed_code(int port, const char* illegalText) const;
    void to_port(cMessage* msg, int port);
    cModule* sw_port(int port) const;
    long area_of(int port) const;
    bool port_up(int port) const;

    // Forwarding (SwitchForwarding.cc).
    void reject_request(cMessage* msg, int srcPort);
    void mark_hop(FcFrameHead* head) const;
    void close_frames_of(int port);
    void send_abort_rest(int entry);
    void send_new_ack(const FrmFwdTable& e);
    void send_new_com(int srcPort, std::uint32_t frmGid);
    int find_entry(std::uint32_t frmGid, const char* missingText) const;

    // Link-state protocol (SwitchFspf.cc).
    void issue_hello(cMessage* msg);
    void schedule_hello(int port);
    void proc_hello(FspfPacket* hello, int port);
    void lose_e_port(int port);
    void flood_local_lsr(int skipPort);
    bool adjacent_e_port(int port) const;
    bool awaiting_adjacency(int port) const;
    void note_accepted_since_database(int port, std::uint32_t domain);
    void send_accepted_since_database(int port);
    FspfPacket* new_fspf_packet(const char* name, unsigned cmdCode) const;
    void send_lsu(int port, unsigned long lsrNum, const std::string& path, unsigned long msgLen);
    void read_lsu_record(std::istream& in, const std::string& path, bool& acknowledged, int port);

    // Shortest-path routing (SwitchRouting.cc).
    void drop_domain(std::uint32_t domain);
    void ask_port_lists();

    // Name server (SwitchNameServer.cc).
    void lose_f_port(int port);
    void ask_features(std::uint32_t portId, int port);
    cMessage* gs_answer(const char* name, int kind, cMessage* query) const;

    // Statistics (SwitchStatistics.cc).
    void arm(const char* name, int kind, double period);
    long take_long(cModule* mod, const char* name) const;
    double take_busy(cModule* mod) const;
    void write_rt_snapshot();
    void write_ns_snapshot();
    void write_ns_group(const char* label, int feature, int columns);

    cModule* sw_ = nullptr;
    cModule* root_ = nullptr;
    int swPortNum_ = 0;
    std::uint32_t domainId_ = 0;
    int swIndex_ = 0;
    long pfName_ = 0;
    long equipId_ = 0;
    int link1GCost_ = 0;
    int link2GCost_ = 0;
    int maxDomNum_ = 0;
    int maxSwPortNum_ = 0;
    std::string confFile_;

    std::vector<PortState> portStat_;
    std::vector<cModule*> swPorts_;
    RoutingEngine routes_{this};
    ForwardingTable fwdTable_;
    std::vector<TrunkRecord> trunkQue_; // TRUNK_QUE
    NameServerDatabase nsDb_;
    ZoneSet zones_;

    RequestServer server_{"REQ_PROC_QUE", [this] { proc_msg_que(); }};
    double busyStart_ = 0;

    double cpuUtilPeriod_ = 0;
    double cpuClock_ = 0;
    double memClock_ = 0;
    const TaskTiming* frmFwdTask_ = nullptr;
    const TaskTiming* nsZoneTask_ = nullptr;
    const TaskTiming* rtBuldTask_ = nullptr;
    cPar* asicUtilDelta_ = nullptr;
    cPar* frmFwdDelta_ = nullptr;
    cPar* latSumDelta_ = nullptr;

    double swStatPeriod_ = 0;
    double swCtrUpdPeriod_ = 0;
    int nsDbOutCol_ = 0;
    OutputStream portThru_;
    OutputStream swTraffic_;
    OutputStream rtTbl_;
    OutputStream nsDbFile_;
    OutputStream asicUtil_;
};
