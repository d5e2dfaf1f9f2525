#include "sim/cQueue.h"

#include "sim/cException.h"
#include "sim/cMessage.h"
#include "sim/cModule.h"
#include "sim/cSimpleModule.h"
#include "sim/cSimulation.h"

cQueue* cQueue::firstLive_ = nullptr;
cQueue* cQueue::lastLive_ = nullptr;

cQueue::cQueue(const char* name) : cObject(name)
{
    enlist();
}

cQueue::cQueue(const cQueue& other) : cObject(other)
{
    enlist();
    operator=(other);
}

cQueue::~cQueue()
{
    clear();
    (prevLive_ ? prevLive_->nextLive_ : firstLive_) = nextLive_;
    (nextLive_ ? nextLive_->prevLive_ : lastLive_) = prevLive_;
}

void cQueue::enlist()
{
    const cModule* owner = cModule::moduleInSetUp();
    if (!owner)
        owner = simulation.runningModule();
    ownerId_ = owner ? owner->id() : -1;
    prevLive_ = lastLive_;
    (lastLive_ ? lastLive_->nextLive_ : firstLive_) = this;
    lastLive_ = this;
}

std::vector<const cQueue*> cQueue::queuesOf(int moduleId)
{
    std::vector<const cQueue*> found;
    for (const cQueue* q = firstLive_; q; q = q->nextLive_)
        if (q->ownerId_ == moduleId)
            found.push_back(q);
    return found;
}

bool cQueue::isLive(const void* queue)
{
    for (const cQueue* q = firstLive_; q; q = q->nextLive_)
        if (q == queue)
            return true;
    return false;
}

cQueue& cQueue::operator=(const cQueue& other)
{
    if (this == &other)
        return *this;
    clear();
    for (cObject* obj : other.items_)
        items_.push_back(obj->dup());
    return *this;
}

void cQueue::insertBefore(cObject* where, cObject* obj)
{
    const size_t i = items_.find(where);
    if (i == items_.size())
        throwError("(cQueue)%s: insertBefore(): object not in the queue", name());
    items_.insert(i, obj);
}

void cQueue::insertAfter(cObject* where, cObject* obj)
{
    const size_t i = items_.find(where);
    if (i == items_.size())
        throwError("(cQueue)%s: insertAfter(): object not in the queue", name());
    items_.insert(i + 1, obj);
}

cObject* cQueue::pop()
{
    return items_.empty() ? nullptr : items_.pop_front();
}

cObject* cQueue::remove(cObject* obj)
{
    const size_t i = items_.find(obj);
    if (i == items_.size())
        return nullptr;
    items_.erase(i);
    return obj;
}

bool cQueue::contains(cObject* obj) const
{
    return items_.find(obj) != items_.size();
}

void cQueue::clear()
{
    AddressRing<cObject> all;
    all.swap(items_);
    for (cObject* obj : all)
        cMessage::disposeObject(obj);
}
