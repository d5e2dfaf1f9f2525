#pragma once

#include <string>
#include <utility>
#include <vector>

#include "sim/cObject.h"
#include "sim/cRegistry.h"

// An enumeration registered by name: its (value, name) pairs in declaration
// order, for display by the environment.
class cEnum : public cObject {
  public:
    explicit cEnum(const char* name) : cObject(name) {}
    void insert(int value, const char* valueName) { items_.emplace_back(value, valueName); }
    // The name of a value, or null when the value has none.
    const char* stringFor(int value) const;
    // The value of a name, or `fallback` when the name is not in the enumeration.
    int lookup(const char* valueName, int fallback = -1) const;
    const std::vector<std::pair<int, std::string>>& items() const { return items_; }

  private:
    std::vector<std::pair<int, std::string>> items_;
};

// The enumeration registry; owns its enumerations.
extern cRegistry<cEnum> enums;

// Registers an enumeration at static-initialisation time: its name, then
// (value, value name) pairs, closed by the pair (0, NULL).
class sEnumBuilder {
  public:
    sEnumBuilder(const char* name, ...);
};
