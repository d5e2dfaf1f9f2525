#pragma once

#include <memory>
#include <string>
#include <vector>

#include "device/OutputGates.h"
#include "fc4/EePairPeers.h"
#include "fc4/Fc4Site.h"
#include "fc4/FcpPairTable.h"
#include "fc4/PeerList.h"
#include "messages/MsgSubclass_m.h"
#include "network/RunLog.h"
#include "sim/Sim.h"

// The FC-4 controller of a node port (`Fc4Ctrl` in `Fc4Layer`): the single
// door between FC-2 (through the device's bus), the device's processor (on
// the ulp gates) and the port's FC-4 services: the extended link services,
// the generic services and one SCSI-FCP engine per initiator-target pair.
//
// It asks the processor for time before every piece of FC-4 work and hands
// the work on only under the grant, from one of two queues: the annex queue
// for link-service work, held back while the link services have as many
// exchanges open as the port may have, and the normal queue for everything
// else. Every grant ends with exactly one COMP_CPU_PROC.
//
// It also drives the port's bring-up (fabric login, link reset, name-server
// registration and queries, port login to every target found) and keeps the
// table of FCP pairs and the list of peer N_Ports.
class Fc4Controller : public cSimpleModule {
  public:
    Fc4Controller(const char* name, cModule* parent, unsigned stackSize);
    ~Fc4Controller() override;

    void initialize() override;
    void activity() override;
    void finish() override {}

    // For inspection: the queues and tables.
    const cQueue& normalQueue() const { return normalQue_; }
    const cQueue& annexQueue() const { return annexQue_; }
    const cQueue& heldQueue() const { return heldQue_; }
    bool deviceDown() const { return deviceDown_; }
    FcpPairTable& pairTable() { return pairs_; }
    const PeerList& peerList() const { return peers_; }

  protected:
    virtual void proc_request(bool anx);
    virtual void delete_message(cMessage* msg);
    virtual void delete_scsi_msg(SendScsiCmd* cmd);
    virtual void initFcpPairTbl();
    virtual void alloc_fcppair(cMessage* msg);
    virtual void remove_fcppair(cMessage* msg);
    virtual FcpPair* query_fcppair(unsigned long id);
    virtual int get_fcpindex_by_eeindex(int eeIndex);
    virtual bool lookup_fcp_index(int k);
    virtual FcpPair* query_fcppair_by_fcpidx(int k);
    virtual void proc_recv_seq(FcSeqPayload* seq);
    virtual bool isin_local_pf(cModule* device, unsigned long id);
    virtual bool is_local_nport(unsigned long id);
    virtual void proc_target_found(unsigned long id);
    virtual void proc_initiator_found(unsigned long id);
    virtual void proc_nport_lost(unsigned long id);
    virtual void recv_pid_list(FcGsPacket* packet);
    virtual void clear_fc4_resource();
    virtual void release_resource();
    virtual void req_cpu_proc(cMessage* msg, bool anx);
    virtual void comp_cpu_proc();
    virtual void warnings(LogKind kind, const char* text);
    virtual void load_fc4_params();

  private:
    void handle(cMessage* msg);
    // False when the message is dropped because the device is down; a kind
    // that cannot arrive then stops the run.
    bool admit_while_down(cMessage* msg);
    void take_grant(cMessage* msg);
    void pass_sequence(cMessage* msg);
    void take_found_port(cMessage* msg);
    void take_lost_port(cMessage* msg);
    void take_pid_list(cMessage* msg);
    void serve(cMessage* msg);
    void proc_port_up(cMessage* msg);
    void proc_port_down_while_down(cMessage* msg);
    void proc_flogi_done(cMessage* msg);
    void proc_oesb_free(cMessage* msg);
    void pass_with_ee_index(cMessage* msg, const char* missingText);
    void pass_path_message(cMessage* msg);
    void serve_primitive(cMessage* msg);
    void release_held_sequences();
    void schedule_self(cMessage* msg, simtime_t at);
    bool fcpIni() const;
    unsigned long peer_of(const FcpPair& pair) const;
    cMessage* plain(const char* name, int kind) const;
    // The exchanges the link services have open.
    long link_service_exchanges();

    std::unique_ptr<Fc4Site> site_;
    cModule* layer_ = nullptr;
    cModule* port_ = nullptr;
    cModule* fcgs_ = nullptr;
    cModule* fcels_ = nullptr;
    // The link services' `currConCurrIu`, found on first use.
    const cPar* fcgsOpen_ = nullptr;
    const cPar* fcelsOpen_ = nullptr;
    // The layer's login flags, read on every sequence that passes.
    cPar* flogiDone_ = nullptr;
    cPar* flogiLrDone_ = nullptr;
    // The gates every sequence takes, resolved once the gate vectors are sized.
    int fromFc2_ = -1;
    int toFc2_ = -1;
    int toUlp_ = -1;
    int toFcels_ = -1;
    int toFcgs_ = -1;
    OutputGates toFcp_;
    cQueue normalQue_;
    cQueue annexQue_;
    // Sequences that arrived between the fabric login and the link reset's
    // PORT_UP; they are served once the port is up.
    cQueue heldQue_;
    // Requests scheduled to this module and not yet arrived; a link drop
    // cancels them so that a stale login does not outlive it.
    std::vector<cMessage*> pendingSelf_;
    bool deviceDown_ = true;
    long defConCurrSeq_ = 0;
    int maxFcpPair_ = 0;
    // The configuration file whose section [2] sets this port's MaxPeerPort.
    std::string confFile_;
    long edTov_ = 0;
    long raTov_ = 0;
    long bbCredit_ = 0;
    FcpPairTable pairs_;
    mutable EePairPeers eePeers_;
    PeerList peers_;
};
