#include <filesystem>

#include "tests/array/CtrlMemFixture.h"

namespace {

constexpr int RD = 136;
constexpr int WR = 128;

// A fixed flush of half the dirty copies, on above 50% dirty and off at or
// below 10%: whole records are flushed from the least recently used end, so
// three mirrored blocks make 6 of the 5 allowed; flushing goes on while the
// ratio stays between the two thresholds, does not start there, and the run
// is done at the first update after its end at which no flush is on.
TEST_F(CtrlMemTest, FixedFlushWithHysteresisThenAllDone)
{
    lunPlay(1, "LunOne",
            {blockRequest(0.001, WR, 1, 1, 1, true), blockRequest(0.0011, WR, 1, 2, 2, true),
             blockRequest(0.0012, WR, 1, 3, 3, true), blockRequest(0.0013, WR, 1, 4, 4),
             blockRequest(0.0014, WR, 1, 5, 5), blockRequest(0.0015, WR, 1, 6, 6, true),
             blockRequest(0.045, WR, 1, 7, 7)});
    build(conf(2, "0.25", false, "Fixed 0.5 0.1 10 0.5 0.1 0.1 0.5 1"));
    endRunAt(0.055);
    ASSERT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED) << console.str();

    std::vector<unsigned long> flushed;
    for (const auto* w : backEndOf("REQ_PHY_BLK_WRITE"))
        flushed.push_back(w->lunBlk);
    EXPECT_EQ(flushed, (std::vector<unsigned long>{1, 1, 2, 2, 3, 3, 4, 5, 6, 6}));

    const auto upd = rows("out/cm/Velmora.Arr.CtrlMemCch.CchUpd", 2);
    ASSERT_EQ(upd.size(), 6u);
    const std::vector<std::string> times = {"10.0000", "20.0015", "30.0025", "40.0030", "50.0030", "60.0030"};
    for (size_t i = 0; i < upd.size(); ++i) {
        ASSERT_EQ(upd[i].size(), 18u);
        EXPECT_EQ(upd[i][0], times[i]);
    }
    // Dirty blocks and copies before each flush; copies allowed and flushed.
    auto fields = [&](size_t i) { return std::vector<std::string>{upd[i][11], upd[i][12], upd[i][16], upd[i][17]}; };
    EXPECT_EQ(fields(0), (std::vector<std::string>{"6", "10", "6", "6"}));
    EXPECT_EQ(fields(1), (std::vector<std::string>{"3", "4", "2", "2"}));
    EXPECT_EQ(fields(2), (std::vector<std::string>{"1", "2", "2", "2"}));
    EXPECT_EQ(fields(3), (std::vector<std::string>{"0", "0", "0", "0"}));
    EXPECT_EQ(fields(4), (std::vector<std::string>{"1", "1", "0", "0"}));
    EXPECT_EQ(fields(5), (std::vector<std::string>{"1", "1", "0", "0"}));
    // The interval after the first flush: six copies written by the flush,
    // each in 1 ms.
    EXPECT_EQ(upd[1][1], "6.0000");
    EXPECT_EQ(upd[1][4], "1.0000");
    EXPECT_EQ(std::vector<std::string>(upd[1].begin() + 5, upd[1].begin() + 11),
              (std::vector<std::string>{"0", "0", "6", "6", "0", "6"}));
    EXPECT_EQ(upd[0][14], "0.750");
    EXPECT_EQ(upd[1][14], "0.375");

    EXPECT_TRUE(cmc->par("allDone").boolValue());
    // The periodic rows stop at the first one written once the run is done.
    const auto util = rows("out/cpu/Velmora.Arr.CtrlMemCch.CpuUtil", 3);
    ASSERT_FALSE(util.empty());
    EXPECT_EQ(util.back()[0], "70.0000");
    const auto stat = rows("out/cm/Velmora.Arr.CtrlMemCch.LunOne.CchStat", 2);
    ASSERT_FALSE(stat.empty());
    EXPECT_EQ(stat.back()[0], "70.0000");
}

// A fixed flush whose quota rounds down to 0 copies (FBR_max 0) still
// writes the least recently used dirty record each period, so the dirty
// ratio falls below FTH_dactv and the array is done after the run's end.
TEST_F(CtrlMemTest, AFixedFlushWithAQuotaOfZeroWritesARecordEachPeriodAndEnds)
{
    lunPlay(1, "LunOne",
            {blockRequest(0.001, WR, 1, 1, 1, true), blockRequest(0.0011, WR, 1, 2, 2, true),
             blockRequest(0.0012, WR, 1, 3, 3, true), blockRequest(0.0013, WR, 1, 4, 4),
             blockRequest(0.0014, WR, 1, 5, 5), blockRequest(0.0015, WR, 1, 6, 6, true)});
    build(conf(2, "0.25", false, "Fixed 0.5 0.1 10 0 0.1 0.1 0.5 1"));
    endRunAt(0.015);
    ASSERT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED) << console.str();

    std::vector<std::pair<unsigned long, double>> flushed;
    for (const auto* w : backEndOf("REQ_PHY_BLK_WRITE"))
        flushed.emplace_back(w->lunBlk, w->time);
    ASSERT_GE(flushed.size(), 4u);
    EXPECT_EQ(flushed[0], std::make_pair(1ul, 0.01));
    EXPECT_EQ(flushed[1], std::make_pair(1ul, 0.01));
    EXPECT_EQ(flushed[2].first, 2u);
    EXPECT_NEAR(flushed[2].second, 0.02, 1e-5);

    const auto upd = rows("out/cm/Velmora.Arr.CtrlMemCch.CchUpd", 2);
    ASSERT_GE(upd.size(), 2u);
    // The quota of 0 is raised to the two copies of the mirrored record.
    EXPECT_EQ((std::vector<std::string>{upd[0][11], upd[0][12], upd[0][16], upd[0][17]}),
              (std::vector<std::string>{"6", "10", "2", "2"}));
    EXPECT_TRUE(cmc->par("allDone").boolValue());
}

// Flush thresholds upside down (off above on) are taken as given, but the
// run says so, in the warnings log and on stderr, naming the values and the
// file; thresholds in order, or a policy that does not flush, pass quietly.
TEST_F(CtrlMemTest, FlushThresholdsUpsideDownAreWarnedOf)
{
    const auto withWarningsLog = [this] {
        root->addPar("warnFileNew").setBoolValue(true);
        root->addPar("warningsCnt").setLongValue(0);
        root->addPar("warningsFile").setStringValue("Warnings.log");
    };
    const std::string text = "FTH_dactv 0.6 is above FTH_actv 0.2: a flush stops at the first period that finds the "
                             "dirty ratio at or below 0.6. Please check section [3.1] of the file \"cm.conf\"";
    withWarningsLog();
    build(conf(2, "0.25", false, "Fixed 0.2 0.6 10 0.5 0.1 0.1 0.5 1"));
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(errorOf([] { simulation.callInitialize(); }), "");
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(readFile("Warnings.log").find("WARNING: " + text), std::string::npos) << readFile("Warnings.log");
    EXPECT_NE(err.find("<!> Warning in module Velmora.Arr.CtrlMemCch.CtrlMemCpu: " + text + "\n"), std::string::npos)
        << err;

    for (const char* quiet : {"Adapt 0.4 0.4 10 0.5 0.5 0.1 0.5 1", "None 0.2 0.6 10 0.5 0.1 0.1 0.5 1"}) {
        renew();
        withWarningsLog();
        std::filesystem::remove("Warnings.log");
        build(conf(2, "0.25", false, quiet));
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(errorOf([] { simulation.callInitialize(); }), "");
        err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.find("FTH_dactv"), std::string::npos) << quiet << "\n" << err;
        EXPECT_EQ(readFile("Warnings.log"), "") << quiet;
    }
}

// An adaptive flush sizes itself by the surplus disk time of the period:
// with no physical I/O measured it takes FBR_ini of the dirty copies, later
// the measured response times; never more than is dirty and not yet being
// written.
TEST_F(CtrlMemTest, AdaptiveFlushUsesTheSurplusTime)
{
    std::vector<ArrayStandIn::Step> writes;
    for (unsigned long b = 1; b <= 6; ++b)
        writes.push_back(blockRequest(0.001 + 0.0001 * static_cast<double>(b), WR, 1, b, b));
    lunPlay(1, "LunOne", writes);
    build(conf(2, "0.25", false, "Adapt 0.5 0.1 10 0.5 0.5 0.1 0.5 1"));
    endRunAt(0.025);
    ASSERT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED) << console.str();

    std::vector<unsigned long> flushed;
    for (const auto* w : backEndOf("REQ_PHY_BLK_WRITE"))
        flushed.push_back(w->lunBlk);
    EXPECT_EQ(flushed, (std::vector<unsigned long>{1, 2, 3, 4, 5, 6}));

    const auto upd = rows("out/cm/Velmora.Arr.CtrlMemCch.CchUpd", 2);
    ASSERT_EQ(upd.size(), 3u);
    // Half of 6 dirty copies, plus one: 4.
    EXPECT_EQ(upd[0][2], "5.0000"); // T_Total: half of the 10 ms period
    EXPECT_EQ(upd[0][3], "5.0000");
    EXPECT_EQ(upd[0][4], "0.0000");
    EXPECT_EQ(upd[0][16], "4");
    EXPECT_EQ(upd[0][17], "4");
    // Four writes of 1 ms each measured; only two copies are left dirty.
    EXPECT_EQ(upd[1][0], "20.0020");
    EXPECT_EQ(upd[1][4], "1.0000");
    EXPECT_EQ(upd[1][3], "5.0000");
    EXPECT_EQ(upd[1][12], "2");
    EXPECT_EQ(upd[1][17], "2");
    EXPECT_EQ(upd[2][0], "30.0030");
    EXPECT_EQ(upd[2][12], "0");
    EXPECT_TRUE(cmc->par("allDone").boolValue());
}

// Cleaning: with a low hit ratio and the cache half full, half the index
// from the least recently used end is cleaned (a dirty block written back,
// a clean one dropped); the hit ratio of the period picks the thresholds.
// The summary files list the LUNs in use beside the total.
TEST_F(CtrlMemTest, CleanPolicyAndSummaryFiles)
{
    lunPlay(1, "LunOne",
            {blockRequest(0.001, WR, 1, 4, 1), blockRequest(0.002, RD, 1, 1, 2), blockRequest(0.003, RD, 1, 2, 3),
             blockRequest(0.004, RD, 1, 3, 4), blockRequest(0.025, RD, 1, 3, 5)},
            0, {{"rdIoReq", 4}, {"rdIoSucc", 3}, {"wrIoReq", 1}});
    lunPlay(2, "LunTwo", {}, 0, {{"rdIoReq", 6}, {"wrIoWait", 2}});
    build(conf(3, "0.25", false, "None 0.5 0.1 10 0.5 0.1 0.1 0.5 1", "Y 10 0.5 0.2 0.5 0.2 0.5"));
    endRunAt(0.035);
    ASSERT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED) << console.str();

    const auto writes = backEndOf("REQ_PHY_BLK_WRITE");
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0]->lunBlk, 4u);
    EXPECT_DOUBLE_EQ(writes[0]->time, 0.01);

    const std::vector<std::string> cln = readLines("out/cm/Velmora.Arr.CtrlMemCch.CchCln");
    ASSERT_EQ(cln.size(), 6u);
    EXPECT_EQ(cln[0], col("SimTime(ms)", 15) + col("CchHitR", 15) + col("CchOpyR", 15) + col("Cln_total", 15) +
                          col("Cln_wrbak", 15));
    EXPECT_EQ(cln[1], std::string(75, '-'));
    EXPECT_EQ(cln[2], col("10.0000", 15) + col("0.000", 15) + col("0.500", 15) + col("2", 15) + col("1", 15));
    EXPECT_EQ(cln[3], col("20.0020", 15) + col("0.000", 15) + col("0.250", 15) + col("1", 15) + col("0", 15));
    EXPECT_EQ(cln[4], col("30.0030", 15) + col("1.000", 15) + col("0.125", 15) + col("0", 15) + col("0", 15));
    EXPECT_EQ(cln[5], col("40.0030", 15) + col("0.000", 15) + col("0.125", 15) + col("0", 15) + col("0", 15));

    // Two LUN files, none for LUN 0.
    EXPECT_FALSE(readLines("out/cm/Velmora.Arr.CtrlMemCch.LunTwo.CchStat").empty());
    EXPECT_TRUE(readLines("out/cm/Velmora.Arr.CtrlMemCch.LUN0.CchStat").empty());

    const std::vector<std::string> fin = readLines("out/fin/CtrlMemCch.Finish");
    ASSERT_EQ(fin.size(), 21u);
    EXPECT_EQ(fin[0], "Velmora.Arr.CtrlMemCch");
    EXPECT_EQ(fin[1], std::string(65, '='));
    EXPECT_EQ(fin[2], col(" ", 17) + " | Total" + col("LunOne", 15) + col("LunTwo", 15));
    EXPECT_EQ(fin[3], std::string(65, '-'));
    EXPECT_EQ(fin[4], col("Read_Req", 17) + " : " + col("4", 15) + col("4", 15) + col("0", 15));
    EXPECT_EQ(fin[5], col("Read_Hit", 17) + " : " + col("1", 15) + col("1", 15) + col("0", 15));
    EXPECT_EQ(fin[9], std::string(65, '-'));
    EXPECT_EQ(fin[10], col("Write_Req", 17) + " : " + col("1", 15) + col("1", 15) + col("0", 15));
    EXPECT_EQ(fin[13], col("Phy_Write_Back", 17) + " : " + col("1", 15) + col("1", 15) + col("0", 15));
    EXPECT_EQ(fin[18], col("Active_PbRd_by_Wr", 17) + " : " + col("0", 15) + col("0", 15) + col("0", 15));
    EXPECT_EQ(fin[19], std::string(65, '='));
    EXPECT_EQ(fin[20], "");

    const std::vector<std::string> luns = readLines("out/fin/DeviceLUNs.Finish");
    ASSERT_EQ(luns.size(), 17u);
    EXPECT_EQ(luns[0], "Velmora.Arr");
    EXPECT_EQ(luns[4], col("LunIo_Read_Req", 17) + " : " + col("10", 15) + col("4", 15) + col("6", 15));
    EXPECT_EQ(luns[5], col("LunIo_Read_Succ", 17) + " : " + col("3", 15) + col("3", 15) + col("0", 15));
    EXPECT_EQ(luns[10], col("LunIo_Write_Req", 17) + " : " + col("1", 15) + col("1", 15) + col("0", 15));
    EXPECT_EQ(luns[14], col("LunIo_Write_Wait", 17) + " : " + col("2", 15) + col("0", 15) + col("2", 15));
    EXPECT_FALSE(root->par("ctrlMemFinishFileNew").boolValue());
    EXPECT_FALSE(root->par("lunIoFinishFileNew").boolValue());
}

} // namespace
