#pragma once

#include <cstdint>

#include "sim/SimTime.h"
#include "sim/cQueue.h"
#include "sim/cSimpleModule.h"

class cPar;

// One data bus of the cache-switch fabric between a board or the control
// memory (`cpu` side) and a cache switch or the fabric's bus selector (`csw`
// side). It moves one data message at a time: the message reaches the far
// side as its transfer starts and the bus stays busy for the transfer time.
// Independently it grants arbitration to one requester at a time, answering
// with the data it still has to move. Bytes moved are summed in
// `totalDataDelta` for the cache switch's ".BusUtil" file.
class Simplex : public cSimpleModule {
  public:
    Simplex(const char* name, cModule* parent, unsigned stackSize);

    void initialize() override;
    void activity() override;

    // The data still to move, in KB, `elapsed` seconds into a transfer at
    // `rate` KB/s with `pendingBytes` accepted and unfinished. A result a few
    // ulps below zero, as rounding gives at the very end of a transfer,
    // counts as 0; a real negative is a fault, reported as -1.
    static double pending_kb(uint32_t pendingBytes, double elapsed, double rate);

  protected:
    virtual void xfer_data();
    virtual void free_bus(long length);
    virtual void ack_bus_arbi();
    virtual void free_bus_arbi();

  private:
    void handle(cMessage* msg);

    static constexpr double ARBI_QUE_DELAY = 1e-7;

    cQueue busQue_;
    cQueue arbiQue_;
    bool busInUse_ = false;
    uint32_t currLength_ = 0;
    simtime_t xferStart_ = 0;
    bool arbiOn_ = false;
    uint32_t pendingData_ = 0;
    double rate_ = 0; // KB/s
    cPar* totalDataDelta_ = nullptr;
    int fromCpu_ = -1;
    int toCpu_ = -1;
    int toCsw_ = -1;
};
