#pragma once

#include <vector>

#include "sim/cObject.h"

// A named, indexed container of objects that it owns. Removed slots stay
// empty and are reused by later add() calls.
class cArray : public cObject {
  public:
    explicit cArray(const char* name = nullptr) : cObject(name) {}
    cArray(const cArray& other);
    cArray& operator=(const cArray& other);
    ~cArray() override { clear(); }
    const char* className() const override { return "cArray"; }
    cArray* dup() const override { return new cArray(*this); }

    // Puts `obj` in the first empty slot and returns its index.
    int add(cObject* obj);
    // Puts `obj` at `index`, deleting what was there.
    int addAt(int index, cObject* obj);
    int find(const cObject* obj) const;
    int find(const char* name) const;
    cObject* get(int index) const { return exist(index) ? items_[index] : nullptr; }
    cObject* get(const char* name) const { return get(find(name)); }
    bool exist(int index) const { return index >= 0 && index < size() && items_[index]; }
    // Takes the object out of its slot without deleting it.
    cObject* remove(int index);
    cObject* remove(cObject* obj) { return remove(find(obj)); }
    // Number of slots, empty ones included, and of objects held.
    int size() const { return static_cast<int>(items_.size()); }
    int items() const;
    void clear();

  private:
    std::vector<cObject*> items_;
};
