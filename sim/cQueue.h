#pragma once

#include <deque>

#include "sim/cObject.h"

// A named FIFO of objects that it owns. insert() appends; pop() takes the
// oldest and tail() peeks at it; iteration runs oldest to newest. Whatever is
// still queued is deleted with the queue or by clear().
class cQueue : public cObject {
  public:
    typedef std::deque<cObject*>::const_iterator const_iterator;

    explicit cQueue(const char* name = nullptr) : cObject(name) {}
    cQueue(const cQueue& other);
    cQueue& operator=(const cQueue& other);
    ~cQueue() override { clear(); }
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
    cObject* get(int i) const { return i >= 0 && i < length() ? items_[i] : nullptr; }
    int length() const { return static_cast<int>(items_.size()); }
    bool empty() const { return items_.empty(); }
    void clear();

    const_iterator begin() const { return items_.begin(); }
    const_iterator end() const { return items_.end(); }

  private:
    std::deque<cObject*> items_;
};
