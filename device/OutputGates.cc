#include "device/OutputGates.h"

#include "sim/cSimpleModule.h"

OutputGates::OutputGates(cSimpleModule* owner, const char* name)
    : owner_(owner), name_(name), slot_(owner->findGateVector(name))
{
}

void OutputGates::send(cMessage* msg, int index, simtime_t delay) const
{
    if (cGate* g = owner_->gateInVector(slot_, index))
        owner_->sendDelayed(msg, delay, g);
    else
        owner_->sendDelayed(msg, delay, name_, index);
}
