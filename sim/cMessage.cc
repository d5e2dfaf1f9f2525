#include "sim/cMessage.h"

#include <cstring>

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
    copyParams(other);
    cMessage* inner = other.encapsulated_ ? other.encapsulated_->dup() : nullptr;
    delete encapsulated_;
    encapsulated_ = inner;
    return *this;
}

cMessage::~cMessage()
{
    if (heapIndex_ >= 0)
        simulation.messageQueue().remove(this);
    deleteParams();
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

void cMessage::deleteParams()
{
    for (cPar* p : params_)
        delete p;
    params_.clear();
}

void cMessage::copyParams(const cMessage& other)
{
    deleteParams();
    params_.reserve(other.params_.size());
    for (const cPar* p : other.params_) {
        cPar* copy = new cPar(*p);
        copy->setOwner(this);
        params_.push_back(copy);
    }
}

cPar& cMessage::addPar(const char* name)
{
    cPar* p = new cPar(name);
    return addPar(p);
}

cPar& cMessage::addPar(cPar* par)
{
    if (params_.empty())
        params_.reserve(4);
    par->setOwner(this);
    params_.push_back(par);
    return *par;
}

cPar& cMessage::par(int index)
{
    if (index < 0 || index >= parListSize())
        throwError("(cMessage)%s: parameter index %d out of range", name(), index);
    return *params_[static_cast<size_t>(index)];
}

cPar& cMessage::par(const char* name)
{
    int i = findPar(name);
    if (i < 0)
        throwError("(cMessage)%s: has no parameter named %s", this->name(), name);
    return *params_[static_cast<size_t>(i)];
}

int cMessage::findPar(const char* name) const
{
    for (size_t i = 0; i < params_.size(); ++i) {
        const char* own = params_[i]->name();
        if (own[0] == name[0] && std::strcmp(own, name) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

void cMessage::removePar(const char* name)
{
    int i = findPar(name);
    if (i < 0)
        return;
    delete params_[static_cast<size_t>(i)];
    params_.erase(params_.begin() + i);
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
