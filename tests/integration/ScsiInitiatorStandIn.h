#pragma once

#include <deque>
#include <map>
#include <memory>
#include <vector>

#include "messages/MsgSubclass_m.h"
#include "sim/Sim.h"

// Stands in for a host's SCSI initiator (`Scsi`, on the processor's SCSI
// gates). It issues a planned list of commands on the first I-T path that
// FC-4 opens, from `startAt` on and `spacing` seconds apart, and confirms
// every completion but a write's. It owns the command blocks and frees each
// when its sub-I/O ends here, which also frees the sub-I/O's slot on the
// path: a write at its completion, any other command at the FREE_LUNPT_SIO
// that follows its confirmation. At most `window` slots are taken at once. A
// DEV_DOWN closes the port's path and loses the sub-I/Os still held; the plan
// goes on when a new path comes. Once every command has completed or was
// lost it sets the run's `ioDone`, and `simDone` too when `evDone` is set
// already, as the host side does.
class ScsiInitiatorStandIn : public cSimpleModule {
  public:
    struct Command {
        unsigned char code;
        unsigned long dataLen;
    };
    struct Path {
        double time;
        long fc4Index, fcpIndex, iniAddrId, tarAddrId, recTov, maxSioTry;
    };
    struct Completion {
        double time;
        unsigned long ioId;
        unsigned char code;
        unsigned char status;
        double issuedAt;
    };

    using cSimpleModule::cSimpleModule;
    ~ScsiInitiatorStandIn() override;
    void activity() override;

    // The plan, set before the run.
    std::vector<Command> plan;
    double spacing = 1e-3;
    double startAt = 0;
    size_t window = 4;

    // What happened.
    std::vector<Path> paths;
    std::vector<Completion> completions;
    std::vector<double> devDowns;
    int freed = 0;           // FREE_LUNPT_SIO that ended a confirmed sub-I/O
    int unexpectedFrees = 0; // FREE_LUNPT_SIO with no confirmed sub-I/O waiting
    int lost = 0;            // sub-I/Os outstanding when the port went down
    double ioDoneAt = -1;

    // Sub-I/Os whose command block is still held.
    size_t blocksHeld() const { return outstanding_.size() + confirmed_.size(); }

  private:
    struct Outstanding {
        std::unique_ptr<ScsiCdb> cdb;
        double issuedAt;
    };

    void issue_next();
    void take_completion(CmdCompRecvd* comp);
    void reopen_window();
    void check_done();

    cModule* root_ = nullptr;
    bool pathOpen_ = false;
    bool windowFull_ = false;
    long fc4Index_ = 0, fcpIndex_ = 0;
    size_t next_ = 0;
    cMessage* issueTimer_ = nullptr;
    std::map<unsigned long, Outstanding> outstanding_;
    std::deque<std::unique_ptr<ScsiCdb>> confirmed_;
};
