#pragma once

#include <gtest/gtest.h>

#include <string>

#include "sim/Sim.h"
#include "sim/cIniFile.h"
#include "tests/shared/ScratchDirectory.h"

// Sets the network "Velmora" up from the test bed's ini in the data folder,
// with the stand-in devices in place of hosts, switches and arrays, in a
// scratch directory of its own: a run takes its program-data folder for
// itself, and test cases run side by side.
class VelmoraNetworkTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        simulation.deleteNetwork();
        ASSERT_NO_FATAL_FAILURE(scratch.enter("/tmp/velmora_network_XXXXXX"));
    }
    void TearDown() override
    {
        simulation.deleteNetwork();
        simulation.setIniFile(nullptr);
    }
    // The root after setting up, with these ini lines taking precedence.
    cModule* setUp(const std::string& lines = "")
    {
        ini.clear();
        ini.readText("[Parameters]\n" + lines + "\n");
        ini.readFile(VELMORA_TEST_DATA "/omnetpp.ini");
        simulation.setIniFile(&ini);
        simulation.setupNetwork("Velmora");
        return simulation.systemModule();
    }
    // The error that stops the set-up with these lines.
    std::string setUpError(const std::string& lines)
    {
        try {
            setUp(lines);
        } catch (const cRuntimeError& e) {
            return e.what();
        }
        return "(set up without error)";
    }

    cIniFile ini;
    ScratchDirectory scratch;
};
