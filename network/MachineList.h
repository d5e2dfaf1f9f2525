#pragma once

#include <string>
#include <vector>

// The machines a module is to be placed on while it is created. A run has no
// parallel-simulation interface: the logical machine "default" is this host
// and every module is local. The list is kept so that set-up and build follow
// their steps in order; it decides nothing else.
class MachineList {
  public:
    // The physical machine that the logical machine `logical` maps to.
    static std::string physicalMachine(const char* logical) { return logical; }
    // The name under which the run knows this host.
    static const char* localHost() { return "default"; }

    void add(std::string machine) { machines_.push_back(std::move(machine)); }
    void clear() { machines_.clear(); }
    // True when the local host is among the machines: with no
    // parallel-simulation interface it always is.
    bool isLocal() const { return true; }

  private:
    std::vector<std::string> machines_;
};
