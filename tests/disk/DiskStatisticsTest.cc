#include <filesystem>

#include "tests/disk/DiskFixture.h"

namespace {

constexpr int RD = 136;
constexpr int WR = 128;

class DiskStatisticsTest : public DiskTest {
  protected:
    static std::string count(long n, size_t width) { return col(std::to_string(n), width); }
    // MB/s of `sectors` 512-byte sectors served in `respMs` of access time.
    static double mbps(int sectors, double respMs) { return sectors * 512 / (respMs / 1000 * 1024 * 1024); }
    static std::string statRow(double ms, long rdReq, long rdCom, long wrReq, long wrCom, long act, double perf,
                               long nz, long z, long hdSw, long cylSw)
    {
        return num(ms, 4, 18) + count(rdReq, 12) + count(rdCom, 12) + count(wrReq, 12) + count(wrCom, 12) +
               count(act, 10) + (act > 0 ? num(1, 2, 10) : col("0", 10)) + num(perf, 6, 15) + count(nz, 12) +
               count(z, 12) + count(hdSw, 10) + count(cylSw, 10);
    }
    static std::string finishRow(const char* label, const std::vector<std::string>& values)
    {
        std::string row = col(label, 17) + " : ";
        for (const std::string& v : values)
            row += col(v, 15);
        return row;
    }
};

// The accesses of the tiny model from the drive test, one at a time, with
// rows every 35 ms; the run is done at 150 ms, so the row at 175 ms, an
// interval without work, is the last.
TEST_F(DiskStatisticsTest, DiskStatRowsCountEachIntervalAndTheFinishTableTheRun)
{
    writeFile("out/finish/DiskStat.Finish", "left over from another run\n");
    LoopPortStandIn* a = group(0, 0, 2);
    a->script = {{0.000, 0, 5, RD},   {0.020, 0, 13, RD}, {0.040, 0, 33, WR}, {0.060, 0, 47, WR},
                 {0.080, 0, 380, RD}, {0.100, 0, 15, RD}, {0.127, 0, 12, RD}};
    LoopPortStandIn* b = group(1, 0, 1);
    b->script = {{0.000, 0, 0, WR}, {0.010, 0, 25, RD}};
    endRunAt(0.15);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);

    const std::vector<std::string> expected = {
        col("SimTime(ms)", 18) + col("SecRdReq", 12) + col("SecRdCom", 12) + col("SecWrReq", 12) + col("SecWrCom", 12) +
            col("QueAct", 10) + col("QueLen", 10) + col("Perf(MBps)", 15) + col("NZ_Cyl", 12) + col("Z_Cyl", 12) +
            col("HdSw", 10) + col("CylSw", 10),
        std::string(145, '-'),
        statRow(35, 2, 2, 0, 0, 2, mbps(2, 6 + 4.5), 0, 1, 1, 0),
        statRow(70, 0, 0, 2, 2, 2, mbps(2, 3.6 + 8.2), 1, 0, 0, 1),
        // The sixth request is on the media at 105 ms, not yet back.
        statRow(105, 2, 1, 0, 0, 2, mbps(1, 11.1), 2, 0, 0, 0),
        statRow(140, 1, 2, 0, 0, 1, mbps(2, 16.1 + 6), 0, 1, 0, 0),
        statRow(175, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0),
    };
    EXPECT_EQ(readLines("out/disk/Velmora.Dev1.Acp[0].ArrGrp[0].Disk[0].DskStat"), expected);
    // A disk that was given nothing writes no rows.
    EXPECT_FALSE(std::filesystem::exists("out/disk/Velmora.Dev1.Acp[0].ArrGrp[0].Disk[1].DskStat"));
    EXPECT_EQ(readLines("out/disk/Velmora.Dev1.Acp[1].ArrGrp[0].Disk[0].DskStat").size(), 2u + 5u);

    const auto lines = readLines("out/finish/DiskStat.Finish");
    ASSERT_EQ(lines.size(), 40u);
    const std::string eq2(65, '='), dash2(65, '-');
    const std::vector<std::string> tableA = {
        "Velmora.Dev1.Acp[0].ArrGrp[0]",
        eq2,
        col(" ", 17) + " | " + col("Total", 15) + col("Disk[0]", 15) + col("Disk[1]", 15),
        dash2,
        finishRow("Sec_Read_Req", {"5", "5", "0"}),
        finishRow("Sec_Write_Req", {"2", "2", "0"}),
        dash2,
        finishRow("Queue_Actions", {"7", "7", "0"}),
        finishRow("Ave_Que_Len", {"1.00", "1.00", "0.00"}),
        dash2,
        finishRow("Sec_Read_Com", {"5", "5", "0"}),
        finishRow("Sec_Write_Com", {"2", "2", "0"}),
        col("Performance(MBps)", 17) + " : " + col("-", 15) + num(mbps(7, 55.5), 6, 15) + num(0, 6, 15),
        dash2,
        finishRow("Zero_Cylinder", {"2", "2", "0"}),
        finishRow("None_Zero_Cyl", {"3", "3", "0"}),
        finishRow("Head_Switch", {"1", "1", "0"}),
        finishRow("Cylinder_Switch", {"1", "1", "0"}),
        eq2,
        "",
    };
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 20), tableA);
    // The second group's table follows, one disk wide: a write on the
    // current track, then a seek to the next cylinder.
    EXPECT_EQ(lines[20], "Velmora.Dev1.Acp[1].ArrGrp[0]");
    EXPECT_EQ(lines[21], std::string(50, '='));
    EXPECT_EQ(lines[27], finishRow("Queue_Actions", {"2", "2"}));
    EXPECT_EQ(lines[32], col("Performance(MBps)", 17) + " : " + col("-", 15) + num(mbps(2, 1 + 6.1), 6, 15));
    EXPECT_EQ(lines[34], finishRow("Zero_Cylinder", {"1", "1"}));
    EXPECT_EQ(lines[35], finishRow("None_Zero_Cyl", {"1", "1"}));
    EXPECT_FALSE(root->par("dskStatFinishFileNew").boolValue());
}

// The disks keep their timers going past the end of the host side of the
// run while the array's cache is still flushing.
TEST_F(DiskStatisticsTest, RowsGoOnUntilTheArraysCacheIsFlushed)
{
    LoopPortStandIn* port = group(0, 1, 1);
    port->script = {{0.001, 0, 3, RD}};
    new LambdaModule("Ender", root, [this](LambdaModule& m) {
        m.wait(0.05);
        root->par("simDone").setBoolValue(true);
        m.wait(0.1);
        cache->par("allDone").setBoolValue(true);
    });
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);
    // Rows at 35, 70, 105, 140 and 175 ms.
    const auto rows = readLines("out/disk/Velmora.Dev1.Acp[0].ArrGrp[1].Disk[0].DskStat");
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[6].substr(0, 18), num(175, 4, 18));
}

} // namespace
