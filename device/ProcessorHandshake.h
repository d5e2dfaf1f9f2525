#pragma once

#include <vector>

#include "sim/SimTime.h"
#include "sim/cQueue.h"

class cMessage;
class cSimpleModule;

// The fatal texts of a grant that goes wrong; each processor that arbitrates
// with the handshake words them its own way.
struct HandshakeTexts {
    const char* emptyQueue;     // a grant with no request waiting
    const char* badDriverIndex; // a grant for an FC-4 process whose gate index is negative
    const char* badProcId;      // a grant for a process outside 0 .. procNum - 1
};

// The host processor's wording.
extern const HandshakeTexts hostHandshakeTexts;

// First-come first-served arbitration of a device processor between its
// processes: process 0 is the device's SCSI engine, answered on `to_scsi`,
// and process i + 1 the FC-4 layer of node port i, answered on
// `to_driver[i]`. A process asks with REQ_CPU_PROC, gets exactly one
// ACK_PROC_REQ when its turn comes (the FC-4 layers' acknowledgements echo
// the request's `fc4Anx`), and holds the processor until it sends
// COMP_CPU_PROC. There is no priority between processes.
//
// The time each process holds the processor is summed as its busy time,
// which the utilisation file takes row by row.
class ProcessorHandshake {
  public:
    ProcessorHandshake(cSimpleModule* owner, const HandshakeTexts& texts);
    ProcessorHandshake(const ProcessorHandshake&) = delete;
    ProcessorHandshake& operator=(const ProcessorHandshake&) = delete;

    // Idle, nothing queued or charged, with `procNum` processes; finds the
    // owner's answering gates.
    void reset(int procNum);

    // Queues a REQ_CPU_PROC, which now belongs to the handshake, tagged with
    // the long parameter `procId`. True when the processor is idle: the
    // owner then grants at once.
    bool queue_request(cMessage* req, int procId);
    // Grants the oldest request: sends its ACK_PROC_REQ and starts charging.
    void ack_proc_req();
    // The holder's COMP_CPU_PROC: charges its time and frees the processor.
    // True when a request waits: the owner then grants it at the same
    // simulated time. A completion while the processor is idle is a second
    // release by some process and stops the run.
    bool release();

    // Charges the holder's time up to now and restarts its count, so that a
    // grant spanning a statistics row is split between the rows.
    void charge_to_now();
    // A process's busy seconds since the last call; the count restarts at 0.
    double take_busy(int procId);

    bool inProc() const { return inProc_; }
    int currProcId() const { return currProcId_; }
    int procNum() const { return static_cast<int>(busy_.size()); }
    // The variables the environment's inspector shows.
    const bool& inProcRef() const { return inProc_; }
    const int& currProcIdRef() const { return currProcId_; }

  private:
    // Sends `ack` on `to_scsi` (process 0) or `to_driver[procId - 1]`.
    void answer(cMessage* ack, int procId);

    cSimpleModule* owner_;
    HandshakeTexts texts_;
    cQueue queue_;
    bool inProc_ = false;
    int currProcId_ = -1;
    std::vector<double> busy_; // seconds, per process
    // The gate id answering each process; -1 where the owner lacks the gate,
    // which is then named in the send so that the kernel reports it.
    std::vector<int> answerGates_;
    simtime_t startTime_ = 0;
};
