#pragma once

#include <vector>

#include "sim/AddressRing.h"
#include "sim/cObject.h"

// A named FIFO of objects that it owns. insert() appends; pop() takes the
// oldest and tail() peeks at it; iteration runs oldest to newest. Whatever is
// still queued is deleted with the queue or by clear().
//
// Every live queue is on one list, with the module that made it, so that an
// environment can show a module's queues without the module listing them.
// Joining and leaving the list cost a few pointer writes and happen only when
// a queue is made or destroyed.
class cQueue : public cObject {
  public:
    typedef AddressRing<cObject>::const_iterator const_iterator;

    explicit cQueue(const char* name = nullptr);
    cQueue(const cQueue& other);
    cQueue& operator=(const cQueue& other);
    ~cQueue() override;
    const char* className() const override { return "cQueue"; }
    cQueue* dup() const override { return new cQueue(*this); }

    void insert(cObject* obj) { items_.push_back(obj); }
    // Inserts `obj` just before / after `where`, which must be in the queue.
    void insertBefore(cObject* where, cObject* obj);
    void insertAfter(cObject* where, cObject* obj);
    cObject* pop();
    cObject* tail() const { return items_.empty() ? nullptr : items_.front(); }
    cObject* head() const { return items_.empty() ? nullptr : items_.back(); }
    // Takes `obj` out without deleting it; returns it, or null if absent.
    cObject* remove(cObject* obj);
    bool contains(cObject* obj) const;
    cObject* get(int i) const { return i >= 0 && i < length() ? items_[static_cast<size_t>(i)] : nullptr; }
    int length() const { return static_cast<int>(items_.size()); }
    bool empty() const { return items_.empty(); }
    void clear();

    const_iterator begin() const { return items_.begin(); }
    const_iterator end() const { return items_.end(); }

    // The id of the module that made the queue, or -1: the module being
    // created or initialised then, or else the one whose activity() ran.
    int ownerModuleId() const { return ownerId_; }
    // The live queues made by the module `moduleId`, oldest first.
    static std::vector<const cQueue*> queuesOf(int moduleId);
    // Whether `q` is a live queue (an address from outside may be stale).
    static bool isLive(const void* q);
    // The live queues in the order they were made.
    static const cQueue* firstLive() { return firstLive_; }
    const cQueue* nextLive() const { return nextLive_; }

  private:
    void enlist();

    AddressRing<cObject> items_;
    int ownerId_ = -1;
    cQueue* prevLive_ = nullptr;
    cQueue* nextLive_ = nullptr;
    static cQueue* firstLive_;
    static cQueue* lastLive_;
};
