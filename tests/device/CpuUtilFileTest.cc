#include "tests/shared/HostFixture.h"

namespace {

class CpuUtilTest : public HostTest {
  protected:
    // A layer that asks for the processor once at `start` and keeps it for
    // `hold` seconds.
    LambdaModule* holder(const char* name, cModule* parent, int index, double start, double hold)
    {
        return addLayer(
            name, parent,
            [start, hold, index](LambdaModule& m) {
                m.wait(start);
                auto* req = new cMessage("REQ_CPU_PROC", REQ_CPU_PROC, 0);
                if (index >= 0)
                    req->addPar("fc4Anx").setBoolValue(false);
                m.send(req, "out");
                delete m.receive();
                m.wait(hold);
                m.send(new cMessage("COMP_CPU_PROC", COMP_CPU_PROC, 0), "out");
                m.receive();
            },
            index);
    }
    // A row of a 10 ms period: the time, then (percent, ms) per column group.
    static std::string row(double timeMs, const std::vector<double>& busyMs)
    {
        std::string text = num(timeMs, 4, 15);
        for (double ms : busyMs)
            text += num(ms / 10.0 * 100, 4, 10) + num(ms, 6, 15);
        return text;
    }
};

TEST_F(CpuUtilTest, HeaderNamesEveryProcessAndPortAndTheFirstRowStandsAtTimeZero)
{
    buildHost("Host1", 2);
    endRunAt(0.001);
    runAll();
    const std::string cpu = col("CPU_P(%)", 10) + col("CPU_T(ms)", 15);
    const std::string asic = col("ASIC_P(%)", 10) + col("ASIC_T(ms)", 15);
    const std::vector<std::string> expected = {col("SimTime(ms)", 15) + col("SCSI", 25) + col("FC4[0]", 25) +
                                                   col("FC4[1]", 25) + col("FC2[0]", 25) + col("FC2[1]", 25),
                                               std::string(15, ' ') + cpu + cpu + cpu + asic + asic,
                                               std::string(140, '-'), row(0, {0, 0, 0, 0, 0}),
                                               // The row after simDone is the last.
                                               row(10, {0, 0, 0, 0, 0})};
    EXPECT_EQ(readLines("out/cpu/Velmora.Host1.CpuUtil"), expected);
}

TEST_F(CpuUtilTest, AGrantSpanningARowIsSplitBetweenTheRowsAndPortBusyTimeIsReadAndCleared)
{
    cModule* host = buildHost("Host1", 2);
    // The SCSI layer holds the processor from 5 to 15 ms; FC4[0] asks at
    // 12 ms and holds it from 15 to 17 ms.
    wire(cpuOf(host), "to_scsi", "from_scsi", -1, holder("Scsi", host, -1, 0.005, 0.010));
    wire(cpuOf(host), "to_driver", "from_driver", 0, holder("Fc4", host, 0, 0.012, 0.002));
    new LambdaModule("Port1", root, [&](LambdaModule& m) {
        m.wait(0.001);
        asicDelta(host, 1).setDoubleValue(0.003);
    });
    endRunAt(0.025);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);
    const std::vector<std::string> lines = readLines("out/cpu/Velmora.Host1.CpuUtil");
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[4], row(10, {5, 0, 0, 0, 3}));
    EXPECT_EQ(lines[5], row(20, {5, 2, 0, 0, 0}));
    EXPECT_EQ(lines[6], row(30, {0, 0, 0, 0, 0}));
    EXPECT_EQ(asicDelta(host, 1).doubleValue(), 0.0);
}

TEST_F(CpuUtilTest, AFileThatCannotBeOpenedStopsTheRunInTheProcessorsWords)
{
    // A directory where the file should be.
    std::filesystem::create_directories("out/cpu/Velmora.Host1.CpuUtil");
    buildHost("Host1", 1);
    EXPECT_EQ(runError(), "ERROR: Couldn't open file out/cpu/Velmora.Host1.CpuUtil!: Is a directory");
}

TEST_F(CpuUtilTest, ADirectoryThatCannotBeMadeIsTheReasonGiven)
{
    // A plain file where the directory should be.
    std::filesystem::create_directories("out");
    writeFile("out/cpu", "");
    buildHost("Host1", 1);
    EXPECT_EQ(runError(), "---> Couldn't create the directory \"out/cpu\" for the file "
                          "\"out/cpu/Velmora.Host1.CpuUtil\": Not a directory");
}

} // namespace
