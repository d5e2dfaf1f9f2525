#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "sim/Sim.h"
#include "sim/cIniFile.h"
#include "tests/integration/ScsiInitiatorStandIn.h"
#include "tests/shared/CentreProbe.h"
#include "tests/shared/MessageTap.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestHelpers.h"
#include "tests/shared/TestProcessor.h"

// What a scenario runs: the commands the host's SCSI side issues (see
// ScsiInitiatorStandIn) and the run's link-event file. The board answers
// every command.
struct Scenario {
    std::vector<ScsiInitiatorStandIn::Command> plan;
    double spacing = 1e-3;
    double startAt = 0;
    size_t window = 4;
    const char* linkEventFile = "NoLinkEvents.txt";
    // Settings that take the place of those in data/omnetpp.ini.
    std::string settings = "";
    // The root's type: the small SAN, or one of the fabrics of FabricBeds.cc
    // ("FabricPair", "FabricTwin", "FabricLine", "FabricTriangle"), whose
    // switches read data/fabric.ini.
    std::string network = "SanBed";
};

// 200 reads and writes in turn of `bytes` each, `window` at a time, issued
// `spacing` apart from `startAt`, under the link events of `linkEventFile`.
Scenario alternating_io(unsigned long bytes, double spacing, double startAt, size_t window, const char* linkEventFile);

// Runs the small SAN of SanBed.cc through the real network set-up, with the
// settings of data/omnetpp.ini, in a fresh directory holding copies of the
// data files. The host "Host1" gets address 0x050200 (switch port 0, area 2,
// domain 5) and the board's port 0x050201.
class SanBedTest : public ::testing::Test {
  protected:
    static constexpr unsigned long HOST_ADDRESS = 0x050200;
    static constexpr unsigned long TARGET_ADDRESS = 0x050201;

    void SetUp() override;
    void TearDown() override;

    void build(const Scenario& scenario = {});
    // Runs to the end; the text of the error that stopped the run, or "".
    std::string run();
    RunOutcome outcome() const { return outcome_; }
    std::string errorModule; // of the error that stopped the run

    cModule* host() const;
    cModule* hostPort() const;
    cModule* hostFc4() const;
    cModule* targetPort() const;
    cModule* switchPort(int i) const;
    ScsiInitiatorStandIn& scsi() const;
    TestProcessor& boardCpu() const;
    cModule* centreModule() const;
    // Switch "Sw<s>" and its real centre.
    cModule* switchModule(int s) const;
    cModule* centreOf(int s) const;
    // What the switch's ports and its real centre handed each other.
    const CentreProbe& centre() const { return probe_; }
    // What switch port i's FC-2 handed its FC-4 layer.
    MessageTap& switchFc4(int i) const;
    // What switch port i's FC-4 layer handed its FC-2.
    MessageTap& switchFc2(int i) const;

    // How often `text` stands in the run's warnings log.
    static int warningCount(const std::string& text);

  private:
    ScratchDirectory scratch_;
    CentreProbe probe_;
    cIniFile ini_;
    RunOutcome outcome_ = RunOutcome::EVENTS_EXHAUSTED;
};
