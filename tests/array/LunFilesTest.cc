#include "tests/array/LunFixture.h"

// The LUN's periodic ".IoOpen" file and the run's list of configured LUNs
// across arrays.
namespace {

const char* const LUNS = "LUNA 4 8 2 32 000,001,002,003 -\n"
                         "LUNB 2 4 1 4 010,011 -\n";
constexpr double MS = 1e-3;

class LunFilesTest : public LunTest {
  protected:
    // One group of a row: requests, average KB, successes, aborts, open, waiting.
    static std::string group(long req, double kb, long succ, long abrt, long open, long wait)
    {
        return col(std::to_string(req), 10) + num(kb, 3, 12) + col(std::to_string(succ), 10) +
               col(std::to_string(abrt), 10) + col(std::to_string(open), 10) + col(std::to_string(wait), 13);
    }
    static std::vector<std::string> header()
    {
        std::string names = col(" ", 18);
        for (int i = 0; i < 3; ++i)
            names += col("IoReq", 10) + col("IoSiz(KB)", 12) + col("IoSucc", 10) + col("IoAbrt", 10) +
                     col("IoOpen", 10) + col("IoWait", 13);
        return {col("SimTime(ms)", 18) + col("[LUN_IO - Total]", 65) + col("[LUN_IO - SCSI_READ]", 65) +
                    col("[LUN_IO - SCSI_WRITE]", 65),
                names, std::string(213, '-')};
    }
};

TEST_F(LunFilesTest, IoOpenRowsStartWithTheFirstRequestAndFollowEveryPeriod)
{
    array(LUNS + std::string("LUNC 1 4 1 4 100 -\n"), 4);
    CtrlMemProcessorStandIn::blockDelay = 1e-5;
    command(1 * MS, 1, {1, SCSI_READ, 0, 20480});
    byIoId(2 * MS, 1, "REQ_CMD_COMP", REQ_CMD_COMP, 1);
    command(12 * MS, 1, {2, SCSI_WRITE, 0, 8192});
    dataOut(13 * MS, 1, 2, 8192);
    command(25 * MS, 2, {3, SCSI_READ, 0, 4096});
    command(25.1 * MS, 2, {4, SCSI_READ, 1, 4096});
    endRunAt(35 * MS);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);

    std::vector<std::string> a = header();
    a.push_back(num(10, 4, 18) + group(1, 20, 1, 0, 0, 0) + group(1, 20, 1, 0, 0, 0) + group(0, 0, 0, 0, 0, 0));
    a.push_back(num(20, 4, 18) + group(1, 8, 1, 0, 0, 0) + group(0, 0, 0, 0, 0, 0) + group(1, 8, 1, 0, 0, 0));
    a.push_back(num(30, 4, 18) + group(0, 0, 0, 0, 0, 0) + group(0, 0, 0, 0, 0, 0) + group(0, 0, 0, 0, 0, 0));
    // The period that ends after the run is done still has its row.
    a.push_back(num(40, 4, 18) + group(0, 0, 0, 0, 0, 0) + group(0, 0, 0, 0, 0, 0) + group(0, 0, 0, 0, 0, 0));
    EXPECT_EQ(readLines("out/ioopen/Velmora.Dev1.LUNA.IoOpen"), a);

    // One read open, the other waiting for the single slot; the levels stay.
    std::vector<std::string> b = header();
    b.push_back(num(30, 4, 18) + group(2, 4, 0, 0, 1, 1) + group(2, 4, 0, 0, 1, 1) + group(0, 0, 0, 0, 0, 0));
    b.push_back(num(40, 4, 18) + group(0, 0, 0, 0, 1, 1) + group(0, 0, 0, 0, 1, 1) + group(0, 0, 0, 0, 0, 0));
    EXPECT_EQ(readLines("out/ioopen/Velmora.Dev1.LUNB.IoOpen"), b);
    EXPECT_FALSE(std::filesystem::exists("out/ioopen/Velmora.Dev1.LUNC.IoOpen"));
    EXPECT_FALSE(std::filesystem::exists("out/ioopen/Velmora.Dev1.LUN0.IoOpen"));
}

TEST_F(LunFilesTest, ANonPositiveIoOpenPeriodEndsTheRun)
{
    root->par("ioOpenTimeScale").setLongValue(0);
    array(LUNS, 2);
    EXPECT_EQ(runError(), "---> Invalid \"ioOpenTimeScale\". Must > 0ms. Please check the file \"omnetpp.ini\"");
}

// Capacities compare in whole MB. Dev1 and Dev2 both configure SHARED (six
// disks of 200 KB, 1 MB whole, and one of 100 KB) and SAME (100 KB and
// 200 KB: 0 MB both).
TEST_F(LunFilesTest, TheRunsLunListWarnsOfOneNameWithTwoSizes)
{
    array("SHARED 6 4 1 4 000,001,002,003,010,011 -\nSAME 1 4 1 4 100 -\n", 3, "Dev1", "array1.conf");
    array("SAME 1 4 1 4 000 -\nSHARED 1 4 1 4 100 -\n", 3, "Dev2", "array2.conf");
    endRunAt(1 * MS);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);

    EXPECT_EQ(
        readLines("out/GlobalLUNs.tmp"),
        (std::vector<std::string>{"SHARED 0.0011444091796875 Velmora.Dev1", "SAME 9.5367431640625e-05 Velmora.Dev1",
                                  "SAME 0.00019073486328125 Velmora.Dev2", "SHARED 9.5367431640625e-05 Velmora.Dev2"}));
    const auto log = readLines("out/Warnings.txt");
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[2], col("0", 10) + col("0.0000", 15) + col("Velmora.Dev2.CtrlMemCch.LunCtrl[2]", 62) +
                          "WARNING: Both Velmora.Dev2 and Velmora.Dev1 have setup LUN_WWN[SHARED] but their "
                          "capacities do not match.");
}

TEST_F(LunFilesTest, AThirdArrayWithTheSameNameEndsTheRun)
{
    array("SHARED 1 4 1 4 000 -\n", 2, "Dev1", "array1.conf");
    array("SHARED 1 4 1 4 000 -\n", 2, "Dev2", "array2.conf");
    array("SHARED 1 4 1 4 000 -\n", 2, "Dev3", "array3.conf");
    EXPECT_EQ(runError(), "---> LUN_WWN [SHARED] setup incorrect : this LUN was found being setup in more than 2 disk "
                          "arrays. For remote mirroring or data replica applications, please setup a given LUN_WWN in "
                          "at most 2 separate disk arrays");
}

} // namespace
