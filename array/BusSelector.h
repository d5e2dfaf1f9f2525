#pragma once

#include "device/OutputGates.h"
#include "sim/cQueue.h"
#include "sim/cSimpleModule.h"

// The entry of a set of simplex buses. Data from the `cpu` side waits in
// REQ_QUE; for each message the selector asks every bus of its set for
// arbitration at once, takes the bus with the least data still pending (the
// first to answer among equals) and places one message on it per cycle. Data
// coming back from the buses reaches the `cpu` side after its transfer time,
// or at once inside the cache-switch fabric, whose buses have timed it already.
class BusSelector : public cSimpleModule {
  public:
    BusSelector(const char* name, cModule* parent, unsigned stackSize);

    void activity() override;

  protected:
    virtual void req_bus_arbi();
    virtual void select_bus(double pendKB, int bus);
    virtual void free_bus_arbi(cMessage* timer);

  private:
    void handle(cMessage* msg);
    void data(cMessage* msg);
    int bus_count();
    void reset_cycle();

    static constexpr double NO_ANSWER_KB = 281474976710655.0; // 2^48 - 1

    cQueue reqQue_;
    bool inProc_ = false;
    int busNum_ = 0;
    int fromCpu_ = -1;
    int toCpu_ = -1;
    OutputGates toBus_;
    int answers_ = 0;
    int bestBus_ = 0;
    double leastKb_ = NO_ANSWER_KB;
    bool inFabric_ = false;
    double rate_ = 0; // KB/s
};
