#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <sstream>
#include <string>

#include "messages/MsgKinds.h"
#include "sim/Sim.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestHelpers.h"
#include "tests/shared/TestModules.h"

// Each test runs in a fresh directory holding copies of the host data files
// (host.conf and the CPU model HostCpu), under a root "Velmora" with the
// run-wide parameters the processor and the bus use. Hosts are built by hand
// from the processor `Cpu`, the bus `Hpc` and stand-ins for the port
// controllers; small test modules take the places of the SCSI layer and the
// FC-4 layers.
class HostTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(scratch.enter("/tmp/velmora_host_XXXXXX", VELMORA_TESTS_DIR "/host/data"));
        ev.setStream(&console);

        simulation.deleteNetwork();
        root = newVelmoraRoot();
        root->addPar("equipId").setLongValue(0);
        root->addPar("iniEqName").setLongValue(100000);
        root->addPar("progDataDir").setStringValue("out/");
        root->addPar("cpuUtilDir").setStringValue("cpu/");
        root->addPar("busUtilDir").setStringValue("bus/");
        root->addPar("cpuUtilTimeScale").setLongValue(10);
        root->addPar("busUtilTimeScale").setDoubleValue(10.0);
        root->addPar("simDone").setBoolValue(false);
        root->addPar("timingFile").setStringValue("Timing.txt");
        root->addPar("timingFileNew").setBoolValue(true);
    }
    void TearDown() override
    {
        simulation.deleteNetwork();
        ev.setStream(nullptr);
        scratch.leave();
    }

    // `value` fixed-point with `decimals`, left-justified in `width`.
    static std::string num(double value, int decimals, size_t width)
    {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
        return col(buf, width);
    }

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
    // Joins a layer both ways to `mod`'s gates `<to>[index]` and
    // `<from>[index]` (index -1 for scalar gates).
    static void wire(cModule* mod, const char* to, const char* from, int index, cModule* layer)
    {
        mod->gate(to, index)->connectTo(layer->gate("in"));
        layer->gate("out")->connectTo(mod->gate(from, index));
    }
    // Sets the root's `simDone` at time `t`, after which the periodic rows stop.
    void endRunAt(double t)
    {
        new LambdaModule("Ender", root, [this, t](LambdaModule& m) {
            m.wait(t);
            root->par("simDone").setBoolValue(true);
        });
    }
    RunOutcome runAll()
    {
        return runToFinish();
    }
    std::string runError()
    {
        return errorOf([this] { runAll(); });
    }

    ScratchDirectory scratch;
    std::ostringstream console;
    cModule* root = nullptr;
};
