#pragma once

#include <string>

#include "tests/shared/HostFixture.h"
#include "tests/shared/ScsiLayerStandIn.h"

// Hosts of a generator `IoGen` above a stand-in SCSI layer `Scsi`, under a
// root with the run-wide counters and settings the generator uses. A host's
// workload sections are written by the test.
class IoGenTest : public HostTest {
  protected:
    void SetUp() override
    {
        HostTest::SetUp();
        for (const char* flag : {"skipScsiIo", "netIoToGenFlag", "ioDone", "evDone"})
            root->addPar(flag).setBoolValue(false);
        root->addPar("warnFileNew").setBoolValue(true);
        root->addPar("netIoToGen").setLongValue(1);
        for (const char* counter : {"netIoNum", "netIoComp", "rawIoNum", "hostNum", "warningsCnt"})
            root->addPar(counter).setLongValue(0);
        root->addPar("maxIoGen").setLongValue(8);
        root->addPar("ioGenTimeScale").setDoubleValue(1.0);
        root->addPar("ioGenDir").setStringValue("iogen/");
        root->addPar("warningsFile").setStringValue("Warnings.log");
    }

    // A host `name` whose configuration file holds `workload` after a
    // general section; its stand-in SCSI layer is returned.
    ScsiLayerStandIn* genHost(const char* name, const std::string& workload)
    {
        const std::string conf = std::string(name) + ".conf";
        writeFile(conf,
                  "; workload of " + std::string(name) + "\n[1]\nHpcBusWidth ...\n32 66 HostCpu 8 64 16\n" + workload);
        auto* host = new cCompoundModule(name, root);
        host->addPar("confFile").setStringValue(conf.c_str());
        cModule* gen = findModuleType("IoGenerator")->create("IoGen", host);
        auto* scsi = new ScsiLayerStandIn("Scsi", host, 16384);
        scsi->gate("to_iogen")->connectTo(gen->gate("from_scsi"));
        gen->gate("to_scsi")->connectTo(scsi->gate("from_iogen"));
        return scsi;
    }

    // The five workload sections with their header lines; each argument holds
    // the section's rows, one per line.
    static std::string workload(const std::string& tables, const std::string& ioPatterns, const std::string& sizes,
                                const std::string& blocks, const std::string& gaps)
    {
        return "[3] IO generation\nLUN_WWN IoNum StartTime(ms) IoPattern\n" + tables +
               "[3.1] IO patterns\nIoPattern R/W SizePattern BlockPattern GapPattern\n" + ioPatterns +
               "[3.1.1] size patterns\nSizePattern dist RNG# Par1 Par2 Par3\n" + sizes +
               "[3.1.2] block patterns\nBlockPattern dist RNG# Par1 Par2 Par3\n" + blocks +
               "[3.1.3] gap patterns\nGapPattern dist RNG# MinGap OnShape OffShape Load Srcs Par1 Par2 Par3\n" + gaps;
    }

    // Sets the root's `evDone` at time `t`, as the link-event generators do.
    void evDoneAt(double t)
    {
        new LambdaModule("EvEnder", root, [this, t](LambdaModule& m) {
            m.wait(t);
            root->par("evDone").setBoolValue(true);
        });
    }

    // The root's end-of-phase flags as they stood at a chosen time.
    struct PhaseFlags {
        bool ioDone = false;
        bool simDone = false;
    };
    // Reads `ioDone` and `simDone` into `into` at time `t`.
    void phaseAt(double t, PhaseFlags& into)
    {
        new LambdaModule("PhaseProbe", root, [this, t, &into](LambdaModule& m) {
            m.wait(t);
            into = {rootBool("ioDone"), rootBool("simDone")};
        });
    }

    long rootLong(const char* name) const { return root->par(name).longValue(); }
    bool rootBool(const char* name) const { return root->par(name).boolValue(); }
};
