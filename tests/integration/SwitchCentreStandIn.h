#pragma once

#include <map>
#include <string>
#include <vector>

#include "sim/Sim.h"

// Stands in for the control centre of a switch whose ports are all F_Ports:
// a name server and a frame forwarder. Port i's FC-2 controller is on
// `from_fc2[i]` / `to_fc2[i]`, its FC-4 controller on `from_fc4[i]` /
// `to_fc4[i]`.
//
// The name server enters an N_Port at F_PORT_UP (feature 255, unregistered)
// and drops it at the port's DEV_DOWN; RFF_ID registers the feature (1 for an
// initiator, 0 for a target); both changes are told to the N_Ports of the
// other F_Ports by ISSUE_RSCN. GID_FT is answered with a new id-list file of
// every registered port, and GFF_ID with the feature of a registered port or
// a reject.
//
// The forwarder sends a received frame to the port that leads to its D_ID:
// the head in a REQ_FRM_FWD, marked with this switch's Domain_ID as
// "hop-<n>", then payload and tail; the output port's ACK_FRM_FWD and
// COM_FRM_FWD go back to the source port. A frame for an address no port
// leads to is refused with RJT_FRM_FWD. When a port goes down (DEV_DOWN) the
// frames in flight through it are closed so that the other port frees its
// buffer: a source still waiting is answered with ACK_FRM_FWD and, once its
// tail is dropped here, COM_FRM_FWD; a destination still waiting for the rest
// of a frame gets an empty payload and an EOFa tail.
class SwitchCentreStandIn : public cSimpleModule {
  public:
    struct Frame {
        double time;
        int from, to;
        unsigned long sId, dId;
        unsigned type, rCtl;
        unsigned long payLen;
    };
    struct Query {
        double time;
        int port;
        int kind; // GOT_RFF_ID, GOT_GID_FT or GOT_GFF_ID
        unsigned long portId;
        bool accepted;
        int entries;
    };
    struct PortEvent {
        double time;
        int port;
        int kind; // F_PORT_UP or DEV_DOWN
        unsigned long portId;
    };

    using cSimpleModule::cSimpleModule;
    void activity() override;

    std::vector<Frame> frames;
    std::vector<Query> queries;
    std::vector<PortEvent> portEvents;
    int refused = 0;

    std::vector<const Query*> queriesOfKind(int kind) const;
    // The forwarded frames of one TYPE and routing control, in order.
    std::vector<const Frame*> framesOf(unsigned type, unsigned rCtl) const;

  private:
    struct Entry {
        int port;
        int feature; // 255 unregistered, 1 initiator, 0 target
    };

    void from_port_fc4(cMessage* msg, int port);
    void from_port_fc2(cMessage* msg, int port);
    void forward_head(cMessage* coat, int port);
    void answer_gid_ft(cMessage* msg, int port);
    void answer_gff_id(cMessage* msg, int port);
    void register_feature(cMessage* msg, int port);
    int port_of(unsigned long id) const;
    void flood_rscn(int skip, unsigned long id);
    cMessage* answer(const char* name, int kind, cMessage* request) const;

    cModule* root_ = nullptr;
    long domainId_ = 0;
    std::map<unsigned long, Entry> nameServer_;
    struct Route {
        int from, to;
        size_t frame;
        bool headDone, payDone, tailDone;
    };
    void forward_part(cMessage* msg, unsigned long gid);
    void complete(cMessage* com);
    void port_down(int port);
    void abort_rest(unsigned long gid, Route& route);
    bool up(int port) const { return port >= 0 && port < int(portUp_.size()) && portUp_[port]; }

    std::map<unsigned long, Route> routes_; // frames in flight, by frmGid
    std::vector<bool> portUp_;
    std::vector<unsigned long> portAddress_; // of the N_Port on each F_Port
};
