#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <sstream>
#include <string>

#include "messages/MsgKinds.h"
#include "sim/Sim.h"
#include "tests/shared/RunTest.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestHelpers.h"
#include "tests/shared/TestModules.h"

// Each test runs in a fresh directory holding copies of the host data files
// (host.conf and the CPU model HostCpu), under a root "Velmora" with the
// run-wide parameters the processor and the bus use. Hosts are built by hand
// from the processor `Cpu`, the bus `Hpc` and stand-ins for the port
// controllers; small test modules take the places of the SCSI layer and the
// FC-4 layers.
class HostTest : public RunTest {
  protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(scratch.enter("/tmp/velmora_host_XXXXXX", VELMORA_TESTS_DIR "/host/data"));
        ev.setStream(&console);

        simulation.deleteNetwork();
        newDeviceRoot(10.0);
    }
    void TearDown() override
    {
        simulation.deleteNetwork();
        ev.setStream(nullptr);
        scratch.leave();
    }

    // `value` fixed-point with `decimals`, left-justified in `width`.

    // A host with its processor, its bus and, per node port, a stand-in
    // NxPort[i].Fc2.Fc2Ctrl that only carries `asicUtilDelta`. The
    // processor's driver gates number `driverGates`, by default nxPortNum.
    cModule* buildHost(const char* name, int nxPortNum, const char* confFile = "host.conf", int driverGates = -1)
    {
        auto* host = new cCompoundModule(name, root);
        host->addPar("confFile").setStringValue(confFile);
        host->addPar("nxPortNum").setLongValue(nxPortNum);
        cModule* cpu = findModuleType("HostProcessor")->create("Cpu", host);
        cpu->setGateSize("from_driver", driverGates < 0 ? nxPortNum : driverGates);
        cpu->setGateSize("to_driver", driverGates < 0 ? nxPortNum : driverGates);
        findModuleType("PeripheralController")->create("Hpc", host);
        for (int i = 0; i < nxPortNum; ++i) {
            auto* port = new cCompoundModule("NxPort", host);
            port->setIndex(i, nxPortNum);
            auto* ctrl = new cCompoundModule("Fc2Ctrl", new cCompoundModule("Fc2", port));
            ctrl->addPar("asicUtilDelta").setDoubleValue(0.0);
        }
        return host;
    }
    static cModule* cpuOf(cModule* host) { return host->submodule("Cpu"); }
    static cPar& asicDelta(cModule* host, int port)
    {
        return host->submodule("NxPort", port)->moduleByRelativePath("Fc2.Fc2Ctrl")->par("asicUtilDelta");
    }

    // A test module `name`[index] with one input "in" and one output "out".
    LambdaModule* addLayer(const char* name, cModule* parent, std::function<void(LambdaModule&)> body, int index = -1,
                           int size = 2)
    {
        auto* m = new LambdaModule(name, parent, std::move(body));
        if (index >= 0)
            m->setIndex(index, size);
        m->addGate("in", 'I');
        m->addGate("out", 'O');
        return m;
    }

    ScratchDirectory scratch;
    std::ostringstream console;
};
