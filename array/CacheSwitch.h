#pragma once

#include <vector>

#include "device/OutputStream.h"
#include "device/RequestServer.h"
#include "sim/cQueue.h"
#include "sim/cSimpleModule.h"

class cPar;

// A crossbar of the cache-switch fabric. Data messages pass one at a time,
// each held for the switch delay, and leave by kind: read data to the board
// that asked for it, write data and block-read data towards the control
// memory through the fabric's bus selector, physical block writes to the
// array control processor of the disk. Every message leaves marked as
// switched (`fromCsw`). The switch also writes the ".BusUtil" file of the
// fabric's buses that belong to it.
class CacheSwitch : public cSimpleModule {
  public:
    CacheSwitch(const char* name, cModule* parent, unsigned stackSize);

    void activity() override;
    void finish() override { busUtilFile_.finish(); }

  protected:
    virtual void cost_csw_dly();
    virtual void proc_data_fwd(cMessage* msg);
    virtual void write_bus_util();

  private:
    void handle(cMessage* msg);
    void collect_buses();
    void write_header(std::ostream& out) const;

    RequestServer cswQue_{"CSW_QUE", [this] { cost_csw_dly(); }};
    int chipNum_ = 0;
    int acpNum_ = 0;
    int busNum_ = 0;
    int cswNum_ = 0;
    double delay_ = 0;         // seconds
    double period_ = 0;        // seconds
    OutputStream busUtilFile_; // ".BusUtil", from its first row to the end of the run
    cModule* root_ = nullptr;
    cModule* device_ = nullptr;
    cModule* ctrlMem_ = nullptr;
    // The `totalDataDelta` of the fabric's buses C[], M[], A[] of this
    // switch, in the order of the file's columns.
    std::vector<cPar*> busDeltas_;
};
