#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "device/TaskTiming.h"
#include "messages/MsgSubclass_m.h"
#include "sim/Sim.h"

// Stands in for a device's processor and its SCSI side: grants processor
// time to the FC-4 layers first come first served, one grant at a time, and
// hands every other message from them to a hook that plays the SCSI layer.
// Gates `driver_in[i]` / `driver_out[i]` reach `Fc4[i]`. Shared by the FC-4
// and the scenario tests.
class TestProcessor : public cSimpleModule {
  public:
    struct Handshake {
        double time;
        int fc4;
        int kind; // REQ_CPU_PROC, ACK_PROC_REQ or COMP_CPU_PROC
        bool anx;
    };
    struct Upper {
        double time;
        int fc4;
        cMessage* msg; // a copy, owned by the log
    };

    TestProcessor(const char* name, cModule* parent, int fc4Count, const TaskTiming* fc4Send, const TaskTiming* fc4Recv,
                  const TaskTiming* fcpSend, const TaskTiming* fcpRecv, double clock);
    ~TestProcessor() override;
    void activity() override;

    // Plays the SCSI side: called for every message from an FC-4 layer that
    // is not part of the processor handshake. The message is deleted after.
    std::function<void(TestProcessor&, cMessage*, int fc4)> onUpper;

    // Sends `msg` down to `Fc4[fc4]` after `delay`.
    void sendDown(cMessage* msg, int fc4, double delay = 0);

    // What the LUN controllers behind a board answer to discovery, and which
    // commands they are slow with or never answer.
    struct LunTarget {
        // REPORT LUNS lists these, in this order (LUN 0 included by the
        // caller); INQUIRY of LUN n names it wwns[n].
        std::vector<unsigned long> luns;
        std::map<unsigned long, std::string> wwns;
        unsigned long blkSize = 512;
        unsigned long blkNum = 1u << 20;
        // A command for which this is true is never answered.
        std::function<bool(const ScsiCdb& cdb, unsigned long ioId)> drop;
        // Seconds before a command is answered (a read's data, a write's
        // response); none by default.
        std::function<double(const ScsiCdb& cdb, unsigned long ioId)> delay;
    };

    // Plays the LUN controllers of a storage board behind the SCSI side:
    // every command is answered at once, a write with RECV_DATA_OUT for its
    // whole length and DATA_OUT_RECVD with SEND_CMD_COMP, any other command
    // with SEND_DATA_IN (a read's whole length, 12 bytes otherwise) and
    // REQ_CMD_COMP with SEND_CMD_COMP. With a `target`, REPORT LUNS and
    // INQUIRY are answered with their answer files, whose names the board
    // keeps until the end of the run, and MODE SENSE with the LUN's size.
    void answerAsLunControllers(const LunTarget* target = nullptr);
    // Commands that the LUN side received, and how many it dropped.
    struct Command {
        double time;
        unsigned char code;
        unsigned long ioId, lun, blkAddr, dataLen;
    };
    std::vector<Command> commands;
    int dropped = 0;

    // When set, a request from nobody for the annex queue is put before
    // the n-th request of `Fc4[0]` (counted from 0), as a processor would
    // serve a request whose message is already gone.
    int phantomAnnexBefore = -1;

    std::vector<Handshake> handshakes;
    std::vector<Upper> upper;

    // The upper messages of one kind, in arrival order.
    std::vector<const Upper*> upperOfKind(int kind) const;
    int count(int kind) const;
    // True when every grant was followed by its completion from the same
    // layer before the next grant, and no grant is left open.
    bool grantsBalanced() const;

  private:
    void grantNext();
    std::deque<std::pair<int, bool>> waiting_;
    bool busy_ = false;
    int requests_ = 0;
};
