#pragma once

#include "device/TaskTiming.h"

class cModule;
class cPar;

// The processor model an FC-4 service charges its work to: the clocks and
// the two tasks of sending and receiving a unit.
struct ServiceTiming {
    double cpuClock = 0; // MHz
    double memClock = 0; // MHz
    const TaskTiming* send = nullptr;
    const TaskTiming* recv = nullptr;

    double sendCost() const { return load_timing(send, cpuClock, memClock); }
    double recvCost() const { return load_timing(recv, cpuClock, memClock); }
};

// Where a module of an FC-4 layer stands: the layer compound (its parent),
// the device or switch port around the layer, the port the layer serves and
// the root. A layer inside a compound named "SwPort" belongs to a switch
// port, whose port module is that compound; any other layer `Fc4[i]` belongs
// to node port `NxPort[i]` of its device (a host, or a board named "Chip").
class Fc4Site {
  public:
    explicit Fc4Site(const cModule* module);

    cModule* root() const { return root_; }
    cModule* layer() const { return layer_; }
    cModule* device() const { return device_; }
    cModule* port() const { return port_; }
    bool isSwitchPort() const { return switchPort_; }
    // 1 on a node port, 45 on a switch port, as the link services name them.
    int role() const;
    // The layer's index among the device's FC-4 layers.
    int fc4Index() const;
    bool isChip() const;

    // The root's `defConCurrSeq`; outside [1,255] stops the run.
    long defConCurrSeq() const;

    // The device's processor: "ChipCpu" on a board, "Cpu" elsewhere.
    cModule* processor() const;

    // The clocks and the tasks `sendTask` and `recvTask` of the device's
    // processor, or on a switch port the port's FC controller timing block
    // (whose FC-4 tasks are the only ones a switch port's services use).
    ServiceTiming timing(const char* sendTask, const char* recvTask) const;

    // The next exchange key and information-unit number from the root's
    // counters (fc4/ExchangeKeys.h), which are found on first use.
    unsigned long take_exchange_key() const;
    unsigned long take_iu_index() const;

  private:
    const cModule* module_;
    cModule* root_;
    cModule* layer_;
    cModule* device_;
    cModule* port_;
    bool switchPort_;
    mutable cPar* exchangeKeys_ = nullptr;
    mutable cPar* iuIndexes_ = nullptr;
};
