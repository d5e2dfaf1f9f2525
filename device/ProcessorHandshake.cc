#include "device/ProcessorHandshake.h"

#include "messages/MsgKinds.h"
#include "sim/cMessage.h"
#include "sim/cSimpleModule.h"

const HandshakeTexts hostHandshakeTexts = {
    "ERROR: ack_proc_req expected CPU_REQ_QUE not empty!",
    "ERROR: ack_proc_req found invalid Process ID!",
    "ERROR: ack_proc_req invalid procssId!",
};

ProcessorHandshake::ProcessorHandshake(cSimpleModule* owner, const HandshakeTexts& texts)
    : owner_(owner), texts_(texts), queue_("CPU_PROC_QUE")
{
}

void ProcessorHandshake::reset(int procNum)
{
    queue_.clear();
    inProc_ = false;
    currProcId_ = -1;
    busy_.assign(procNum > 0 ? procNum : 0, 0.0);
    startTime_ = 0;
    answerGates_.assign(busy_.size(), -1);
    for (size_t p = 0; p < answerGates_.size(); ++p)
        answerGates_[p] = p == 0 ? owner_->findGate("to_scsi") : owner_->findGate("to_driver", static_cast<int>(p) - 1);
}

void ProcessorHandshake::answer(cMessage* ack, int procId)
{
    const int gateId = answerGates_[procId];
    if (gateId >= 0)
        owner_->send(ack, gateId);
    else if (procId == 0)
        owner_->send(ack, "to_scsi");
    else
        owner_->send(ack, "to_driver", procId - 1);
}

bool ProcessorHandshake::queue_request(cMessage* req, int procId)
{
    req->addPar("procId").setLongValue(procId);
    queue_.insert(req);
    return !inProc_;
}

void ProcessorHandshake::ack_proc_req()
{
    if (queue_.empty())
        owner_->error("%s", texts_.emptyQueue);
    cMessage* req = static_cast<cMessage*>(queue_.pop());
    const int procId = static_cast<int>(req->par("procId").longValue());
    inProc_ = true;
    // Checked before sending: a process without its gate would otherwise
    // stop the run with the kernel's gate error instead of this one.
    if (procId < 0) {
        delete req;
        owner_->error("%s", texts_.badDriverIndex);
    }
    if (procId >= procNum()) {
        delete req;
        owner_->error("%s", texts_.badProcId);
    }

    auto* ack = new cMessage("ACK_PROC_REQ", ACK_PROC_REQ, 0);
    if (procId != 0)
        ack->addPar("fc4Anx").setBoolValue(req->par("fc4Anx").boolValue());
    answer(ack, procId);
    currProcId_ = procId;
    startTime_ = owner_->simTime();
    delete req;
}

bool ProcessorHandshake::release()
{
    if (currProcId_ < 0)
        owner_->error("ERROR: COMP_CPU_PROC arrived at %s while no process holds the processor: some process "
                      "released it twice",
                      owner_->fullPath().c_str());
    const simtime_t now = owner_->simTime();
    busy_[currProcId_] += now - startTime_;
    startTime_ = now;
    currProcId_ = -1;
    inProc_ = false;
    return !queue_.empty();
}

void ProcessorHandshake::charge_to_now()
{
    if (!inProc_ || currProcId_ < 0)
        return;
    const simtime_t now = owner_->simTime();
    busy_[currProcId_] += now - startTime_;
    startTime_ = now;
}

double ProcessorHandshake::take_busy(int procId)
{
    const double seconds = busy_.at(procId);
    busy_[procId] = 0;
    return seconds;
}
