#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "sim/Sim.h"
#include "tests/shared/TestHelpers.h"
#include "tests/shared/TestModules.h"

// A test that builds a device under `root` and runs it to its end.
class RunTest : public ::testing::Test {
  protected:
    // Sets the root's `simDone` at time `t`, after which periodic rows stop;
    // `alsoThen` marks whatever else ends with the run.
    void endRunAt(double t, std::function<void()> alsoThen = {})
    {
        new LambdaModule("Ender", root, [this, t, alsoThen](LambdaModule& m) {
            m.wait(t);
            root->par("simDone").setBoolValue(true);
            if (alsoThen)
                alsoThen();
        });
    }
    // A new root with the run-wide settings a device reads: output folders,
    // timing file, time scales (the bus rows' every `busUtilTimeScale` s).
    void newDeviceRoot(double busUtilTimeScale)
    {
        root = newVelmoraRoot();
        root->addPar("equipId").setLongValue(0);
        root->addPar("iniEqName").setLongValue(100000);
        root->addPar("progDataDir").setStringValue("out/");
        root->addPar("cpuUtilDir").setStringValue("cpu/");
        root->addPar("busUtilDir").setStringValue("bus/");
        root->addPar("cpuUtilTimeScale").setLongValue(10);
        root->addPar("busUtilTimeScale").setDoubleValue(busUtilTimeScale);
        root->addPar("simDone").setBoolValue(false);
        root->addPar("timingFile").setStringValue("Timing.txt");
        root->addPar("timingFileNew").setBoolValue(true);
        addWarningsLog();
    }
    // The run's warnings log, out/Warnings.txt, for readers that warn.
    void addWarningsLog()
    {
        root->addPar("warningsFile").setStringValue("out/Warnings.txt");
        root->addPar("warnFileNew").setBoolValue(true);
        root->addPar("warningsCnt").setLongValue(0);
    }
    RunOutcome runAll() { return runToFinish(); }
    std::string runError()
    {
        return errorOf([this] { runAll(); });
    }

    // Joins a test module with gates "in" and "out" both ways to `mod`'s
    // gates `<to>[index]` and `<from>[index]` (index -1 for scalar gates).
    static void wire(cModule* mod, const char* to, const char* from, int index, cModule* layer)
    {
        mod->gate(to, index)->connectTo(layer->gate("in"));
        layer->gate("out")->connectTo(mod->gate(from, index));
    }

    cModule* root = nullptr;
};
