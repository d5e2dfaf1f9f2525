#pragma once

#include <gtest/gtest.h>

#include <filesystem>

#include "sim/Sim.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestHelpers.h"

// Each test runs in a fresh working directory that holds copies of the data
// files of its folder, if it has any, under a root module "Velmora" with the
// run-wide parameters that the configuration and log helpers use.
class DeviceTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        const bool hasData = std::filesystem::is_directory(VELMORA_TEST_DATA);
        ASSERT_NO_FATAL_FAILURE(scratch.enter("/tmp/velmora_device_XXXXXX", hasData ? VELMORA_TEST_DATA : nullptr));

        simulation.deleteNetwork();
        root = newVelmoraRoot();
        for (const char* flag : {"warnFileNew", "timingFileNew", "nxPortMapNew"})
            root->addPar(flag).setBoolValue(true);
        for (const char* counter : {"warningsCnt", "actvNxPortNum"})
            root->addPar(counter).setLongValue(0);
        root->addPar("iniEqName").setLongValue(100000);
        root->addPar("defConCurrSeq").setLongValue(16);
        root->addPar("warningsFile").setStringValue("logs/Warnings.log");
        root->addPar("timingFile").setStringValue("Timing.txt");
        root->addPar("nxPortMapFile").setStringValue("NxPortMap.txt");
        root->addPar("progDataDir").setStringValue("out/");
        root->addPar("cpuUtilDir").setStringValue("cpu/");
    }
    void TearDown() override
    {
        simulation.deleteNetwork();
        scratch.leave();
    }

    ScratchDirectory scratch;
    cModule* root = nullptr;
};
