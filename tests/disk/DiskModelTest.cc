#include <filesystem>
#include <fstream>

#include "disk/SeekTable.h"
#include "sim/ObjectAddress.h"
#include "tests/disk/DiskFixture.h"

namespace {

class DiskModelTest : public DiskTest {
  protected:
    // One disk of `model` in Acp[0].ArrGrp[0], initialised.
    cModule* initDisk(const std::string& model, int disks = 1)
    {
        writeArrayFile("0 0 2 " + model + " " + std::to_string(disks) + " N\n");
        LoopPortStandIn* port = group(0, 0, disks, 1, 1);
        simulation.callInitialize();
        return port->disk(0);
    }
    static std::string bandRow(int id, long cylNum, long cylS, long cylE, long tkSec, long secS, long secE)
    {
        return col(std::to_string(id), 8) + col(std::to_string(cylNum), 10) + col(std::to_string(cylS), 10) +
               col(std::to_string(cylE), 10) + col(std::to_string(tkSec), 10) + col(std::to_string(secS), 12) +
               col(std::to_string(secE), 12);
    }
};

TEST_F(DiskModelTest, TheShippedDriveHas15ZonesOfAbout36GB)
{
    for (const char* f : {"VM36G15K.params.ini", "VM36G15K.seek.full.ini"})
        std::filesystem::copy_file(std::filesystem::path(VELMORA_EXAMPLE_DATA) / f, f);
    cModule* disk = initDisk("VM36G15K");

    EXPECT_STREQ(disk->par("diskModel").stringValue(), "VM36G15K");
    EXPECT_EQ(disk->par("dskSecSiz").longValue(), 512);
    EXPECT_EQ(disk->par("bufSizInSec").longValue(), 16384);
    EXPECT_DOUBLE_EQ(disk->par("fcalDlyUS").doubleValue(), 0.24);
    // 71,717,992 sectors of 512 bytes: past what 32 bits of bytes can count.
    EXPECT_DOUBLE_EQ(disk->par("diskCapGB").doubleValue(), 71717992.0 * 512 / (1024.0 * 1024 * 1024));
    EXPECT_FALSE(disk->par("inUse").boolValue());

    const auto rows = readLines("out/disk/VM36G15K.DiskBand");
    ASSERT_EQ(rows.size(), 17u);
    EXPECT_EQ(rows[0], col("BandId", 8) + col("CylNum", 10) + col("Cyl_S", 10) + col("Cyl_E", 10) + col("TkSec", 10) +
                           col("CylSec_S", 12) + col("CylSec_E", 12));
    EXPECT_EQ(rows[1], std::string(72, '-'));
    EXPECT_EQ(rows[2], bandRow(0, 2670, 0, 2669, 584, 0, 6237119));
    EXPECT_EQ(rows[9], bandRow(7, 2491, 18146, 20636, 473, 38848124, 43561095));
    EXPECT_EQ(rows[16], bandRow(14, 2330, 35070, 37399, 381, 68167072, 71717991));

    // The seek curve, shared through the root.
    const auto* seeks = object_at<SeekTable>(root->par("VM36G15K_seek_ptr").longValue());
    ASSERT_EQ(seeks->records().size(), 37400u);
    EXPECT_DOUBLE_EQ(seeks->seek_ms(1), 0.2);
    EXPECT_DOUBLE_EQ(seeks->seek_ms(1296), 1.95);
    EXPECT_DOUBLE_EQ(seeks->seek_ms(37399), 7.4);
    EXPECT_DOUBLE_EQ(seeks->records()[99].distance, 100);
    // Over moves between two random cylinders, a move of d cylinders comes
    // up in proportion to 37400 - d.
    double weighted = 0, weights = 0;
    for (long d = 1; d < 37400; ++d) {
        weighted += seeks->seek_ms(d) * (37400 - d);
        weights += 37400 - d;
    }
    EXPECT_NEAR(weighted / weights, 3.6, 0.01);
}

TEST_F(DiskModelTest, TheTinyModelIsOneBandOfTenSectorsATrack)
{
    cModule* disk = initDisk("TINY6K");
    EXPECT_EQ(disk->par("bufSizInSec").longValue(), 4);
    EXPECT_DOUBLE_EQ(disk->par("diskCapGB").doubleValue(), 400.0 * 512 / (1024.0 * 1024 * 1024));
    const auto rows = readLines("out/disk/TINY6K.DiskBand");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[2], bandRow(0, 20, 0, 19, 10, 0, 399));
}

TEST_F(DiskModelTest, CylindersShrinkByTheGrowthFactorAndTheLastBandTakesTheRest)
{
    writeModel("Z3", "1000 512 100 3 0.5 0.5 0 2 7200 64 0.5 0.4 0.6 0.1 1 4 0", 1000);
    initDisk("Z3");
    const auto rows = readLines("out/disk/Z3.DiskBand");
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[2], bandRow(0, 473, 0, 472, 100, 0, 94599));
    EXPECT_EQ(rows[3], bandRow(1, 315, 473, 787, 100, 94600, 157599));
    EXPECT_EQ(rows[4], bandRow(2, 212, 788, 999, 99, 157600, 199575));
}

TEST_F(DiskModelTest, ASeekFileWithMoreRecordsIsReadOnlyAsFarAsTheCylinders)
{
    writeModel("S", "20 512 10 1 0.5 0.5 0 2 6000 2 0.5 0.4 0.6 0.1 1 4 0", 25);
    initDisk("S");
    const auto* seeks = object_at<SeekTable>(root->par("S_seek_ptr").longValue());
    EXPECT_EQ(seeks->records().size(), 20u);
    EXPECT_DOUBLE_EQ(seeks->seek_ms(20), 11.5);
}

// Each time is the double nearest to its text, whether it is short or has an
// exponent or more digits than a double holds exactly.
TEST_F(DiskModelTest, SeekTimesAreTheNearestDoublesToTheirText)
{
    const struct {
        const char* text;
        double value;
    } times[] = {{"-0.0", 0},
                 {"0.00000000000001", 1e-14},
                 {"0.1234567890123456", 0.1234567890123456},
                 {"0.2207", 0.2207},
                 {"0.3", 0.3},
                 {"+0.57", 0.57},
                 {"0.70", 0.7},
                 {"1.15", 1.15},
                 {"2.675", 2.675},
                 {"4.35", 4.35},
                 {"7", 7},
                 {"2.5e1", 25},
                 {"59999.9999999999", 59999.9999999999}};
    writeModel("S", "20 512 10 1 0.5 0.5 0 2 6000 2 0.5 0.4 0.6 0.1 1 4 0", 20);
    std::string seek;
    for (int d = 1; d <= 20; ++d)
        seek += std::to_string(d) + "  " + (d <= 13 ? times[d - 1].text : "60000") + "\n";
    writeFile("S.seek.full.ini", seek);
    initDisk("S");
    const auto* seeks = object_at<SeekTable>(root->par("S_seek_ptr").longValue());
    for (int d = 1; d <= 13; ++d)
        EXPECT_EQ(seeks->seek_ms(d), times[d - 1].value) << times[d - 1].text;
}

// A disk of a model already loaded shares its seek table: the file must be
// there but is not read again, and the sector maps are not written again,
// while the band file is.
TEST_F(DiskModelTest, LaterDisksOfAModelShareItsSeekTableAndRewriteOnlyTheBandFile)
{
    root->par("writePhySecMap").setBoolValue(true);
    writeArrayFile("0 0 2 TINY6K 2 N\n0 1 2 TINY6K 1 N\n");
    LoopPortStandIn* first = group(0, 0, 2, 1, 2);
    endRunAt(0.05);
    simulation.callInitialize();
    const long table = root->par("TINY6K_seek_ptr").longValue();
    EXPECT_EQ(readLines("out/disk/TINY6K.PhySecMap").size(), 22u);

    std::filesystem::remove("out/disk/TINY6K.PhySecMap");
    std::filesystem::remove("out/disk/TINY6K.DiskBand");
    writeFile("TINY6K.seek.full.ini", "1 9.0\n");
    LoopPortStandIn* later = group(0, 1, 1, 1, 2);
    simulation.startCreatedModules(later);
    EXPECT_EQ(root->par("TINY6K_seek_ptr").longValue(), table);
    EXPECT_TRUE(later->disk(0)->hasPar("diskCapGB"));
    EXPECT_EQ(readLines("out/disk/TINY6K.DiskBand").size(), 3u);
    EXPECT_FALSE(std::filesystem::exists("out/disk/TINY6K.PhySecMap"));

    // Both groups' disks seek by the table read first: a move of 1 cylinder
    // on the same head costs its first record, 2.0 ms.
    later->script = {{0, 0, 20, 136}};
    first->script = {{0, 1, 20, 136}};
    simulation.run();
    ASSERT_EQ(later->completions.size(), 1u);
    ASSERT_EQ(first->completions.size(), 1u);
    EXPECT_NEAR(later->completions[0].secResp, (0.1 + 2.0 + 8 + 1) / 1000, 1e-12);
    EXPECT_NEAR(first->completions[0].secResp, (0.1 + 2.0 + 8 + 1) / 1000, 1e-12);
}

TEST_F(DiskModelTest, ALaterDiskStillNeedsTheSeekFile)
{
    writeArrayFile("0 0 2 TINY6K 1 N\n0 1 2 TINY6K 1 N\n");
    group(0, 0, 1, 1, 2);
    simulation.callInitialize();
    std::filesystem::remove("TINY6K.seek.full.ini");
    LoopPortStandIn* later = group(0, 1, 1, 1, 2);
    EXPECT_EQ(errorOf([later] { simulation.startCreatedModules(later); }),
              "---> Couldn't open file \"TINY6K.seek.full.ini\": No such file or directory");
}

TEST_F(DiskModelTest, UnderCylinderMappingTheLogicalMapIsThePhysicalOne)
{
    root->par("writePhySecMap").setBoolValue(true);
    root->par("writeLogSecMap").setBoolValue(true);
    initDisk("TINY6K");
    const auto phy = readLines("out/disk/TINY6K.PhySecMap");
    const auto log = readLines("out/disk/TINY6K.LogSecMap_0");
    ASSERT_EQ(phy.size(), 22u);
    EXPECT_EQ(log, phy);
    EXPECT_EQ(phy[21], col("19", 11) + col("20", 12) + col("10", 12) + col("[380,389]", 23) + col("[390,399]", 23));
}

} // namespace
