#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "messages/MsgSubclass_m.h"
#include "sim/Sim.h"

// Stands in for everything below the FC-4 layers of a small SAN: each node
// port's FC-2 controller and exchange engines, the cables, the switch and
// its name server. Node port n is on gates `port_in[n]` / `port_out[n]`;
// switch port s, reached by its dispatcher, on gates nodes.size() + s.
//
// Sequences pass unchanged, `hop` seconds per crossing: to a node by D_ID,
// to the switch port of the sender for the login server and the name server.
// Like FC-2, it gives a node the address of the first frame sent to it after
// fabric login, allocates exchange pairs on REQ_EEPAIR, reports the end of
// originator exchanges (OESB_FREE), keeps the initiative after data in
// (KEEP_IU_INIT), drops what arrives for an exchange already released
// (RESB_FREE) and turns the abort requests into their answers.
class TestFabric : public cSimpleModule {
  public:
    struct Node {
        cModule* nxPort;
        int switchPort;
    };
    struct Sequence {
        double time;
        int from; // node index, or -1 - s for switch port s
        unsigned rCtl;
        unsigned type;
        unsigned long sId;
        unsigned long dId;
        unsigned long key;
        long length;
        bool firstSeq;
        bool lastSeq;
        bool xferSeqInit;
        std::string unit;   // the carried packet or information unit
        unsigned long code; // its command code (ELS, GS), 0 for FCP units
        bool delivered;
        int classOfSrv;
    };
    struct Event {
        double time;
        int from;
        int kind;
        std::string name;
    };
    struct LinkEvent {
        double time;
        int node;
        bool up;
    };

    TestFabric(const char* name, cModule* parent);
    void activity() override;
    // Sizes the gate vectors once `nodes` and `switchPorts` are set.
    void sizeGates();

    // Configuration, before the run.
    std::vector<Node> nodes;
    int switchPorts = 0;
    double hop = 1e-6;
    double resetDelay = 1e-3;
    double dataInExtraDelay = 0;              // holds back data-in sequences
    int extraAnnouncedEntries = 0;            // GID_FT accepts announce this many more than listed
    std::vector<LinkEvent> linkEvents;        // besides the PORT_UP of every node at 0
    std::map<std::uint32_t, bool> nameServer; // registered ports: id -> initiator
    struct Injection {
        double time;
        int node;
        cMessage* msg;
    };
    std::vector<Injection> injections; // messages sent to nodes as FC-2 would
    // Called on a node's REQ_LINK_RESET; the default answers PORT_UP after
    // resetDelay.
    std::function<void(TestFabric&, int node)> onLinkReset;

    // What passed.
    std::vector<Sequence> sequences;
    std::vector<Event> events;

    std::vector<const Sequence*> sequencesNamed(const std::string& unit, int from = -100) const;
    std::vector<const Event*> eventsOfKind(int kind, int from = -100) const;

    // Helpers for hooks.
    void sendToNode(cMessage* msg, int node, double delay);
    void linkDown(int node);
    unsigned long address(int node) const;

  private:
    void fromNode(cMessage* msg, int node);
    void fromSwitch(cMessage* msg, int s);
    void route(FcSeqPayload* seq, int from, int viaSwitch);
    void deliver(FcSeqPayload* seq, int node, double delay);
    int nodeByAddress(unsigned long id) const;
    cModule* eePair(int node, int k) const;
    int pairOf(int node, unsigned long peer) const;
    int allocPair(int node, unsigned long peer);
    void nameServerAnswer(cMessage* msg, int s);
    int gateOfSwitch(int s) const { return static_cast<int>(nodes.size()) + s; }
    void record(FcSeqPayload* seq, int from, bool delivered);
    void event(cMessage* msg, int from);

    std::map<int, std::set<unsigned long>> originated_;
    std::map<int, std::set<unsigned long>> released_;
    std::map<std::uint16_t, unsigned long> keyOfOxId_;
};
