#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "fcport/PortCodes.h"
#include "messages/MsgSubclass_m.h"
#include "sim/Sim.h"

// Small modules that play FC-1, FC-4 and the switch centre around the FC-2
// layer under test, and the devices that hold them.
//
// StandInFc1 (as "Fc1" of a stand-in port) reports LINK_UP, puts every frame
// part from FC-2 on the cable with its line time (ten bit-times per byte at
// the port's `currPortSpeed`), answers FRAME_TX_OK when a tail starts, keeps a
// receive buffer of `rxBufSize` frames that it hands to FC-2 one at a time
// (REQ_FRM_RX, or REQ_FRM_FWD in a switch port) and returns an R_RDY for
// every frame FC-2 completes. It logs what FC-2 sent and the credit in use.
// A script of its port can take the link down and bring it up again.
//
// Scripted modules run a test's lambda in their coroutine and afterwards log
// whatever arrives.

// What a stand-in FC-1 saw and did, per port compound path.
struct Fc1Record {
    std::vector<std::unique_ptr<cMessage>> sent; // copies of the frame parts FC-2 sent, in order
    int framesInFlight = 0;
    int maxFramesInFlight = 0;
    std::vector<double> frameTxOkTimes; // when each tail started on the line

    std::vector<FcFrameHead*> heads() const;
    std::vector<FcFramePayload*> payloads() const;
    std::vector<FcFrameTail*> tails() const;
};

// When a stand-in FC-1 reports link changes (negative: never).
struct Fc1Script {
    double linkUpAt = 0;
    double linkDownAt = -1;
    double linkUpAgainAt = -1;
};

struct Arrival {
    int kind;
    std::string name;
    double time;
    std::unique_ptr<cMessage> copy;
    std::string contextName; // of the object an envelope brought, which the receiver deleted
};

class Scripted;
using Script = std::function<void(Scripted&)>;

class Scripted : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    void activity() override;

    // Sends on the module's only output gate.
    void out(cMessage* msg);
    // Receives and logs until a message of `kind` arrives; returns its log entry.
    const Arrival& await(int kind);
    // Logs a message and disposes of it with what it brought.
    const Arrival& take(cMessage* msg);
};

// Test state, cleared by reset_stand_ins().
extern std::map<std::string, Fc1Record> fc1Records;
extern std::map<std::string, Fc1Script> fc1Scripts;
extern std::map<std::string, Script> scripts;
extern std::map<std::string, std::vector<Arrival>> arrivals;
void reset_stand_ins();

// A named FC-4 object that travels by address with a sequence; its deletion
// is put on record in `deletedContexts`.
cMessage* context_object(const char* name);
extern std::vector<std::string> deletedContexts;

// A sequence envelope as FC-4 hands it down.
struct Envelope {
    unsigned long sId = 0x010100;
    unsigned long dId = 0x010200;
    unsigned type = 8;
    unsigned rCtl = 6;
    long length = 1;
    bool firstSeq = true;
    bool lastSeq = true;
    bool xferSeqInit = false;
    int classOfSrv = CLASS_3;
    bool roPresent = false;
    unsigned long params = 0;
    unsigned long fc4MemAddr = 1;
    unsigned long fc4IuIndex = 1;
    int origInitSsbSize = 1;
    int origRecpSsbSize = 0;
    int respInitSsbSize = 0;
    int respRecpSsbSize = 1;
    cMessage* context = nullptr;

    FcSeqPayload* make() const;
};

// A REQ_EEPAIR for a peer.
cMessage* req_eepair(unsigned long peer, long conCurrSeq = 4, long recTov = 100);
