#pragma once

#include <gtest/gtest.h>

#include <string>

#include "sim/Sim.h"
#include "sim/cIniFile.h"
#include "tests/shared/MessageTap.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/SwitchCentreStandIn.h"
#include "tests/shared/TestHelpers.h"

// Two real switches, "Sw1" (domain 1, two ports) and "Sw2" (domain 2, one
// port), with port 0 of each on one cable of 200 m, built through the real
// network set-up from data/omnetpp.ini in a fresh directory. The centres are
// the shared stand-in. Each port 0 has taps on the two directions between
// its FC-2 and FC-4 layers.
class SwitchPairTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the pair; `ini` lines go ahead of the data file's.
    void build(const std::string& ini = "");
    // Initialises and runs to the end; the text of the error that stopped
    // the run, or "". initialise() alone leaves the run to run().
    void initialise();
    std::string run();
    // The same for a run meant to stop with an error. Such a run stops where
    // it is, with messages in the hands of the module that failed, so what
    // it leaves is not reported as a leak.
    std::string runToError();
    std::string errorModule;

    cModule* sw(int s) const;
    cModule* port(int s, int p = 0) const;
    cModule* fc4(int s) const { return port(s)->submodule("Fc4"); }
    SwitchCentreStandIn& centre(int s) const;
    // FC-2 to FC-4 and FC-4 to FC-2 at port 0 of switch s.
    MessageTap& up(int s) const { return *ups_[s - 1]; }
    MessageTap& down(int s) const { return *downs_[s - 1]; }

    static int warningCount(const std::string& text);

  private:
    ScratchDirectory scratch_;
    cIniFile ini_;
    bool initialised_ = false;
    MessageTap* ups_[2] = {nullptr, nullptr};
    MessageTap* downs_[2] = {nullptr, nullptr};
};
