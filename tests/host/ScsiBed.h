#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/ScsiLayer.h"
#include "sim/Sim.h"
#include "sim/cIniFile.h"
#include "tests/shared/IoGeneratorStandIn.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestHelpers.h"
#include "tests/shared/TestProcessor.h"

// The network of a layout of the SCSI bed (ScsiBed.cc); with `clientHost`
// the host is a real ClientHost (one port, one board).
cNetworkType* scsi_bed_network(int hostPorts, int boards, bool clientHost = false);

// What a SCSI scenario is made of: the layout, the host's settings and LUN
// mask, the targets behind the boards and the generator's plan.
struct ScsiBedSetup {
    int hostPorts = 1; // 1 or 2
    int boards = 1;    // 1 or 2 (with one host port)
    int maxTarLun = 8;
    int maxRdWrIo = 64;
    int maxCtrlIo = 16;
    int c3Seq = 8;     // the host ports' concurrent sequences: sub-I/Os per path
    int maxSeqTry = 3; // tries per sub-I/O
    int maxPeerPort = 2;
    // Rows of section "[2.1]": LUN_WWN LUN_MASK PRI_INI_WWPN PRI_TAR_WWPN.
    std::vector<std::string> maskRows = {"LUN_A 0 - -"};
    // The text of the link-event file; empty for none.
    std::string linkEvents;
    // Board c answers as targets[c]; by default LUNs 0, 1 and 2 named
    // "LUN_A" and "LUN_B", 512-byte blocks.
    std::vector<TestProcessor::LunTarget> targets;
    std::vector<IoGeneratorStandIn::Io> plan;
    // A real ClientHost, whose own I/O generator runs `workload`, the
    // sections "[3]" to "[3.1.3]" of its configuration, in place of the plan.
    bool clientHost = false;
    std::string workload;
};

// Runs a SCSI scenario in a fresh directory holding the data files, with the
// device configuration files written from the setup. Host port i has the
// address 0x0502ii, board c the address after the host ports'.
class ScsiBedTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    static TestProcessor::LunTarget two_luns();
    void build(const ScsiBedSetup& setup);
    // Runs to the end; the text of the error that stopped the run, or "".
    std::string run();

    cModule* root() const { return simulation.systemModule(); }
    cModule* host() const;
    ScsiLayer& scsi() const;
    IoGeneratorStandIn& iogen() const;
    TestProcessor& board(int c) const;
    cModule* hostCpu() const;
    long rootLong(const char* name) const { return root()->par(name).longValue(); }
    bool rootBool(const char* name) const { return root()->par(name).boolValue(); }
    unsigned long hostAddress(int i) const { return 0x050200ul + i; }
    unsigned long boardAddress(int c) const { return 0x050200ul + setup_.hostPorts + c; }

    // The commands board c's LUN side received with that code.
    std::vector<TestProcessor::Command> commandsOf(int c, unsigned char code) const;
    // The ".ActvPath" rows of a LUN, split into their fields.
    std::vector<std::vector<std::string>> activeRows(const std::string& wwn) const;
    // What every run leaves behind: each processor grant released, no I/O
    // or sub-I/O open, every path slot free and every command block deleted.
    void expectCleanEnd() const;

    static int countOf(const std::string& text, const std::string& what);
    // The rows of a file after its header lines.
    static std::vector<std::string> rowsOf(const std::string& file, size_t headerLines);
    // The fields of a row, split at blanks.
    static std::vector<std::string> fields(const std::string& row);

    std::string ioRespFile() const { return "out/ioResp/Velmora.Host1.Scsi.IoResp"; }
    std::string ioFailFile() const { return "out/IoFail.txt"; }
    std::string warningsFile() const { return "out/Warnings.txt"; }
    std::string actvPathFile() const { return "out/actvPath/Velmora.Host1.Scsi.ActvPath"; }
    std::string pathTblFile() const { return "out/pathTbl/Velmora.Host1.PathTbl"; }
    std::string ioOpenFile() const { return "out/ioOpen/Velmora.Host1.IoOpen"; }
    std::string finishFile() const { return "out/finish/ScsiInitiator.Finish"; }

    std::string errorModule;

  private:
    ScratchDirectory scratch_;
    cIniFile ini_;
    ScsiBedSetup setup_;
};
