#pragma once

#include "device/OutputGates.h"
#include "device/OutputStream.h"
#include "sim/cLinkedList.h"
#include "sim/cQueue.h"
#include "sim/cSimpleModule.h"

// The peripheral bus of a device: `Hpc` of a host, and the bus of an array's
// host-interface boards and array control processors. It carries every
// message between the drivers (FC-4 layers) and the adapters (node ports):
// one arriving on `from_driver[i]` leaves on `to_adapter[i]`, one arriving on
// `from_adapter[i]` on `to_driver[i]`, unchanged. Both directions share the
// one bus, so messages cross strictly one at a time in arrival order, each
// taking its length in bytes over the bus rate of `busWidth` bits at
// `busClock` MHz (set by the device's processor).
//
// Every `busUtilTimeScale` ms it appends its throughput to its ".BusUtil"
// file: until `simDone` in a host or a board, and under an array control
// processor ("Acp") until the array's `CtrlMemCch` reports `allDone`, so the
// back-end bus keeps recording through the array's final cache flush.
class PeripheralController : public cSimpleModule {
  public:
    PeripheralController(const char* name, cModule* parent, unsigned stackSize);

    void activity() override;
    void finish() override { busUtilFile_.finish(); }

  protected:
    virtual void req_xfer_data(cMessage* msg, int gateId, bool fromDrv);
    virtual void fwd_data();
    virtual void free_bus(cMessage* xfer);
    virtual void write_bus_util();

  private:
    // Where a queued message goes when it has crossed.
    struct Direction {
        int gateId;   // index of the arrival gate, and of the departure gate
        bool fromDrv; // arrived from a driver, so leaves to an adapter
    };
    static void delete_direction(void* record);
    void handle(cMessage* msg);
    bool run_ended() const;

    cModule* root_ = nullptr;
    cQueue busQue_;
    cLinkedList dirQue_;
    bool busy_ = false;
    double rate_ = 0; // KB/s
    bool underAcp_ = false;
    cModule* cacheModule_ = nullptr; // the array's CtrlMemCch, under "Acp" only
    cPar* simDone_ = nullptr;
    cPar* totalDataDelta_ = nullptr; // bytes carried since the last row
    OutputGates toAdapter_;
    OutputGates toDriver_;
    double period_ = 0;        // seconds
    OutputStream busUtilFile_; // ".BusUtil", kept open to the end of the run
};
