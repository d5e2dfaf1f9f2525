// Paths that go away under the SCSI initiator: a node port that goes down
// takes its paths and their LUNs with it, the LUNs move to the paths that
// remain, and the reads and writes that were on the lost path are issued
// again with their first start time.

#include "messages/MsgKinds.h"
#include "tests/host/ScsiBed.h"

namespace {

using ScsiPathLoss = ScsiBedTest;

TEST_F(ScsiPathLoss, AReadInFlightOnALostPortIsIssuedAgainOnTheOtherWithItsFirstStartTime)
{
    ScsiBedSetup setup;
    setup.hostPorts = 2;
    setup.maskRows = {"LUN_A 0,1 - -"};
    setup.linkEvents = "@Host1.NxPort[0]\nD 1000\nU 2000\n";
    TestProcessor::LunTarget target = two_luns();
    // The first read is still being served when port 0 goes down.
    target.delay = [](const ScsiCdb& cdb, unsigned long) { return cdb.getCmdCode() == SCSI_READ ? 0.3 : 0.0; };
    setup.targets = {target};
    setup.plan = {{0.9, "LUN_A", SCSI_READ, 8192, 64, 3}};
    build(setup);
    ASSERT_EQ(run(), "");

    const auto served = commandsOf(0, SCSI_READ);
    ASSERT_EQ(served.size(), 2u);
    EXPECT_NEAR(served[0].time, 0.9, 0.001);
    EXPECT_GT(served[1].time, 1.0);
    EXPECT_LT(served[1].time, 1.01);
    EXPECT_EQ(served[1].blkAddr, 64u);
    EXPECT_EQ(served[1].dataLen, 8192u);

    const auto resp = rowsOf(ioRespFile(), 2);
    ASSERT_EQ(resp.size(), 1u);
    const auto f = fields(resp[0]);
    EXPECT_EQ(f[1], "900.0000");
    EXPECT_GT(std::stod(f[2]), 400.0);
    EXPECT_EQ(f[6], "328193"); // host port 1
    EXPECT_EQ(f[7], "328194");
    EXPECT_TRUE(readFile(ioFailFile()).empty());
    EXPECT_EQ(scsi().readStats().req, 1);
    EXPECT_EQ(scsi().readStats().succ, 1);

    // The LUN moved to port 1 when port 0 went down, and back to the lower
    // slot once port 0's new path had answered its INQUIRY.
    const auto a = activeRows("LUN_A");
    ASSERT_EQ(a.size(), 3u);
    EXPECT_EQ(a[0][2], "328192");
    EXPECT_NEAR(std::stod(a[1][0]), 1000.0, 1.0);
    EXPECT_EQ(a[1][2], "328193");
    EXPECT_GT(std::stod(a[2][0]), 2000.0);
    EXPECT_EQ(a[2][2], "328192");
    EXPECT_EQ(countOf(readFile(warningsFile()), "WARNING: IT_PATH [328192,328194] has been removed!"), 1);
    EXPECT_EQ(countOf(readFile(warningsFile()), "NOTICE: IT_PATH [328192,328194] has been created."), 2);
    EXPECT_EQ(scsi().openPathNum(), 2);
    EXPECT_TRUE(rootBool("ioDone"));
    expectCleanEnd();
}

TEST_F(ScsiPathLoss, WithItsOnlyPathGoneALunHasNoPathUntilTheNextDiscovery)
{
    ScsiBedSetup setup;
    setup.linkEvents = "@Host1.NxPort[0]\nD 1000\nU 2000\n";
    setup.plan = {{1.5, "LUN_A", SCSI_READ, 4096, 0, 1}, {3.0, "LUN_A", SCSI_WRITE, 4096, 8, 2}};
    build(setup);
    ASSERT_EQ(run(), "");

    const auto a = activeRows("LUN_A");
    ASSERT_EQ(a.size(), 3u);
    EXPECT_EQ(a[1], (std::vector<std::string>{a[1][0], "LUN_A", "0", "0"}));
    EXPECT_NEAR(std::stod(a[1][0]), 1000.0, 1.0);
    EXPECT_EQ(a[2][3], "328193");
    const std::string table = readFile(pathTblFile());
    EXPECT_EQ(countOf(table, "All paths are down. No SCSI IOs can be issued !!!\n" + std::string(53, '=')), 1);

    // The read while the port was down failed at once; the write after the
    // new discovery went through.
    const auto fail = rowsOf(ioFailFile(), 2);
    ASSERT_EQ(fail.size(), 1u);
    EXPECT_NE(fail[0].find("SCSI_IO_ABORT  [IT path(s) unavailable]"), std::string::npos);
    const auto resp = rowsOf(ioRespFile(), 2);
    ASSERT_EQ(resp.size(), 2u);
    EXPECT_EQ(fields(resp[0])[2], "-");
    EXPECT_NE(fields(resp[1])[2], "-");
    EXPECT_EQ(fields(resp[1])[5], "Wr");
    // Each discovery reported both LUNs.
    EXPECT_EQ(iogen().ready.size(), 4u);
    EXPECT_EQ(rootLong("netIoComp"), 2);
    EXPECT_TRUE(rootBool("simDone"));
    expectCleanEnd();
}

// One control I/O at a time and slow MODE SENSE answers: when port 0 goes
// down, its path's INQUIRY of LUN 1 still waits for admission. It is aborted
// with the path instead of running, after port 0 is back, on the new path
// for the same pair before that path's REPORT LUNS.
TEST_F(ScsiPathLoss, AControlIoWaitingOnARemovedPathIsAbortedWithItAndNeverRunsOnItsSuccessor)
{
    ScsiBedSetup setup;
    setup.hostPorts = 2;
    setup.maxCtrlIo = 1;
    setup.maskRows = {"LUN_A 0,1 - -", "LUN_B 0,1 - -"};
    setup.linkEvents = "@Host1.NxPort[0]\nD 1000\nU 2000\n";
    TestProcessor::LunTarget target = two_luns();
    target.delay = [](const ScsiCdb& cdb, unsigned long) { return cdb.getCmdCode() == SCSI_MODSNS ? 0.6 : 0.0; };
    setup.targets = {target};
    build(setup);
    ASSERT_EQ(run(), "");

    const auto fail = rowsOf(ioFailFile(), 2);
    ASSERT_EQ(fail.size(), 1u);
    EXPECT_EQ(fields(fail[0]), (std::vector<std::string>{"0", "1000.0220", "SCSI_IO", "-", "-", "-", "SCSI_IO_ABORT",
                                                         "[IT", "path(s)", "unavailable]", "Velmora.Host1.Scsi"}));
    const std::string log = readFile(warningsFile());
    EXPECT_EQ(countOf(log, "WARNING: SCSI_CTRL_IO INQUIRY of LUN 1 is aborted: IT_PATH [328192,328194] was removed "
                           "before it ran."),
              1);
    // The MODE SENSE open at the removal is dropped as before.
    EXPECT_EQ(countOf(log, "WARNING: SCSI_CTRL_IO has been removed due to IT path change!"), 1);
    EXPECT_EQ(countOf(log, "NULL"), 0) << log;
    EXPECT_EQ(scsi().ioAbrtNum(), 1);

    // The new path of port 0 asks for its LUNs afresh, after port 1's path.
    const auto modeSense = commandsOf(0, SCSI_MODSNS);
    ASSERT_EQ(modeSense.size(), 6u);
    EXPECT_GT(modeSense[4].time, 2.1);
    EXPECT_EQ(modeSense[4].lun, 1u);
    EXPECT_EQ(modeSense[5].lun, 2u);
    const auto reportLuns = commandsOf(0, SCSI_RPTLUNS);
    ASSERT_EQ(reportLuns.size(), 3u);
    EXPECT_LT(reportLuns[2].time, modeSense[4].time);
    // Port 1's path and port 0's new one each announce both LUNs.
    EXPECT_EQ(iogen().ready.size(), 4u);
    EXPECT_EQ(scsi().openPathNum(), 2);
    expectCleanEnd();
}

} // namespace
