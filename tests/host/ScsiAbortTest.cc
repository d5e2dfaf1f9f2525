// Sub-I/Os abandoned by the SCSI initiator: what happens to the commands
// still queued on the path, to a completion that arrives after its sub-I/O
// timed out, and to the blocks the FC-4 layer has still to copy.

#include <memory>
#include <string>

#include "messages/MsgKinds.h"
#include "tests/host/ScsiBed.h"

namespace {

using ScsiAbort = ScsiBedTest;

TEST_F(ScsiAbort, AnAbortedIoTakesItsQueuedSubIosOffThePath)
{
    ScsiBedSetup setup;
    setup.c3Seq = 1;     // one sub-I/O outstanding per path
    setup.maxSeqTry = 1; // the first time-out ends the I/O
    TestProcessor::LunTarget target = two_luns();
    target.drop = [](const ScsiCdb& cdb, unsigned long) {
        return cdb.getCmdCode() == SCSI_READ && cdb.getDataLen() == 65536;
    };
    setup.targets = {target};
    setup.plan = {{0.5, "LUN_A", SCSI_READ, 3 * 65536, 0, 1}, {4.0, "LUN_A", SCSI_READ, 4096, 900, 2}};
    build(setup);
    ASSERT_EQ(run(), "");

    ASSERT_EQ(scsi().lunPaths()[0].maxSio, 1);
    // Only the first sub-I/O of the large read was ever sent; the other two
    // went with their I/O, and the path's slot served the next read.
    const auto reads = commandsOf(0, SCSI_READ);
    ASSERT_EQ(reads.size(), 2u);
    EXPECT_EQ(reads[0].blkAddr, 0u);
    EXPECT_EQ(reads[1].blkAddr, 900u);
    EXPECT_EQ(board(0).upperOfKind(ABORT_LUNIO).size(), 1u);

    const auto fail = rowsOf(ioFailFile(), 2);
    ASSERT_EQ(fail.size(), 2u);
    EXPECT_NE(fail[0].find("SUB_IO_TIMEOUT [No.1]"), std::string::npos);
    EXPECT_NE(fail[1].find("SCSI_IO_ABORT  [SubIo exceeds maximum retry attempts]"), std::string::npos);
    const auto resp = rowsOf(ioRespFile(), 2);
    ASSERT_EQ(resp.size(), 2u);
    EXPECT_EQ(fields(resp[0])[2], "-");
    EXPECT_EQ(fields(resp[0])[3], "192.000");
    EXPECT_NE(fields(resp[1])[2], "-");
    EXPECT_EQ(countOf(readFile(warningsFile()), "req_sio_out() Found Queue Empty"), 0);
    // Only the sent sub-I/O's block waited for its RM_CDB.
    EXPECT_EQ(scsi().rmCdbNum(), 1);
    EXPECT_EQ(scsi().ioAbrtNum(), 1);
    EXPECT_TRUE(rootBool("ioDone"));
    expectCleanEnd();
}

TEST_F(ScsiAbort, AWriteThatCompletesAfterItsTimeOutFreesItsPathSlotOnce)
{
    ScsiBedSetup setup;
    TestProcessor::LunTarget target = two_luns();
    // The first write is answered just before its 3 s time-out at the host,
    // while a large read holds the host processor: the response reaches the
    // host's FCP engine, which ends the exchange, before the abort does, and
    // the initiator sees the completion only after the time-out.
    auto first = std::make_shared<bool>(true);
    target.delay = [first](const ScsiCdb& cdb, unsigned long) {
        if (cdb.getCmdCode() != SCSI_WRITE || !*first)
            return 0.0;
        *first = false;
        return 2.9998;
    };
    setup.targets = {target};
    setup.plan = {{0.5, "LUN_A", SCSI_WRITE, 4096, 0, 1}, {3.4998, "LUN_A", SCSI_READ, 1 << 20, 0, 2}};
    build(setup);
    ASSERT_EQ(run(), "");

    // The scenario happened: one time-out, and an abort that found the
    // exchange over.
    const auto fail = rowsOf(ioFailFile(), 2);
    ASSERT_EQ(fail.size(), 1u);
    EXPECT_NE(fail[0].find("SUB_IO_TIMEOUT [No.1]"), std::string::npos);
    ASSERT_EQ(countOf(readFile(warningsFile()), "WARNING: REQ_ABT_SIO found no requested FCP IO Table!"), 1);
    // The retry went through; the late completion was dropped but gave the
    // path its slot back, so nothing is left taken.
    EXPECT_EQ(commandsOf(0, SCSI_WRITE).size(), 2u);
    const auto resp = rowsOf(ioRespFile(), 2);
    ASSERT_EQ(resp.size(), 2u);
    EXPECT_EQ(fields(resp[0])[5], "Wr");
    EXPECT_GT(std::stod(fields(resp[0])[2]), 3000.0);
    EXPECT_EQ(scsi().writeStats().succ, 1);
    EXPECT_EQ(scsi().readStats().succ, 1);
    EXPECT_TRUE(rootBool("ioDone"));
    expectCleanEnd();
}

TEST_F(ScsiAbort, AWritesPathSlotComesBackOnceWhereverItsResponseMeetsItsAbort)
{
    // A write's response leaves the target at 1 us steps around the write's
    // 3 s time-out at the host, so that the abort meets the response at
    // each point of its way: past the host's FCP engine (the abort finds no
    // I/O there), between the host's FC-2 and its FCP engine (the abort
    // passes the engine but finds the exchange over in FC-2), or before the
    // host's FC-2 (the exchange is aborted at the target). The path takes
    // one sub-I/O at a time, so a slot that is not given back leaves the
    // retry and the read after it waiting for ever; one given back twice
    // stops the run.
    int pastTheEngine = 0, betweenFc2AndTheEngine = 0, beforeFc2 = 0;
    for (int step = 0; step <= 35; ++step) {
        const double delay = 2.999860 + step * 1e-6;
        SCOPED_TRACE("response delayed by " + std::to_string(delay) + " s");
        if (step > 0) {
            TearDown();
            SetUp();
        }
        ScsiBedSetup setup;
        setup.c3Seq = 1;
        TestProcessor::LunTarget target = two_luns();
        auto first = std::make_shared<bool>(true);
        target.delay = [first, delay](const ScsiCdb& cdb, unsigned long) {
            if (cdb.getCmdCode() != SCSI_WRITE || !*first)
                return 0.0;
            *first = false;
            return delay;
        };
        setup.targets = {target};
        setup.plan = {{0.5, "LUN_A", SCSI_WRITE, 4096, 0, 1}, {4.5, "LUN_A", SCSI_READ, 4096, 0, 2}};
        build(setup);
        ASSERT_EQ(run(), "");

        const std::string warnings = readFile(warningsFile());
        const int noFcpIo = countOf(warnings, "WARNING: REQ_ABT_SIO found no requested FCP IO Table!");
        const int noExchange = countOf(warnings, "WARNING: ABT_SIO_REQ_ESB found no requested ESB Table!");
        const bool timedOut = rowsOf(ioFailFile(), 2).size() == 1;
        pastTheEngine += noFcpIo;
        betweenFc2AndTheEngine += noExchange;
        beforeFc2 += timedOut && noFcpIo + noExchange == 0;
        EXPECT_LE(noFcpIo + noExchange, 1);
        EXPECT_EQ(countOf(warnings, "WARNING: FCP_RSP belongs to an aborted I/O, dropped!"), 0);

        // Both I/Os succeed, the write after its retry when it timed out.
        EXPECT_EQ(commandsOf(0, SCSI_WRITE).size(), timedOut ? 2u : 1u);
        EXPECT_EQ(commandsOf(0, SCSI_READ).size(), 1u);
        EXPECT_EQ(scsi().writeStats().succ, 1);
        EXPECT_EQ(scsi().readStats().succ, 1);
        EXPECT_TRUE(rootBool("ioDone"));
        expectCleanEnd();
    }
    // Every meeting point was reached.
    EXPECT_GT(pastTheEngine, 0);
    EXPECT_GT(betweenFc2AndTheEngine, 0);
    EXPECT_GT(beforeFc2, 0);
}

TEST_F(ScsiAbort, ABlockHandedOutJustBeforeItsIoIsAbortedOutlivesTheFc4LayersCopy)
{
    ScsiBedSetup setup;
    setup.c3Seq = 2;
    setup.maxSeqTry = 1;
    // A write of three sub-I/Os: the first is never answered, the second is
    // answered so that its completion is being processed when the first
    // times out. The completion frees a slot and hands the third out, whose
    // FC-4 layer then waits for the processor behind the time-out that
    // aborts the whole write: the block must still be there when that layer
    // copies it.
    TestProcessor::LunTarget target = two_luns();
    target.drop = [](const ScsiCdb& cdb, unsigned long) {
        return cdb.getCmdCode() == SCSI_WRITE && cdb.getBlkAddr() == 0;
    };
    target.delay = [](const ScsiCdb& cdb, unsigned long) {
        return cdb.getCmdCode() == SCSI_WRITE && cdb.getBlkAddr() == 128 ? 2.99936 : 0.0;
    };
    setup.targets = {target};
    setup.plan = {{0.5, "LUN_A", SCSI_WRITE, 3 * 65536, 0, 1}};
    build(setup);
    ASSERT_EQ(run(), "");

    const auto fail = rowsOf(ioFailFile(), 2);
    ASSERT_EQ(fail.size(), 2u);
    EXPECT_NE(fail[1].find("SCSI_IO_ABORT  [SubIo exceeds maximum retry attempts]"), std::string::npos);
    const double abortMs = std::stod(fail[1].substr(10, 15));
    const auto writes = commandsOf(0, SCSI_WRITE);
    ASSERT_EQ(writes.size(), 3u);
    EXPECT_EQ(writes[2].blkAddr, 256u);
    // The time-out, due at 3500.0402 ms, waited for the completion's task
    // (served at once it is logged 0.3 us later); the third command reached
    // the target after the abort, which the target was told of too.
    EXPECT_GT(abortMs, 3500.045);
    EXPECT_GT(writes[2].time * 1000, abortMs);
    EXPECT_EQ(board(0).upperOfKind(ABORT_LUNIO).size(), 2u);
    EXPECT_EQ(fields(rowsOf(ioRespFile(), 2).at(0))[2], "-");
    EXPECT_EQ(scsi().writeStats().abrt, 1);
    // The first and the third block waited for their time-out to pass.
    EXPECT_EQ(scsi().rmCdbNum(), 2);
    expectCleanEnd();
}

} // namespace
