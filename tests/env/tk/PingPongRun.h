#pragma once

#include <gtest/gtest.h>

#include <string>

#include "sim/Sim.h"
#include "sim/cIniFile.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestHelpers.h"

// The shipped PingPong network, set up and initialised in its own directory
// with `rounds` round trips, for the graphical environment's parts to drive.
class PingPongRun : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(scratch.enter("/tmp/velmora_tkparts_XXXXXX"));
        writeFile("omnetpp.ini", "[General]\nnetwork = PingPong\n[Parameters]\nPingPong.cableDelay = 0.000005\n"
                                 "PingPong.Ping.rounds = " +
                                     std::to_string(rounds()) + "\nPingPong.Pong.serviceTime = 0.00001\n");
        ini.readFile("omnetpp.ini");
        simulation.setIniFile(&ini);
        simulation.setSimTimeLimit(MAXTIME);
        simulation.setupNetwork("PingPong");
        simulation.callInitialize();
    }
    void TearDown() override
    {
        simulation.deleteNetwork();
        simulation.setIniFile(nullptr);
        ev.setDisabled(false);
        ev.setStream(&std::cout);
        scratch.leave();
    }
    virtual int rounds() const { return 50; }
    cModule* module(const char* path) const { return simulation.moduleByPath(path); }

    ScratchDirectory scratch;
    cIniFile ini;
};
