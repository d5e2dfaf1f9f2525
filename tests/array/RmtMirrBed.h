#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "array/ScsiRmtMirr.h"
#include "sim/Sim.h"
#include "sim/cIniFile.h"
#include "tests/shared/ArrayStandIns.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestProcessor.h"

// The remote-mirror scenarios: a root "Velmora" holding the real storage
// device "Dev1" whose two boards each have one initiator port, the fabric
// switch "Sw1" and the storage "Dev2" whose boards play the remote array's
// targets. Dev1's boards are cabled to switch ports 0 and 1, Dev2's boards
// to ports 2 and 3, so each of Dev1's initiators has a path to each of
// Dev2's boards. Dev1's control memory and array control processor are the
// array stand-ins: the control memory's processor hears what the boards
// announce and sends the copies its script names.
class RmtMirrBedTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Rows of Dev1's section "[2.1]": ChipIdx LUN_WWN LUN_MASK PRI_INI_WWPN
    // PRI_TAR_WWPN.
    std::vector<std::string> maskRows = {"1 LUN_A 0 - -"};
    // Boards of Dev1 whose port is a target port rather than an initiator
    // port.
    std::vector<int> targetPorts;
    // What each of Dev2's boards answers to discovery.
    TestProcessor::LunTarget target;
    // A copy of a host write, as the LUN controller of Dev1 sends it to
    // board `chip`, `at` seconds into the run.
    struct Copy {
        double at;
        int chip;
        std::string lunWwn;
        long blkAddr, ioSize;
    };
    std::vector<Copy> copies;

    void build();
    // Runs to the end; the text of the error that stopped the run, or "".
    std::string run();

    cModule* root() const { return simulation.systemModule(); }
    ScsiRmtMirr& initiator(int chip) const;
    TestProcessor& targetBoard(int c) const;
    // What Dev1's control memory heard, of one kind.
    std::vector<const ArrayStandIn::Heard*> heardAtCtrlMem(int kind) const;
    long rootLong(const char* name) const { return root()->par(name).longValue(); }

    static std::string ioRespFile(int chip);
    static std::string actvPathFile(int chip);
    static std::string ioFailFile() { return "out/IoFail.txt"; }
    // The rows of a file after its header lines, each split at blanks.
    static std::vector<std::vector<std::string>> rowsOf(const std::string& file, size_t headerLines);

  private:
    // The real initiator runs; the control memory's processor and the array
    // control processor are the stand-ins.
    ModuleTypeSubstitution ctrlMem_{"CtrlMemProcessor", "CtrlMemProcessorStandIn"};
    ModuleTypeSubstitution acp_{"ArrayControlProcessor", "ArrayControlProcessorStandIn"};
    ScratchDirectory scratch_;
    cIniFile ini_;
};
