#pragma once

#include <map>
#include <string>
#include <vector>

#include "sim/Sim.h"
#include "tests/shared/RoutedFrame.h"

// Stands in for the control centre of a switch, for tests that look at
// what the switch ports hand their centre: the module type
// "SwitchCentreStandIn", with the interface of "SwitchConstruct", is the
// centre `SwCtrlCtr` of the compound "StandInFcSwitch" (a real FcSwitch
// otherwise), and reaches port i through the port's transport on
// `from_swport[i]` / `to_swport[i]`.
//
// At initialisation it gives the switch `domainId`, `raTov` and `edTov` from
// section "[1]" of the switch's configuration file, as the real centre does.
//
// It plays a name server for the switch's own F_Ports: an N_Port is entered
// at F_PORT_UP (feature 255, unregistered) and dropped at its port's
// DEV_DOWN; RFF_ID registers the feature (1 initiator, 0 target); both
// changes are told to the N_Ports of the other F_Ports by ISSUE_RSCN. GID_FT
// is answered with a new id-list file of every registered port, GFF_ID with
// the feature of a registered port or a reject.
//
// It forwards a frame to the F_Port that leads to its D_ID: the head in a
// REQ_FRM_FWD, marked with the Domain_ID as "hop-<n>", then payload and
// tail; the output port's ACK_FRM_FWD and COM_FRM_FWD go back to the source
// port. A frame for an address no port leads to is refused with RJT_FRM_FWD.
// When a port goes down the frames in flight through it are closed so that
// the other port frees its buffer: a source still waiting is answered with
// ACK_FRM_FWD and, once its tail is dropped here, COM_FRM_FWD; a destination
// still waiting for the rest of a frame gets an empty payload and an EOFa
// tail. It routes nothing between switches.
//
// E_PORT_UP, FSPF packets, GOT_SW_RSCN and RECV_PID_LIST are recorded and
// dropped, with what they carry.
class SwitchCentreStandIn : public cSimpleModule {
  public:
    using Frame = RoutedFrame;
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
        int kind; // F_PORT_UP, E_PORT_UP or DEV_DOWN
        unsigned long portId;
    };
    // Everything that came from a port, in order.
    struct Arrival {
        double time;
        int port;
        int kind;
        std::string name;
    };

    SwitchCentreStandIn(const char* name, cModule* parent, unsigned stackSize);
    ~SwitchCentreStandIn() override;
    void initialize() override;
    void activity() override;

    // Sends `msg` to port `port` at `time`, as the centre would.
    void sendAt(double time, int port, cMessage* msg);

    std::vector<Frame> frames;
    std::vector<Query> queries;
    std::vector<PortEvent> portEvents;
    std::vector<Arrival> arrivals;
    int refused = 0;

    std::vector<const Query*> queriesOfKind(int kind) const;
    std::vector<const PortEvent*> portEventsOfKind(int kind) const;
    std::vector<const Arrival*> arrivalsOfKind(int kind) const;
    // The forwarded frames of one TYPE and routing control, in order.
    std::vector<const Frame*> framesOf(unsigned type, unsigned rCtl) const;

  private:
    struct Entry {
        int port;
        int feature; // 255 unregistered, 1 initiator, 0 target
    };
    struct Route {
        int from, to;
        size_t frame;
        bool headDone, payDone, tailDone;
    };
    struct Injection {
        double time;
        int port;
        cMessage* msg;
    };

    void handle(cMessage* msg, int port);
    void port_up(cMessage* msg, int port);
    void port_down(cMessage* msg, int port);
    void drop(cMessage* msg);
    void forward_head(cMessage* coat, int port);
    void forward_part(cMessage* msg, unsigned long gid);
    void acknowledge(cMessage* ack);
    void complete(cMessage* com);
    void close_routes_of(int port);
    void abort_rest(unsigned long gid, Route& route);
    void answer_gid_ft(cMessage* msg, int port);
    void answer_gff_id(cMessage* msg, int port);
    void register_feature(cMessage* msg, int port);
    void flood_rscn(int skip, unsigned long id);
    int port_of(unsigned long id) const;
    bool up(int port) const;
    cMessage* answer(const char* name, int kind, cMessage* request) const;
    void to_port(cMessage* msg, int port);

    cModule* root_ = nullptr;
    long domainId_ = 0;
    std::map<unsigned long, Entry> nameServer_;
    std::map<unsigned long, Route> routes_; // frames in flight, by frmGid
    std::vector<bool> portUp_;
    std::vector<unsigned long> portAddress_; // of the N_Port on each F_Port
    std::vector<Injection> injections_;
};
