#pragma once

#include "sim/Sim.h"

struct EeStatTable;

// The end-to-end frame statistics of a device (a host, or a chip board of a
// storage array): the device's exchange engines add per pair of ports to the
// tables on its queue "EE_STAT_QUE", whose address the module publishes in
// its long parameter `eeStatQuePtr`; every `eeStatTimeScale` milliseconds it
// writes one row per table into the pair's ".EeStat" file and clears the
// sums. A pair's file is made at the end of the first period with traffic.
class Fc2EeStat : public cSimpleModule {
  public:
    Fc2EeStat(const char* name, cModule* parent, unsigned stackSize);
    const char* className() const override { return "Fc2EeStat"; }
    void initialize() override;
    void activity() override;
    void finish() override;

    const cLinkedList& statQueue() const { return eeStatQue_; }

  protected:
    virtual void write_eestat_files();
    virtual void create_eestat_file(EeStatTable* table);
    virtual void write_eestat_file(EeStatTable* table);

  private:
    // The table's ports are a current pair of the device: a port of the
    // device has the local address and one of its pairs serves the remote.
    bool is_known_pair(const EeStatTable& table) const;

    cLinkedList eeStatQue_;
    cModule* device_ = nullptr;
    cModule* root_ = nullptr;
    cPar* simDone_ = nullptr;
    double period_ = 0;
};

// The statistics queue published by a device's EeStat module.
cLinkedList* eestat_queue_of(cModule* eeStat);
