#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "device/TaskTiming.h"
#include "fcport/FcPortTiming.h"
#include "messages/MsgSubclass_m.h"
#include "sim/Sim.h"
#include "tests/fc4/TestFabric.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestProcessor.h"

// A small SAN around real FC-4 layers: a host "Host" with one initiator
// port, a storage device "Array" with `targets` boards "Chip[c]" of one
// target port each, and a switch of four ports in domain 5, area 2. The
// host is cabled to SwPort[3] (so it gets the address 0x050203), board c to
// SwPort[c] (0x0502cc). Below the FC-4 layers a TestFabric plays FC-2, the
// cables and the name server; the switch ports run the real link services
// behind a stand-in dispatcher; each device's processor is a TestProcessor.
//
// Every FC-4 task costs kSend (send) or kRecv (receive) seconds; sequences
// take TestFabric::hop per crossing.
struct SanOptions {
    long defConCurrSeq = 16;
    int maxPeerPort = 4;
    int targets = 1;
    long hostC3ConCurrSeq = 8;
    long targetC3ConCurrSeq = 8;
};

class SanTest : public ::testing::Test {
  protected:
    static constexpr double kSend = 1e-5;
    static constexpr double kRecv = 2e-5;
    static constexpr unsigned long kHostAddress = 0x050203;
    static unsigned long chipAddress(int c) { return 0x050200 + static_cast<unsigned long>(c); }

    void SetUp() override;
    void TearDown() override;

    void build(const SanOptions& options = {});
    // Runs to the end; the error text that stopped the run, or "".
    std::string run();
    // The same for a run meant to stop with an error. Such a run stops where
    // it is, with messages in flight and in the hands of the module that
    // failed, so what it leaves is not reported as a leak.
    std::string runToError();
    // A message made before such a run for the run to stop on: it stays in
    // the hands of the module that failed and is not reported as a leak.
    static cMessage* stoppedOn(cMessage* msg);
    std::string warningsLog() const;

    // The host plays a SCSI initiator that sends `commands` on the first
    // path it is given, one after the other, and confirms every completion
    // but a write's.
    struct Command {
        unsigned char code;
        unsigned long dataLen;
    };
    void hostIssues(std::vector<Command> commands, double spacing = 0);
    // Each board plays LUN controllers that answer every command at once.
    void targetsAnswer();
    // A host command: the primitive for a path, with a block this test owns.
    SendScsiCmd* newCommand(unsigned char code, unsigned long dataLen, int fcpIndex, unsigned long ioId);
    // A state-change notice about board `c` from the fabric controller to
    // the host, in its envelope under `fc4MemAddr`.
    FcSeqPayload* rscnAboutChip(int c, unsigned long fc4MemAddr) const;

    cModule* layer(cModule* device) const { return device->submodule("Fc4", 0); }
    cModule* chip(int c) const { return array->submodule("Chip", c); }

    cModule* root = nullptr;
    cModule* host = nullptr;
    cModule* array = nullptr;
    TestFabric* fabric = nullptr;
    TestProcessor* hostCpu = nullptr;
    std::vector<TestProcessor*> chipCpus;
    std::vector<std::unique_ptr<ScsiCdb>> cdbs;
    unsigned long nextIoId = 1000;

  public:
    void buildNetwork(); // the network type's set-up

  private:
    cModule* buildNodeDevice(cModule* device, bool initiator, int fabricPort, int switchPort, const char* cpuName);
    void buildSwitch();

    ScratchDirectory scratch_;
    SanOptions options_;
    TaskTiming send_, recv_;
    FcPortTiming switchTiming_;
};
