#pragma once

#include <cstdint>
#include <string>

#include "switch/NameServerDatabase.h"
#include "switch/SwitchOutbox.h"
#include "switch/ZoneSet.h"

class cMessage;
class cModule;
class FcGsPacket;
class FspfProtocol;
class SwIlsPacket;
class SwitchPortTable;

// The name server of a switch: N_Ports are entered when their F_Port comes
// up, registered with their FCP role by RFF_ID, listed by GID_FT and asked
// about by GFF_ID, both limited to the asker's zones when it is an N_Port.
// Every registration and every loss is told to the switch's other N_Ports
// (RSCN) and to its adjacent switches (SW_RSCN); the ports of a domain no
// longer reachable are dropped and told the same way, and when a domain
// becomes reachable the neighbours are asked for their port lists.
//
// The control centre hands it the name-server work at the end of its
// processor tasks and sends what it leaves in its outbox.
class SwitchNameServer {
  public:
    // Errors stop the run through `owner`, which also writes the port-list
    // files; the port states and the neighbours are the centre's.
    SwitchNameServer(const cModule* owner, const SwitchPortTable& ports, const FspfProtocol& fspf);

    // The zone set, filled at the start of the coroutine.
    ZoneSet& zone_set() { return zones_; }
    // At the start of the coroutine: root `maxNsDbEntry` entries, none used.
    void initNsDb(cModule* root, std::uint32_t domain);
    // The N_Port of a new F_Port, not yet registered.
    void add_n_port(std::uint32_t portId);

    void proc_rff_id(FcGsPacket* packet, int port);
    void proc_gid_ft(cMessage* msg, int port);
    void proc_gff_id(FcGsPacket* packet, cMessage* msg, int port);
    void proc_sw_rscn(SwIlsPacket* packet, int port);
    void recv_pid_list(FcGsPacket* packet, int port);
    // An F_Port the centre has just marked down.
    void lose_f_port(int port);
    // The registered ports of a domain no longer reachable are gone.
    void drop_domain(std::uint32_t domain);
    void ask_port_lists();

    SwitchOutbox& output() { return out_; }
    const NameServerDatabase& database() const { return nsDb_; }

  private:
    void flood_rscn(int skipPort, std::uint32_t portId, bool online);
    void issue_rscn(int port, std::uint32_t portId, std::uint32_t destAddrId);
    void issue_sw_rscn(int port, std::uint32_t portId, bool online, int destDom);
    void ask_features(std::uint32_t portId, int port);
    cMessage* gs_answer(const char* name, int kind, cMessage* query) const;
    bool check_zone_conf(std::uint32_t a, std::uint32_t b) const { return zones_.shared_zone(a, b); }
    std::string create_gidft_file();

    const cModule* owner_;
    const SwitchPortTable& ports_;
    const FspfProtocol& fspf_;
    cModule* root_ = nullptr;
    std::uint32_t domainId_ = 0;
    NameServerDatabase nsDb_;
    ZoneSet zones_;
    SwitchOutbox out_;
};
