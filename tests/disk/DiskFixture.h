#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>

#include "messages/MsgKinds.h"
#include "sim/Sim.h"
#include "tests/shared/LoopPortStandIn.h"
#include "tests/shared/RunTest.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestHelpers.h"
#include "tests/shared/TestModules.h"

// Each test runs in a fresh directory holding copies of the disk data files
// (the tiny model TINY6K and the array file "array.conf"), under a root
// "Velmora" with the run-wide parameters the disks read. A storage device
// Dev1 holds the array's CtrlMemCch (only its `allDone`) and the boards
// Acp[i] with their groups ArrGrp[j], each with a stand-in loop port.
class DiskTest : public RunTest {
  protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(scratch.enter("/tmp/velmora_disk_XXXXXX", VELMORA_TEST_DATA));
        ev.setStream(&console);
        newNetwork();
    }
    // A fresh root, storage device and (unless the test builds the real
    // control memory) cache flag, replacing whatever was built before; the
    // files of the working directory stay.
    void newNetwork(bool cacheFlag = true)
    {
        simulation.deleteNetwork();
        // A run that was expected to stop early but does not still ends.
        simulation.setSimTimeLimit(100);
        root = newVelmoraRoot();
        root->addPar("progDataDir").setStringValue("out/");
        root->addPar("diskDrvDir").setStringValue("disk/");
        root->addPar("finishDir").setStringValue("finish/");
        root->addPar("dskStatTimeScale").setDoubleValue(35.0);
        root->addPar("dskStatFinishFileNew").setBoolValue(true);
        root->addPar("simDone").setBoolValue(false);
        root->addPar("writePhySecMap").setBoolValue(false);
        root->addPar("writeLogSecMap").setBoolValue(false);
        root->addPar("busUtilDir").setStringValue("bus/");
        root->addPar("busUtilTimeScale").setDoubleValue(100.0);
        addWarningsLog();
        device = new cCompoundModule("Dev1", root);
        device->addPar("confFile").setStringValue("array.conf");
        // The data-bus settings that the control memory publishes.
        device->addPar("cswBusWidth").setDoubleValue(64);
        device->addPar("cswBusClock").setDoubleValue(100);
        device->addPar("cswDlyUS").setDoubleValue(2);
        cache = nullptr;
        if (!cacheFlag)
            return;
        cache = new cCompoundModule("CtrlMemCch", device);
        cache->addPar("allDone").setBoolValue(false);
    }
    void TearDown() override
    {
        simulation.deleteNetwork();
        simulation.setSimTimeLimit(MAXTIME);
        ev.setStream(nullptr);
        scratch.leave();
    }

    // The loop port of Acp[acp].ArrGrp[grp] with `disks` disks; the boards
    // and groups are vectors of `acps` and `grps`.
    LoopPortStandIn* group(int acp, int grp, int disks, int acps = 2, int grps = 2)
    {
        cModule* board = device->submodule("Acp", acp);
        if (!board) {
            board = new cCompoundModule("Acp", device);
            board->setIndex(acp, acps);
        }
        auto* arrGrp = new cCompoundModule("ArrGrp", board);
        arrGrp->setIndex(grp, grps);
        return new LoopPortStandIn("FcAl", arrGrp, disks);
    }
    // Declares the run done, and the array's cache flushed, at `t`.
    void endRunAt(double t)
    {
        RunTest::endRunAt(t, [this] { cache->par("allDone").setBoolValue(true); });
    }
    // A model file `name`.params.ini holding `values`, and a seek file of
    // `seekRecords` records (d, 1.5 + 0.5 d).
    static void writeModel(const std::string& name, const std::string& values, int seekRecords)
    {
        writeFile(name + ".params.ini", "test model\nnames\n" + values + "\n");
        std::string seek;
        for (int d = 1; d <= seekRecords; ++d)
            seek += std::to_string(d) + " " + std::to_string(1.5 + 0.5 * d) + "\n";
        writeFile(name + ".seek.full.ini", seek);
    }
    // An array file whose section "[5]" holds `rows`.
    static void writeArrayFile(const std::string& rows)
    {
        writeFile("array.conf", "[4]\nAcpIdx ApcBusWidth ApcBusClock cpuModel\n0 64 100 ACP\n[5]\n"
                                "ACP_ID ARRGRP_ID portSpeed diskModel diskCount SecResp\n" +
                                    rows + "[6]\nLUN table\n");
    }

    ScratchDirectory scratch;
    std::ostringstream console;
    cModule* device = nullptr;
    cModule* cache = nullptr;
};
