#pragma once

#include <cstdint>

#include "device/OutputStream.h"

class cModule;
class cPar;
class cSimpleModule;
class NameServerDatabase;
class RoutingEngine;
class SwitchPortTable;

// The five statistics files of a switch, written by its control centre:
// per-port throughput (.PortThru), forwarding latency and per-port frame
// traffic (.SwTraffic), snapshots of the routing table (.RtTbl) and of the
// name-server database (.NsDb), and the busy shares of the centre and of
// each port's controllers (.AsicUtil). Counters are read from the ports by
// path and zeroed once written, so each row covers the period since the one
// before. Each writer arms the centre's timer for its next row until the run
// is done.
class SwitchStatistics {
  public:
    // The files are the centre's; what they show is the centre's ports,
    // routes and name-server database.
    SwitchStatistics(cSimpleModule* centre, const SwitchPortTable& ports, const RoutingEngine& routes,
                     const NameServerDatabase& nsDb);

    // At initialisation, for a switch `sw` of `portNum` ports in domain
    // `domain`: .PortThru and .SwTraffic and their period, then .RtTbl and
    // .NsDb and theirs.
    void create_files(cModule* root, cModule* sw, int portNum, std::uint32_t domain);
    // At the start of the coroutine, once the centre counts its busy time:
    // .AsicUtil and its period.
    void create_cpu_util();

    // NEXT_STAT: a .PortThru and a .SwTraffic row.
    void write_switch_stat();
    // SWCTR_UPD: a .RtTbl and a .NsDb snapshot.
    void write_swctr_upd();
    // NEXT_CPU_UTIL: an .AsicUtil row.
    void write_cpu_util();

    // The end of the run closes the files.
    void finish();

  private:
    void create_port_thru();
    void create_switch_traffic();
    void create_swctr_upd();
    void write_port_thru();
    void write_switch_traffic();
    void write_rt_snapshot();
    void write_ns_snapshot();
    void write_ns_group(const char* label, int feature, int columns);
    void arm(const char* name, int kind, double period);

    cSimpleModule* centre_;
    const SwitchPortTable& ports_;
    const RoutingEngine& routes_;
    const NameServerDatabase& nsDb_;
    cModule* root_ = nullptr;
    cModule* sw_ = nullptr;
    int portNum_ = 0;
    std::uint32_t domainId_ = 0;

    cPar* frmFwdDelta_ = nullptr;
    cPar* latSumDelta_ = nullptr;
    cPar* asicUtilDelta_ = nullptr;
    double swStatPeriod_ = 0;
    double swCtrUpdPeriod_ = 0;
    double cpuUtilPeriod_ = 0;
    int nsDbOutCol_ = 0;
    OutputStream portThru_;
    OutputStream swTraffic_;
    OutputStream rtTbl_;
    OutputStream nsDbFile_;
    OutputStream asicUtil_;
};
