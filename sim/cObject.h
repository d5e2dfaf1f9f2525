#pragma once

#include <string>

#include "sim/ObjectName.h"

// Base of every named kernel object: messages, parameters, gates, modules,
// queues. The full name adds a vector index where the object has one; the full
// path walks up the owners.
class cObject {
  public:
    explicit cObject(const char* name = nullptr) : name_(name) {}
    cObject(const cObject& other) = default;
    cObject& operator=(const cObject&) { return *this; } // keeps the target's name
    virtual ~cObject() = default;

    const char* name() const { return name_.c_str(); }
    bool hasName() const { return !name_.empty(); }
    void setName(const char* name) { name_.set(name); }
    bool isName(const char* s) const { return name_.equals(s); }

    virtual const char* className() const { return "cObject"; }
    virtual std::string fullName() const { return name_.c_str(); }
    virtual std::string fullPath() const { return fullName(); }
    // Duplicates the object; classes that cannot be copied refuse.
    virtual cObject* dup() const;

  protected:
    [[noreturn]] void copyNotSupported() const;

  private:
    ObjectName name_;
};
