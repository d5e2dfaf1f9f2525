#pragma once

#include "sim/AddressRing.h"
#include "sim/cObject.h"

// A named list of plain records held by address. With a delete function set,
// the list deletes the records it still holds when cleared or destroyed;
// without one it never touches them.
class cLinkedList : public cObject {
  public:
    typedef void (*DeleteFunc)(void*);
    typedef AddressRing<void>::const_iterator const_iterator;

    explicit cLinkedList(const char* name = nullptr, DeleteFunc del = nullptr) : cObject(name), del_(del) {}
    cLinkedList(const cLinkedList&) = delete;
    cLinkedList& operator=(const cLinkedList&) = delete;
    ~cLinkedList() override { clear(); }
    const char* className() const override { return "cLinkedList"; }

    void setDeleteFunc(DeleteFunc del) { del_ = del; }
    void insert(void* item) { items_.push_back(item); }
    void* pop();
    void* tail() const { return items_.empty() ? nullptr : items_.front(); }
    void* head() const { return items_.empty() ? nullptr : items_.back(); }
    void* remove(void* item);
    bool contains(void* item) const;
    int length() const { return static_cast<int>(items_.size()); }
    bool empty() const { return items_.empty(); }
    void clear();

    const_iterator begin() const { return items_.begin(); }
    const_iterator end() const { return items_.end(); }

  private:
    DeleteFunc del_;
    AddressRing<void> items_;
};
