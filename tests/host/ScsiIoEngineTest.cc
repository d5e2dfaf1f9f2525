// Reads and writes through the SCSI initiator over the real port stack:
// sub-I/Os of at most 64 KiB, admission, the order of the response file,
// time-outs with abort and retry, and the statistics and root counters.

#include "messages/MsgKinds.h"
#include "tests/host/ScsiBed.h"

namespace {

class ScsiIoEngine : public ScsiBedTest {
  protected:
    static double number(const std::string& text) { return std::stod(text); }
};

TEST_F(ScsiIoEngine, IosSplitIntoSubIosOfAtMost64KiBAndAreCountedInEveryFile)
{
    ScsiBedSetup setup;
    setup.maskRows = {"LUN_A 0 - -", "LUN_B 0 - -"};
    setup.plan = {{0.50, "LUN_A", SCSI_READ, 1024, 100, 1},
                  {0.51, "LUN_A", SCSI_READ, 65536, 100, 2},
                  {0.52, "LUN_A", SCSI_READ, 65537, 100, 3},
                  {0.53, "LUN_B", SCSI_WRITE, 65537, 40, 4},
                  {0.75, "LUN_B", SCSI_WRITE, 2048, 0, 5}};
    build(setup);
    ASSERT_EQ(run(), "");

    const auto reads = commandsOf(0, SCSI_READ);
    ASSERT_EQ(reads.size(), 4u);
    EXPECT_EQ(reads[0].dataLen, 1024u);
    EXPECT_EQ(reads[1].dataLen, 65536u);
    EXPECT_EQ(reads[2].dataLen, 65536u);
    EXPECT_EQ(reads[3].dataLen, 1u);
    EXPECT_EQ(reads[0].blkAddr, 100u);
    EXPECT_EQ(reads[2].blkAddr, 100u);
    EXPECT_EQ(reads[3].blkAddr, 228u); // 65536 bytes of 512-byte blocks further on
    EXPECT_EQ(reads[3].lun, 1u);
    const auto writes = commandsOf(0, SCSI_WRITE);
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[0].dataLen, 65536u);
    EXPECT_EQ(writes[1].dataLen, 1u);
    EXPECT_EQ(writes[1].blkAddr, 168u);
    EXPECT_EQ(writes[1].lun, 2u);
    // No write was confirmed: the FCP engine, whose write exchanges end with
    // the response, would have stopped the run on a confirmation.
    EXPECT_EQ(countOf(readFile(warningsFile()), "WARNING"), 0);

    const auto resp = readLines(ioRespFile());
    ASSERT_EQ(resp.size(), 7u);
    EXPECT_EQ(resp[0], col("IoIndex", 11) + col("IniTime(ms)", 15) + col("Elapsed(ms)", 15) + col("IoSize(KB)", 15) +
                           col("GenID", 8) + col("Flag", 9) + col("INI_AddrID", 14) + col("TAR_AddrID", 14) +
                           col("LUN_WWN", 15) + col("BlkAddr", 15));
    EXPECT_EQ(resp[1], std::string(130, '-'));
    const char* sizes[] = {"1.000", "64.000", "64.001", "64.001", "2.000"};
    const char* starts[] = {"500.0000", "510.0000", "520.0000", "530.0000", "750.0000"};
    for (int k = 0; k < 5; ++k) {
        const auto f = fields(resp[2 + k]);
        ASSERT_EQ(f.size(), 10u);
        EXPECT_EQ(f[0], std::to_string(k));
        EXPECT_EQ(f[1], starts[k]);
        EXPECT_GT(number(f[2]), 0.05);
        EXPECT_LT(number(f[2]), 5.0);
        EXPECT_EQ(f[3], sizes[k]);
        EXPECT_EQ(f[4], std::to_string(k + 1));
        EXPECT_EQ(f[5], k < 3 ? "Rd" : "Wr");
        EXPECT_EQ(f[6], "328192");
        EXPECT_EQ(f[7], "328193");
        EXPECT_EQ(f[8], k < 3 ? "LUN_A" : "LUN_B");
    }
    EXPECT_TRUE(readFile(ioFailFile()).empty());

    // One row per 100 ms from the first I/O on; the one at 700 ms saw none.
    const auto open = readLines(ioOpenFile());
    ASSERT_EQ(open.size(), 6u);
    EXPECT_EQ(open[0],
              col("SimTime(ms)", 18) + col("[SCSI Total]", 65) + col("[SCSI_READ]", 65) + col("[SCSI_WRITE]", 65));
    EXPECT_EQ(open[2], std::string(213, '-'));
    const std::string group = col("IoReq", 10) + col("IoSiz(KB)", 12) + col("IoSucc", 10) + col("IoAbrt", 10) +
                              col("IoOpen", 10) + col("IoWait", 13);
    EXPECT_EQ(open[1], col(" ", 18) + group + group + group);
    // 197634 bytes in four I/Os; reads 132097 in three, writes 65537 in one.
    EXPECT_EQ(open[3], col("600.0000", 18) + col("4", 10) + col("48.250", 12) + col("4", 10) + col("0", 10) +
                           col("0", 10) + col("0", 13) + col("3", 10) + col("43.000", 12) + col("3", 10) +
                           col("0", 10) + col("0", 10) + col("0", 13) + col("1", 10) + col("64.001", 12) +
                           col("1", 10) + col("0", 10) + col("0", 10) + col("0", 13));
    const std::string idle =
        col("0", 10) + col("0.000", 12) + col("0", 10) + col("0", 10) + col("0", 10) + col("0", 13);
    EXPECT_EQ(open[4], col("700.0000", 18) + idle + idle + idle);
    EXPECT_EQ(fields(open[5])[0], "800.0000");

    const std::string finish = readFile(finishFile());
    const std::string rule40 = std::string(40, '-') + "\n";
    EXPECT_EQ(finish, "Velmora.Host1.Scsi\n" + std::string(40, '=') + "\n" + col("SCSI_READ IO Reqs", 25) + ": 3\n" +
                          col("SCSI_WRITE IO Reqs", 25) + ": 2\n" + rule40 + col("SCSI_READ IOs succ", 25) + ": 3\n" +
                          col("SCSI_WRITE IOs succ", 25) + ": 2\n" + rule40 + col("SCSI_READ IOs abrt", 25) + ": 0\n" +
                          col("SCSI_WRITE IOs abrt", 25) + ": 0\n" + rule40 + col("SCSI_READ IOs open", 25) + ": 0\n" +
                          col("SCSI_WRITE IOs open", 25) + ": 0\n" + rule40 + col("SCSI_READ IOs wait", 25) + ": 0\n" +
                          col("SCSI_WRITE IOs wait", 25) + ": 0\n" + std::string(40, '=') + "\n\n\n");

    // Five discovery commands and five I/Os took I/O numbers; fourteen
    // sub-I/Os took sub-I/O ids.
    EXPECT_EQ(rootLong("gbIoId"), 10);
    EXPECT_EQ(rootLong("ioId"), 12);
    EXPECT_EQ(rootLong("netIoNum"), 5);
    EXPECT_EQ(rootLong("netIoComp"), 5);
    EXPECT_TRUE(rootBool("ioDone"));
    EXPECT_TRUE(rootBool("simDone"));
    EXPECT_EQ(scsi().ioCompNum(), 10);
    EXPECT_EQ(scsi().sioCompNum(), 12);
    // The run drained once the last sub-I/O's time-out, armed at 0.75 s,
    // had passed without effect.
    EXPECT_NEAR(simulation.simTime(), 3.75, 0.001);
    expectCleanEnd();
}

TEST_F(ScsiIoEngine, ASecondIoWaitsForItsTurnWhenOnlyOneMayBeOpen)
{
    ScsiBedSetup setup;
    setup.maxRdWrIo = 1;
    setup.plan = {{0.5, "LUN_A", SCSI_WRITE, 65536, 0, 1}, {0.5, "LUN_A", SCSI_WRITE, 65536, 512, 2}};
    build(setup);
    ASSERT_EQ(run(), "");

    const auto writes = commandsOf(0, SCSI_WRITE);
    ASSERT_EQ(writes.size(), 2u);
    const auto resp = rowsOf(ioRespFile(), 2);
    ASSERT_EQ(resp.size(), 2u);
    const auto first = fields(resp[0]);
    const auto second = fields(resp[1]);
    EXPECT_EQ(first[1], "500.0000");
    EXPECT_EQ(second[1], "500.0000");
    const double firstEndMs = number(first[1]) + number(first[2]);
    EXPECT_GT(writes[1].time * 1000, firstEndMs);
    EXPECT_GT(number(second[2]), number(first[2]) * 2 - 0.1);
    expectCleanEnd();
}

TEST_F(ScsiIoEngine, ResponseRowsKeepIoOrderWhenCompletionsDoNot)
{
    ScsiBedSetup setup;
    TestProcessor::LunTarget target = two_luns();
    target.delay = [](const ScsiCdb& cdb, unsigned long) {
        if (cdb.getCmdCode() != SCSI_READ)
            return 0.0;
        return cdb.getBlkAddr() == 0 ? 0.010 : cdb.getBlkAddr() == 2 ? 0.020 : 0.0;
    };
    setup.targets = {target};
    setup.plan = {{0.5, "LUN_A", SCSI_READ, 4096, 0, 0},
                  {0.5, "LUN_A", SCSI_READ, 4096, 1, 1},
                  {0.5, "LUN_A", SCSI_READ, 4096, 2, 2}};
    build(setup);
    ASSERT_EQ(run(), "");

    const auto resp = rowsOf(ioRespFile(), 2);
    ASSERT_EQ(resp.size(), 3u);
    double elapsed[3];
    for (int k = 0; k < 3; ++k) {
        const auto f = fields(resp[k]);
        EXPECT_EQ(f[0], std::to_string(k));
        EXPECT_EQ(f[9], std::to_string(k));
        elapsed[k] = number(f[2]);
    }
    EXPECT_LT(elapsed[1], elapsed[0]);
    EXPECT_LT(elapsed[0], elapsed[2]);
    EXPECT_GT(elapsed[0], 10.0);
    EXPECT_GT(elapsed[2], 20.0);
    EXPECT_EQ(rootLong("netIoComp"), 3);
    EXPECT_TRUE(rootBool("ioDone"));
    expectCleanEnd();
}

TEST_F(ScsiIoEngine, ASubIoThatNeverCompletesIsRetriedThenItsIoAborted)
{
    ScsiBedSetup setup;
    TestProcessor::LunTarget target = two_luns();
    target.drop = [](const ScsiCdb& cdb, unsigned long) {
        return cdb.getCmdCode() == SCSI_READ && cdb.getBlkAddr() == 0;
    };
    setup.targets = {target};
    setup.plan = {{0.5, "LUN_A", SCSI_READ, 131072, 0, 9}};
    build(setup);
    ASSERT_EQ(run(), "");

    // Sub-I/O 1 completed; sub-I/O 0 was tried three times.
    const auto reads = commandsOf(0, SCSI_READ);
    ASSERT_EQ(reads.size(), 4u);
    EXPECT_EQ(reads[1].blkAddr, 128u);
    EXPECT_EQ(board(0).dropped, 3);
    EXPECT_NEAR(reads[2].time - reads[0].time, 3.0, 0.01);
    EXPECT_NEAR(reads[3].time - reads[2].time, 3.0, 0.01);
    // Each abort reached the target's LUN side.
    EXPECT_EQ(board(0).upperOfKind(ABORT_LUNIO).size(), 3u);

    const auto fail = rowsOf(ioFailFile(), 2);
    ASSERT_EQ(fail.size(), 4u);
    EXPECT_EQ(readLines(ioFailFile())[0], col("Count", 10) + col("SimTime(ms)", 15) + col("IoName", 15) +
                                              col("IoIdx", 10) + col("SioIdx", 10) + col("IoId", 10) +
                                              col("Events", 60) + col("Module", 60));
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(fail[k].substr(0, 10), col(std::to_string(k), 10));
        EXPECT_EQ(fail[k].substr(25, 45), col("SUB_IO", 15) + col("0", 10) + col("0", 10) +
                                              col(std::to_string(reads[k == 0 ? 0 : k + 1].ioId), 10));
        EXPECT_EQ(fail[k].substr(70, 60), col("SUB_IO_TIMEOUT [No." + std::to_string(k + 1) + "]", 60));
        EXPECT_NEAR(number(fail[k].substr(10, 15)), reads[k == 0 ? 0 : k + 1].time * 1000 + 3000, 1.0);
    }
    EXPECT_EQ(fail[3].substr(25, 105), col("SCSI_IO", 15) + col("0", 10) + col("-", 10) + col("-", 10) +
                                           col("SCSI_IO_ABORT  [SubIo exceeds maximum retry attempts]", 60));
    // The third time-out ends the I/O in the same processor task.
    EXPECT_NEAR(number(fail[3].substr(10, 15)), number(fail[2].substr(10, 15)), 0.01);
    const auto resp = fields(rowsOf(ioRespFile(), 2).at(0));
    EXPECT_EQ(resp[2], "-");
    EXPECT_EQ(resp[3], "128.000");
    EXPECT_EQ(scsi().readStats().abrt, 1);
    EXPECT_EQ(scsi().readStats().succ, 0);
    EXPECT_NE(readFile(finishFile()).find(col("SCSI_READ IOs abrt", 25) + ": 1\n"), std::string::npos);
    EXPECT_EQ(rootLong("netIoComp"), 1);
    EXPECT_TRUE(rootBool("simDone"));
    // The three abandoned blocks went once their time-out had passed again.
    EXPECT_EQ(scsi().rmCdbNum(), 3);
    expectCleanEnd();
}

} // namespace
