#include "sim/cMessage.h"

#include "sim/cException.h"
#include "sim/cModule.h"
#include "sim/cSimulation.h"

long cMessage::live_ = 0;

namespace {

void deleteMessage(cMessage* msg)
{
    delete msg;
}

cMessage::Disposer disposer = deleteMessage;

} // namespace

void cMessage::setDisposer(Disposer d)
{
    disposer = d ? d : deleteMessage;
}

void cMessage::dispose(cMessage* msg)
{
    if (msg)
        disposer(msg);
}

void cMessage::disposeObject(cObject* obj)
{
    if (auto* msg = dynamic_cast<cMessage*>(obj))
        disposer(msg);
    else
        delete obj;
}
long cMessage::total_ = 0;

cMessage::cMessage(const char* name, int kind, long length, int priority, bool error)
    : cObject(name), kind_(kind), priority_(priority), error_(error), length_(length), created_(simulation.simTime())
{
    ++live_;
    ++total_;
}

cMessage::cMessage(const cMessage& other)
    : cObject(other), kind_(0), priority_(0), error_(false), length_(1), created_(simulation.simTime())
{
    ++live_;
    ++total_;
    operator=(other);
}

cMessage& cMessage::operator=(const cMessage& other)
{
    if (this == &other)
        return *this;
    kind_ = other.kind_;
    priority_ = other.priority_;
    length_ = other.length_;
    error_ = other.error_;
    created_ = other.created_;
    sent_ = other.sent_;
    arrival_ = other.arrival_;
    timestamp_ = other.timestamp_;
    context_ = other.context_;
    senderModuleId_ = other.senderModuleId_;
    senderGateId_ = other.senderGateId_;
    arrivalModuleId_ = other.arrivalModuleId_;
    arrivalGateId_ = other.arrivalGateId_;
    params_.copyFrom(other.params_, this);
    cMessage* inner = other.encapsulated_ ? other.encapsulated_->dup() : nullptr;
    delete encapsulated_;
    encapsulated_ = inner;
    return *this;
}

cMessage::~cMessage()
{
    if (heapIndex_ >= 0)
        simulation.messageQueue().remove(this);
    dispose(encapsulated_);
    --live_;
}

void cMessage::setTimestamp()
{
    timestamp_ = simulation.simTime();
}

cModule* cMessage::senderModule() const
{
    return simulation.module(senderModuleId_);
}

cModule* cMessage::arrivalModule() const
{
    return simulation.module(arrivalModuleId_);
}

cGate* cMessage::arrivalGate() const
{
    cModule* mod = arrivalModule();
    return mod && arrivalGateId_ >= 0 ? mod->gate(arrivalGateId_) : nullptr;
}

bool cMessage::arrivedOn(const char* gateName, int index) const
{
    cModule* mod = arrivalModule();
    return mod && arrivalGateId_ >= 0 && arrivalGateId_ == mod->findGate(gateName, index);
}

cPar& cMessage::addPar(const char* name)
{
    return params_.add(name, this);
}

cPar& cMessage::addPar(cPar* par)
{
    return params_.adopt(par, this);
}

cPar& cMessage::par(int index)
{
    if (index < 0 || index >= parListSize())
        throwError("(cMessage)%s: parameter index %d out of range", name(), index);
    return params_.at(index);
}

cPar& cMessage::par(const char* name)
{
    int i = params_.find(name);
    if (i < 0)
        throwError("(cMessage)%s: has no parameter named %s", this->name(), name);
    return params_.at(i);
}

int cMessage::findPar(const char* name) const
{
    return params_.find(name);
}

void cMessage::removePar(const char* name)
{
    int i = params_.find(name);
    if (i >= 0)
        params_.removeAt(i);
}

void cMessage::encapsulate(cMessage* msg)
{
    if (encapsulated_)
        throwError("(cMessage)%s: already holds an encapsulated message", name());
    if (msg && msg->isScheduled())
        throwError("(cMessage)%s: cannot encapsulate a scheduled message", name());
    encapsulated_ = msg;
}

cMessage* cMessage::decapsulate()
{
    cMessage* inner = encapsulated_;
    encapsulated_ = nullptr;
    return inner;
}
