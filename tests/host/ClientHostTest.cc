// A real client host, every submodule its own, running a small workload
// through a real switch to a target board.

#include <algorithm>

#include "host/IoGenerator.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "tests/host/ScsiBed.h"

namespace {

class ClientHostTest : public ScsiBedTest {};

TEST_F(ClientHostTest, ItsGeneratorDrivesReadsAndWritesThroughItsInitiatorToTheTarget)
{
    ScsiBedSetup setup;
    setup.clientHost = true;
    setup.workload = "[3]\nLUN_WWN IoNum StartTime(ms) IoPattern\nLUN_A 6 10 Mix\n"
                     "[3.1]\nIoPattern R/W SizePattern BlockPattern GapPattern\nMix 50 Eight Walk Every\n"
                     "[3.1.1]\nSizePattern dist RNG# Par1 Par2 Par3\nEight const_size 0 8 - -\n"
                     "[3.1.2]\nBlockPattern dist RNG# Par1 Par2 Par3\nWalk seq_block 0 100 - -\n"
                     "[3.1.3]\nGapPattern dist RNG# MinGap OnShape OffShape Load Srcs Par1 Par2 Par3\n"
                     "Every const_gap 0 - - - - - 2 - -\n";
    build(setup);

    // Built in the order port, bus, FC-4 layer, processor, SCSI layer,
    // generator, statistics; one port sizes every vector to 1.
    cModule* h = host();
    const char* order[] = {"Hpc", "Fc4", "Cpu", "Scsi", "IoGen", "EeStat"};
    int previous = h->submodule("NxPort", 0)->id();
    for (const char* name : order) {
        cModule* m = std::string(name) == "Fc4" ? h->submodule("Fc4", 0) : h->submodule(name);
        ASSERT_NE(m, nullptr) << name;
        EXPECT_GT(m->id(), previous) << name;
        previous = m->id();
    }
    EXPECT_EQ(h->submodule("NxPort", 1), nullptr);
    EXPECT_EQ(h->submodule("Hpc")->gateSize("to_adapter"), 1);
    EXPECT_EQ(h->submodule("Cpu")->gateSize("from_driver"), 1);
    EXPECT_NE(dynamic_cast<IoGenerator*>(h->submodule("IoGen")), nullptr);
    EXPECT_STREQ(h->submodule("IoGen")->displayString(), "i=iogen;p=200,320;b=50,50");
    EXPECT_FALSE(h->gate("hb_in")->isConnected());
    EXPECT_FALSE(h->gate("hb_out")->isConnected());

    ASSERT_EQ(run(), "");

    auto commands = commandsOf(0, SCSI_READ);
    const auto writes = commandsOf(0, SCSI_WRITE);
    const size_t reads = commands.size();
    commands.insert(commands.end(), writes.begin(), writes.end());
    ASSERT_EQ(commands.size(), 6u);
    std::sort(commands.begin(), commands.end(), [](const auto& a, const auto& b) { return a.time < b.time; });
    for (size_t k = 0; k < commands.size(); ++k) {
        EXPECT_EQ(commands[k].blkAddr, 100 + 16 * k);
        EXPECT_EQ(commands[k].dataLen, 8192u);
        EXPECT_EQ(commands[k].lun, 1u);
    }

    const auto wrk = rowsOf("out/ioGen/Velmora.Host1.IoGen.Gen[0].IoWrkLoad", 4);
    ASSERT_EQ(wrk.size(), 6u);
    size_t readRows = 0;
    double firstMs = 0;
    for (size_t k = 0; k < wrk.size(); ++k) {
        const auto f = fields(wrk[k]);
        ASSERT_EQ(f.size(), 6u);
        if (k == 0)
            firstMs = std::stod(f[0]);
        EXPECT_NEAR(std::stod(f[0]), firstMs + 2.0 * static_cast<double>(k), 1e-9);
        EXPECT_EQ(f[1], std::to_string(k));
        readRows += f[2] == "Rd";
        EXPECT_EQ(f[3], "8.000");
        EXPECT_EQ(f[4], std::to_string(100 + 16 * k));
        EXPECT_EQ(f[5], "LUN_A");
    }
    EXPECT_EQ(readRows, reads);
    EXPECT_NEAR(commands[0].time * 1000, firstMs, 1.0);

    EXPECT_EQ(rowsOf(ioRespFile(), 2).size(), 6u);
    EXPECT_EQ(rootLong("netIoNum"), 6);
    EXPECT_EQ(rootLong("rawIoNum"), 6);
    EXPECT_EQ(rootLong("netIoComp"), 6);
    EXPECT_EQ(rootLong("netIoToGen"), 0);
    EXPECT_EQ(rootLong("hostNum"), 1);
    EXPECT_TRUE(rootBool("ioDone"));
    expectCleanEnd();
}

} // namespace
