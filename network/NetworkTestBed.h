#pragma once

#include <memory>
#include <vector>

#include "network/ClosingLine.h"
#include "network/RunFolderLock.h"
#include "sim/cModule.h"

// The root module "Velmora": three data centres joined by long-distance
// cables. Its parameters are the run's settings and the run's shared state.
class NetworkTestBed : public cCompoundModule {
  public:
    using cCompoundModule::cCompoundModule;
    const char* className() const override { return "NetworkTestBed"; }
    void doBuildInside() override;

    // Takes the program-data folder for this run (see RunFolderLock); the
    // folder is free again when the root is deleted.
    void take_run_folder();

    // Each SCSI initiator adds its I/Os at its finish(); the run's summary
    // reports their sum.
    void add_initiator_totals(const InitiatorTotals& ios);
    RunSummary runSummary() override;
    // A run given up, at set-up as much as later, leaves no temporary files.
    void abandonRun() override;

  private:
    std::unique_ptr<RunFolderLock> folderLock_;
    InitiatorTotals initiatorTotals_;
};

// One root parameter, in declaration order. A state parameter gets its first
// value from the network set-up (through the bool or the long setter); every
// other one is an input read from "omnetpp.ini".
struct RootParamDecl {
    enum Start : char { INPUT, FIRST_BOOL, FIRST_LONG };
    const char* name;
    const char* types; // "S", "B" or "LDXFT"
    Start start;
    long firstValue;
};

// The 96 parameters of NetworkTestBed, in declaration order.
const std::vector<RootParamDecl>& root_parameters();

struct SiteTable;

// A site of the test bed: its name below the root ("DataCtr1") and the
// devices and cables it places.
struct TestBedSite {
    const char* name;
    const SiteTable* table;
};

// The three sites, DataCtr1 to DataCtr3, in the order they are built.
const std::vector<TestBedSite>& test_bed_sites();
