#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>

#include "disk/DiskGeometry.h"
#include "tests/disk/DiskFixture.h"

// The tiny model TINY6K: 20 cylinders, 2 heads, 10 sectors per track at
// 6000 rpm, so a revolution takes 10 ms and a sector 1 ms; physical sector p
// lies at cylinder p / 20, head (p % 20) / 10, sector p % 10. A move of d
// cylinders seeks 1.5 + 0.5 d ms; controller overhead 0.1 ms, head switch
// 0.4 ms, cylinder switch 0.6 ms, write settling 0.5 ms; command queue 4 deep
// with no sorting delay. A completion reaches the port 0.5 us after the
// media are done.
namespace {

constexpr int RD = 136;
constexpr int WR = 128;
constexpr double TO_PORT = 5e-7;

class DiskDriveTest : public DiskTest {};

TEST_F(DiskDriveTest, EachKindOfHeadMoveCostsWhatTheMechanicsGive)
{
    LoopPortStandIn* port = group(0, 0, 2);
    // One request at a time, each long after the one before has finished.
    port->script = {
        {0.000, 0, 5, RD, 0, 50},    // same track, from sector 0 to 5: 5 sectors of latency
        {0.020, 0, 13, RD, 0, 51},   // head 1 on cylinder 0: on sector 0 after the switch, 3 to go
        {0.040, 0, 33, WR, 1, 52},   // head 1, 1 cylinder in: a seek, then sector 3 is only one away
        {0.060, 0, 47, WR, 2, 53},   // head 0, 1 cylinder in: a cylinder switch, from sector 1 to 7
        {0.080, 0, 380, RD, 19, 54}, // head 0, 17 cylinders in: arrives on sector 0
        {0.100, 0, 15, RD, 0, 55},   // head 1, 19 cylinders back: from sector 1 to 5
        {0.127, 0, 12, RD, 0, 56},   // same track, sector 7 under the head: round to sector 2
    };
    endRunAt(0.2);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);

    const double accessMs[] = {
        6.0, 0.1 + 0.4 + 3 + 1, 0.1 + 2.0 + 0.5 + 1, 0.1 + 0.6 + 0.5 + 6 + 1, 0.1 + 10.0 + 1, 0.1 + 11.0 + 4 + 1, 6.0};
    ASSERT_EQ(port->completions.size(), 7u);
    for (size_t i = 0; i < 7; ++i) {
        const auto& c = port->completions[i];
        EXPECT_NEAR(c.secResp, accessMs[i] / 1000, 1e-12) << i;
        EXPECT_NEAR(c.time, port->script[i].time + accessMs[i] / 1000 + TO_PORT, 1e-12) << i;
        EXPECT_EQ(c.dskSec, port->script[i].dskSec) << i;
        EXPECT_EQ(c.ioType, port->script[i].ioType) << i;
        EXPECT_EQ(c.disk, 0);
        EXPECT_EQ(c.dstDskId, 2) << "the port sits after the group's two disks";
        EXPECT_EQ(c.blkIoSbPtr, 1000 + static_cast<long>(c.dskSec));
        EXPECT_EQ(c.length, c.ioType == RD ? 512 + 52 : 0);
    }
    // The loop is freed the moment each request reaches the disk.
    ASSERT_EQ(port->loopFrees.size(), 7u);
    for (size_t i = 0; i < 7; ++i)
        EXPECT_DOUBLE_EQ(port->loopFrees[i].first, port->script[i].time);
    EXPECT_TRUE(port->other.empty());

    cModule* disk = port->disk(0);
    EXPECT_EQ(disk->par("rdSecReq").longValue(), 5);
    EXPECT_EQ(disk->par("wrSecReq").longValue(), 2);
    EXPECT_EQ(disk->par("rdSecCom").longValue(), 5);
    EXPECT_EQ(disk->par("wrSecCom").longValue(), 2);
    EXPECT_EQ(disk->par("zeroCylMove").longValue(), 2);
    EXPECT_EQ(disk->par("noneZeroCylMove").longValue(), 3);
    EXPECT_EQ(disk->par("headSwSec").longValue(), 1);
    EXPECT_EQ(disk->par("cylSwSec").longValue(), 1);
    EXPECT_EQ(disk->par("queActCnt").longValue(), 7);
    EXPECT_EQ(disk->par("queLenSum").longValue(), 7);
    EXPECT_NEAR(disk->par("secRespSum").doubleValue(), 55.5e-3, 1e-12);
    EXPECT_NE(console.str().find("Velmora.Dev1.Acp[0].ArrGrp[0].Disk[0]-->SEC_IO_REQ\n"), std::string::npos);

    // Every access of the group, with its parts, in ".SecResp".
    const auto rows = readLines("out/disk/Velmora.Dev1.Acp[0].ArrGrp[0].Disk[0].SecResp");
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[0], col("Idx", 9) + col("AccT(ms)", 15) + col("ReqT(ms)", 15) + col("LogSec", 12) +
                           col("PhySec", 12) + col("LunBlk", 12) + col("DskBlk", 12) + col("Type", 8) +
                           col("Resp(ms)", 12) + col("Seek(ms)", 12) + col("HdSw(ms)", 12) + col("CylSw(ms)", 12) +
                           col("Rotat(ms)", 12) + col("Xfer(ms)", 12));
    EXPECT_EQ(rows[1], std::string(167, '-'));
    EXPECT_EQ(rows[5], col("3", 9) + num(60, 4, 15) + num(60, 4, 15) + col("47", 12) + col("47", 12) + col("53", 12) +
                           col("2", 12) + col("Wr", 8) + num(8.2, 4, 12) + num(0.5, 4, 12) + num(0, 4, 12) +
                           num(0.6, 4, 12) + num(6, 4, 12) + num(1, 4, 12));
    EXPECT_EQ(rows[3].substr(0, 9 + 15 + 15 + 48 + 8), col("1", 9) + num(20, 4, 15) + num(20, 4, 15) + col("13", 12) +
                                                           col("13", 12) + col("51", 12) + col("0", 12) + col("Rd", 8));
    // The group's second disk was given nothing and wrote no response file.
    EXPECT_EQ(port->disk(1)->par("rdSecReq").longValue(), 0);
    EXPECT_FALSE(std::ifstream("out/disk/Velmora.Dev1.Acp[0].ArrGrp[0].Disk[1].SecResp").good());
}

// Requests that arrive together: the first forms a batch alone; the rest
// fill the queue behind it, four deep, and are sorted: the rest of the
// block being served first, in arrival order, then the lowest sector, the
// older of equal sectors first. What does not fit waits for the next batch.
TEST_F(DiskDriveTest, TheCommandQueueServesTheCurrentBlockFirstThenTheLowestSectors)
{
    LoopPortStandIn* port = group(0, 1, 1);
    port->script = {
        {0, 0, 0, RD, 4},  {0, 0, 25, RD, 4}, {0, 0, 12, RD, 3}, {0, 0, 2, WR, 4},
        {0, 0, 12, WR, 5}, {0, 0, 1, RD, 9},  {0, 0, 7, RD, 9},
    };
    endRunAt(0.5);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);
    const std::vector<unsigned long> order = {0, 25, 2, 12, 12, 1, 7};
    EXPECT_EQ(port->completedSectors(), order);
    ASSERT_EQ(port->completions.size(), 7u);
    EXPECT_EQ(port->completions[3].ioType, RD) << "of the two requests for sector 12 the older is served first";
    EXPECT_EQ(port->completions[4].ioType, WR);
    cModule* disk = port->disk(0);
    EXPECT_EQ(disk->par("queActCnt").longValue(), 3);
    EXPECT_EQ(disk->par("queLenSum").longValue(), 1 + 4 + 2);
    for (size_t i = 1; i < port->completions.size(); ++i)
        EXPECT_GT(port->completions[i].time, port->completions[i - 1].time);
    // Sector 0 takes one sector time; then from sector 1 of cylinder 0 to
    // sector 5 of cylinder 1: 0.1 + 2.0 ms to arrive on sector 3, so two
    // sectors of latency.
    EXPECT_NEAR(port->completions[1].secResp, (0.1 + 2.0 + 2 + 1) / 1000, 1e-12);
}

// Each request is its own batch; the sorting delay is spent whenever a
// batch is formed from a queue that is not full.
TEST_F(DiskDriveTest, AQueueOneDeepServesInArrivalOrder)
{
    writeModel("Q1", "20 512 10 1 0.5 0.5 0 2 6000 2 0.5 0.4 0.6 0.1 1 1 250", 20);
    writeArrayFile("0 0 1 Q1 1 N\n");
    LoopPortStandIn* port = group(0, 0, 1, 1, 1);
    port->script = {{0, 0, 5, RD}, {0, 0, 3, RD}, {0, 0, 1, RD}};
    endRunAt(0.1);
    runAll();
    const std::vector<unsigned long> order = {5, 3, 1};
    EXPECT_EQ(port->completedSectors(), order);
    EXPECT_EQ(port->disk(0)->par("queActCnt").longValue(), 3);
    ASSERT_EQ(port->completions.size(), 3u);
    // 0.25 ms of sorting first, still on sector 0: 5 sectors of latency.
    EXPECT_NEAR(port->completions[0].time, 0.25e-3 + 6e-3 + TO_PORT, 1e-12);
    // Sector 3 waited in the full queue: served at once at 6.25 ms, with
    // sector 6 under the head, 7 sectors away.
    EXPECT_NEAR(port->completions[1].secResp, 8e-3, 1e-12);
    EXPECT_NEAR(port->completions[1].time, 6.25e-3 + 8e-3 + TO_PORT, 1e-12);
    // Sector 1 was still in the disk's intake: sorted for 0.25 ms, then
    // from sector 4, 7 sectors away.
    EXPECT_NEAR(port->completions[2].time, 14.25e-3 + 0.25e-3 + 8e-3 + TO_PORT, 1e-12);
}

TEST_F(DiskDriveTest, BandBasedMappingFillsOneSurfaceBeforeTheNextHead)
{
    writeModel("B1", "20 512 10 1 0.5 0.5 1 2 6000 2 0.5 0.4 0.6 0.1 1 4 0", 20);
    writeArrayFile("0 0 2 B1 1 Y\n");
    root->par("writePhySecMap").setBoolValue(true);
    root->par("writeLogSecMap").setBoolValue(true);
    LoopPortStandIn* port = group(0, 0, 1, 1, 1);
    // Logical 205 is head 1, cylinder 0, sector 5: physical 15. Logical 37
    // is head 0, cylinder 3, sector 7: physical 67.
    port->script = {{0, 0, 205, RD}, {0.05, 0, 37, RD}};
    endRunAt(0.1);
    runAll();
    const auto rows = readLines("out/disk/Velmora.Dev1.Acp[0].ArrGrp[0].Disk[0].SecResp");
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[2].substr(39, 24), col("205", 12) + col("15", 12));
    EXPECT_EQ(rows[3].substr(39, 24), col("37", 12) + col("67", 12));
    // Head switch at 0: on sector 0 after 0.5 ms, 5 to go.
    ASSERT_EQ(port->completions.size(), 2u);
    EXPECT_NEAR(port->completions[0].secResp, (0.1 + 0.4 + 5 + 1) / 1000, 1e-12);

    const auto phy = readLines("out/disk/B1.PhySecMap");
    const auto log = readLines("out/disk/B1.LogSecMap_1");
    ASSERT_EQ(phy.size(), 22u);
    ASSERT_EQ(log.size(), 22u);
    EXPECT_EQ(phy[0],
              col("CYL_ID", 11) + col("CYL_SEC", 12) + col("TRK_SEC", 12) + col("HEAD[0]", 23) + col("HEAD[1]", 23));
    EXPECT_EQ(phy[1], std::string(2 * 23 + 35, '-'));
    EXPECT_EQ(phy[5], col("3", 11) + col("20", 12) + col("10", 12) + col("[60,69]", 23) + col("[70,79]", 23));
    EXPECT_EQ(log[5], col("3", 11) + col("20", 12) + col("10", 12) + col("[30,39]", 23) + col("[230,239]", 23));
    EXPECT_EQ(log[21], col("19", 11) + col("20", 12) + col("10", 12) + col("[190,199]", 23) + col("[390,399]", 23));
    EXPECT_FALSE(std::ifstream("out/disk/B1.LogSecMap_0").good());
}

TEST_F(DiskDriveTest, TheSectorUnderTheHeadNeverPassesTheEndOfTheTrack)
{
    // At 15000 rpm and 3 sectors a track, the last moment of a revolution
    // divides out to a whole 3 in floating point.
    const double period = 60000.0 / 15000;
    const double last = std::nextafter(period, 0.0);
    ASSERT_GE(std::fmod(last, period) / (period / 3), 3.0);
    EXPECT_EQ(DiskGeometry::sector_under_head(last, period, 3), 2);
    EXPECT_EQ(DiskGeometry::sector_under_head(period, period, 3), 0);
    EXPECT_EQ(DiskGeometry::sector_under_head(period * 1.5, period, 3), 1);
}

// Times next to whole revolutions are where a quotient found by division is
// one off; the sector must be the one the exact remainder gives.
TEST_F(DiskDriveTest, TheSectorUnderTheHeadComesFromTheExactRemainderOfTheRevolution)
{
    std::mt19937_64 gen(7);
    std::uniform_int_distribution<long> turns(0, 4000000);
    for (const double rpm : {5400.0, 7200.0, 10025.0, 15000.0}) {
        const double period = 60000.0 / rpm;
        for (int i = 0; i < 20000; ++i) {
            const double whole = static_cast<double>(turns(gen)) * period;
            for (const double ms : {whole, std::nextafter(whole, 0.0), std::nextafter(whole, 1e300), whole + 0.37}) {
                const long secPerTrk = 381 + i % 204;
                const long want =
                    std::min(static_cast<long>(std::fmod(ms, period) / (period / static_cast<double>(secPerTrk))),
                             secPerTrk - 1);
                ASSERT_EQ(DiskGeometry::sector_under_head(ms, period, secPerTrk), want) << ms << " " << period;
            }
        }
    }
}

TEST_F(DiskDriveTest, ADiskLeftWithoutAModelRefusesItsFirstMessage)
{
    writeArrayFile("0 0 1 UNKNOWN_DISK_MODEL 1 N\n");
    LoopPortStandIn* port = group(0, 0, 1, 1, 1);
    port->script = {{0.001, 0, 5, RD}};
    EXPECT_EQ(runError(), "---> unable to process message SEC_IO_REQ since diskModel is not setup successfully");
    EXPECT_FALSE(port->disk(0)->hasPar("diskModel"));
    EXPECT_FALSE(port->disk(0)->hasPar("dskSecSiz"));
}

TEST_F(DiskDriveTest, AMessageOfAnotherKindStopsTheRun)
{
    LoopPortStandIn* port = group(0, 1, 1);
    port->strays = {{0.001, 0, "PORT_UP", PORT_UP}};
    EXPECT_EQ(runError(), "---> No idea know how to handle message: PORT_UP");
}

} // namespace
