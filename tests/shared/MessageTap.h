#pragma once

#include <string>
#include <vector>

#include "sim/Sim.h"

// A probe spliced into one connection of a built network: it passes every
// message on at once, unchanged, and records what went by. A test can also
// have it send messages of its own along the connection at given times, as
// the module before it would.
class MessageTap : public cSimpleModule {
  public:
    struct Passage {
        double time;
        int kind;
        std::string name;
        unsigned type;      // a sequence's TYPE, else 0
        unsigned long code; // the command code of the packet a sequence carries, else 0
        unsigned long key;  // a sequence's exchange key, else 0
        unsigned long sId;  // a sequence's S_ID and D_ID, else 0
        unsigned long dId;
        // Of what passes a switch centre: a frame head's TYPE (in `type`),
        // R_CTL, S_ID and D_ID (in `sId`, `dId`) and its "hop-<n>" marks; a
        // payload's length; the frame's switch-wide id; the long parameters
        // `portId`, `srcPort` and `entryNum` or a name-server packet's port.
        unsigned rCtl = 0;
        unsigned long payLen = 0;
        unsigned long frmGid = 0;
        std::vector<long> hops{};
        long portId = -1;
        long srcPort = -1;
        long entryNum = -1;
        long destDom = -1; // the long parameter of that name
        // Of an FSPF packet: its command code (in `code`), origDomId (in
        // `sId`), recpDomId (in `dId`), lsrNum (in `entryNum`), msgLen (in
        // `payLen`), and the text of an LSU's record file as it stood when
        // the packet went by, with the file's name.
        unsigned long origPortIndex = 0;
        std::string lsuFileName{};
        std::string lsuText{};
    };

    MessageTap(const char* name, cModule* parent, unsigned stackSize);
    void activity() override;

    // Cuts the connection that leaves `from` and puts a new tap named `name`
    // (under `owner`) in its place. Call after the network is built and
    // before it is initialised.
    static MessageTap* splice(cModule* owner, const char* name, cGate* from);

    // Sends `msg` on at `time`.
    void inject(double time, cMessage* msg);

    std::vector<Passage> passed;
    std::vector<const Passage*> ofKind(int kind) const;
    // The sequences that carried a packet of this name.
    std::vector<const Passage*> carrying(const std::string& name) const;

  private:
    void record(cMessage* msg);
    void record_switching(cMessage* msg, Passage& p);
    static void record_fspf(cMessage* msg, Passage& p);
    std::vector<std::pair<double, cMessage*>> pending_;
};
