#include "tests/array/LunFixture.h"

// A LUN's set-up from section "[6]": its disks, its capacity and blocks, the
// parameters it publishes, its ".LunConf" file and the run's LUN list; and
// where its blocks land.
namespace {

// LUNA: 4 disks of 25 blocks of 8 KB in stripe units of 4 blocks, so only 6
// whole stripes per disk (the 25th block of each disk is left out).
// LUNB: 2 positions of 4 KB blocks, each with one disk only, on opposite
// sides. Line 3 is faulty but lies beyond the array's LUNs.
const char* const TWO_LUNS = "LUNA 4 8K 2 32 000,001,002,003 -\n"
                             "; a comment between the lines\n"
                             "LUNB 2 4 1 4 010,- -,011\n"
                             "NULL 9 9 9 9 9 9 9 9\n";

class LunConfigTest : public LunTest {};

TEST_F(LunConfigTest, LinesBindDisksAndPublishWholeStripesOfBlocks)
{
    array(TWO_LUNS, 3);
    endRunAt(0.001);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);

    // LUN 0 is always there, without disks.
    EXPECT_TRUE(lun(0)->par("inUse").boolValue());
    EXPECT_STREQ(lun(0)->par("lunWwn").stringValue(), "LUN0");
    EXPECT_EQ(lpar(0, "lunBlkNum"), 0);
    EXPECT_EQ(lpar(0, "blkSizeKB"), 0);
    EXPECT_FALSE(lun(0)->hasPar("maxTarLunIo"));

    const double diskGB = 200.0 / (1024 * 1024);
    EXPECT_TRUE(lun(1)->par("inUse").boolValue());
    EXPECT_EQ(lpar(1, "lunId"), 1);
    EXPECT_STREQ(lun(1)->par("lunWwn").stringValue(), "LUNA");
    EXPECT_EQ(lpar(1, "blkSizeKB"), 8);
    EXPECT_EQ(lpar(1, "maxTarLunIo"), 2);
    EXPECT_EQ(lpar(1, "strDpthKB"), 32);
    EXPECT_DOUBLE_EQ(lun(1)->par("lunCapGB").doubleValue(), 4 * diskGB);
    EXPECT_EQ(lpar(1, "lunBlkNum"), 96);
    for (int d = 0; d < 4; ++d) {
        cModule* m = disk(0, 0, d);
        EXPECT_TRUE(m->par("inUse").boolValue()) << d;
        EXPECT_EQ(m->par("pendBlk").longValue(), 0);
        EXPECT_EQ(m->par("compBlk").longValue(), 0);
        EXPECT_EQ(m->par("lunDskBlkNum").longValue(), 24);
        EXPECT_EQ(m->par("blkSizeKB").longValue(), 8);
    }
    EXPECT_EQ(lpar(2, "lunBlkNum"), 100);
    EXPECT_EQ(lpar(2, "maxTarLunIo"), 1);
    EXPECT_EQ(disk(0, 1, 0)->par("lunDskBlkNum").longValue(), 50);
    EXPECT_EQ(disk(0, 1, 1)->par("blkSizeKB").longValue(), 4);
    EXPECT_FALSE(disk(1, 0, 0)->par("inUse").boolValue());
    EXPECT_FALSE(disk(1, 0, 0)->hasPar("pendBlk"));
    for (int i = 0; i < 3; ++i)
        for (const char* stat : {"rdIoReq", "rdIoSucc", "rdIoAbrt", "rdIoOpen", "rdIoWait", "wrIoReq", "wrIoSucc",
                                 "wrIoAbrt", "wrIoOpen", "wrIoWait"})
            EXPECT_EQ(lpar(i, stat), 0) << i << stat;

    const std::string rule(95, '='), dash(95, '-');
    const auto conf = readLines("out/lun/Velmora.Dev1.LUNB.LunConf");
    const std::vector<std::string> expected = {
        "LUN Configuration for Velmora.Dev1.LUNB",
        rule,
        "General Configuration: ",
        dash,
        col("LUN_ID", 10) + col("DSK_NUM", 10) + col("BLK_SIZE(B)", 15) + col("CON_CURR_IO", 15) +
            col("STR_DPTH(B)", 15) + col("LUN_CAP(GB)", 15) + col("LUN_BLK_NUM", 15),
        col("2", 10) + col("2", 10) + col("4096", 15) + col("1", 15) + col("4096", 15) + col("0.000381", 15) +
            col("100", 15),
        rule,
        "Primary Disks: ",
        dash,
        col("Idx", 10) + col("AcpId", 10) + col("GrpId", 10) + col("DskId", 10) + col("MaxCap(GB)", 15) +
            col("LunCap(GB)", 15) + col("LunDskBlkNum", 15),
        col("0", 10) + col("0", 10) + col("1", 10) + col("0", 10) + col("0.000191", 15) + col("0.000191", 15) +
            col("50", 15),
        col("1", 10) + col("-", 10) + col("-", 10) + col("-", 10) + col("-", 15) + col("-", 15) + col("-", 15),
        rule,
        "Mirrored Disks: ",
        dash,
        col("Idx", 10) + col("AcpId", 10) + col("GrpId", 10) + col("DskId", 10) + col("MaxCap(GB)", 15) +
            col("LunCap(GB)", 15) + col("LunDskBlkNum", 15),
        col("0", 10) + col("-", 10) + col("-", 10) + col("-", 10) + col("-", 15) + col("-", 15) + col("-", 15),
        col("1", 10) + col("0", 10) + col("1", 10) + col("1", 10) + col("0.000191", 15) + col("0.000191", 15) +
            col("50", 15),
        rule};
    EXPECT_EQ(conf, expected);
    EXPECT_EQ(readLines("out/lun/Velmora.Dev1.LUNA.LunConf")[5], col("1", 10) + col("4", 10) + col("8192", 15) +
                                                                     col("2", 15) + col("32768", 15) +
                                                                     col("0.000763", 15) + col("96", 15));
    EXPECT_EQ(readLines("out/GlobalLUNs.tmp"), (std::vector<std::string>{"LUNA 0.000762939453125 Velmora.Dev1",
                                                                         "LUNB 0.0003814697265625 Velmora.Dev1"}));
    EXPECT_FALSE(root->par("globalLunsFileNew").boolValue());
    // No LUN saw a read or a write.
    EXPECT_FALSE(std::filesystem::exists("out/ioopen"));
    EXPECT_NE(console.str().find("Initializing LUN IO Table ... Done.\n"), std::string::npos);
}

TEST_F(LunConfigTest, ALunWithoutALineStaysInactiveAndTakesNoCommand)
{
    array("LUNA 4 8K 2 32 000,001,002,003 -\nLUNB 2 4 1 4 010,- -,011\n", 5);
    command(0.001, 3, {5, SCSI_READ, 0, 4096});
    EXPECT_EQ(runError(), "---> Inactive LUN CTRL cannot receive message SCSI_CMD_RECVD");
    EXPECT_FALSE(lun(3)->par("inUse").boolValue());
    EXPECT_FALSE(lun(3)->hasPar("lunWwn"));
    EXPECT_FALSE(lun(4)->par("inUse").boolValue());
}

// A LUN row keeps the leading-digit reading of its numbers, but what that
// cuts off is told with its line, while the unit of a size is no loss; a
// second section marker among the rows stops the run, naming it.
TEST_F(LunConfigTest, NumbersCutShortAreToldAndASecondMarkerIsRefused)
{
    array("LUNA 4 8K 6.4e1 32KB 000,001,002,003 -\n", 2);
    endRunAt(0.01);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(runError(), "");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(lpar(1, "maxTarLunIo"), 6);
    EXPECT_EQ(lpar(1, "blkSizeKB"), 8);
    EXPECT_EQ(lpar(1, "strDpthKB"), 32);
    const std::string text = "---> Line 13, field 4 \"6.4e1\" reads as 6: the text after the number is ignored. "
                             "Please check section [6] of the file \"array.conf\"";
    const auto log = readLines("out/Warnings.txt");
    ASSERT_EQ(log.size(), 3u) << readFile("out/Warnings.txt");
    EXPECT_EQ(log[2].substr(log[2].find("WARNING: ")), "WARNING: " + text);
    EXPECT_NE(err.find(": " + text + "\n"), std::string::npos) << err;

    TearDown();
    SetUp();
    array("LUNA 4 8 2 32 000,001,002,003 -\n[6]\nLUNB 2 4 1 4 010,- -,011\n", 3);
    EXPECT_EQ(runError(), "---> Section marker \"[6]\" on line 14 is out of place. Please check section [6] of the "
                          "file \"array.conf\"");
}

// LUN i reads row i of section [6]; with fewer controllers than rows the
// rows beyond make no LUN, and with more, the LUNs beyond the rows stay
// inactive. Either way the run says so at set-up and goes on.
TEST_F(LunConfigTest, RowsUnlikeMaxArrLunAreWarnedOf)
{
    auto warned = [this](const std::string& text) {
        endRunAt(0.01);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(runError(), "");
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_NE(readFile("out/Warnings.txt").find("WARNING: " + text), std::string::npos)
            << readFile("out/Warnings.txt");
        // On stderr the line names the module instead of the row's "WARNING: ".
        EXPECT_NE(err.find("Velmora.Dev1.CtrlMemCch.LunCtrl[0]: " + text + "\n"), std::string::npos) << err;
    };
    array("LUNA 4 8K 2 32 000,001,002,003 -\nLUNB 2 4 1 4 010,- -,011\nLUNC 1 4 1 4 100 -\n", 2);
    warned("MaxArrLun 2 makes only 1 of the 3 LUNs of section [6]; LUN_WWN [LUNB] and those after it are never made. "
           "Please check sections [3] and [6] of the file \"array.conf\"");
    EXPECT_EQ(lun(1)->par("lunWwn").stringValue(), std::string("LUNA"));

    TearDown();
    SetUp();
    array("LUNA 4 8K 2 32 000,001,002,003 -\n", 4);
    warned("MaxArrLun 4 makes 3 LUNs, but section [6] has rows for 1; LUN 2 and those after it stay inactive, and no "
           "I/O sent to them runs. Please check sections [3] and [6] of the file \"array.conf\"");
    EXPECT_TRUE(lun(1)->par("inUse").boolValue());
    EXPECT_FALSE(lun(2)->par("inUse").boolValue());
}

// A mirror list shorter than the primary list leaves the positions past its
// end without a mirror, as it is read: said with the LUN and both counts. A
// single "-" (no mirror at all) and a list that gives every position are
// not.
TEST_F(LunConfigTest, AMirrorListShorterThanThePrimaryListIsWarnedOf)
{
    const std::string tail = ". Please check section [6] of the file \"array.conf\"";
    const struct {
        const char* row;
        std::string warning; // "" for none
        int unmirrored;      // positions without a mirror disk
    } cases[] = {
        {"DB 4 8 1 8 000,001,002,003 010,011",
         "---> Line 13, field 7 \"010,011\" lists 2 mirror disks for the 4 primary disks of LUN_WWN [DB]: positions "
         "3 to 4 have no mirror" +
             tail,
         2},
        {"DB 2 8 1 8 000,001 010",
         "---> Line 13, field 7 \"010\" lists 1 mirror disk for the 2 primary disks of LUN_WWN [DB]: position 2 has "
         "no mirror" +
             tail,
         1},
        {"DB 4 8 1 8 000,001,002,003 -", "", 4},
        {"DB 2 8 1 8 000,001 010,011", "", 0},
        {"DB 2 4 1 4 000,- -,011", "", 1},
    };
    for (const auto& c : cases) {
        TearDown();
        SetUp();
        array(std::string(c.row) + "\n", 2);
        endRunAt(0.01);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(runError(), "") << c.row;
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(err, c.warning.empty()
                           ? ""
                           : "<!> Warning in module Velmora.Dev1.CtrlMemCch.LunCtrl[1]: " + c.warning + "\n")
            << c.row;
        const auto conf = readLines("out/lun/Velmora.Dev1.DB.LunConf");
        int unmirrored = 0;
        for (size_t k = 0; k < conf.size(); ++k)
            if (conf[k] == "Mirrored Disks: ")
                for (size_t r = k + 3; r < conf.size() && conf[r][0] != '='; ++r)
                    unmirrored += conf[r].substr(10, 10) == col("-", 10);
        EXPECT_EQ(unmirrored, c.unmirrored) << c.row;
    }
}

TEST_F(LunConfigTest, TheSmallestMemberDiskSetsEveryShare)
{
    array("MIX 2 4 4 8 000,100 001,101\n", 2);
    endRunAt(0.001);
    runAll();
    // 100 KB per member: 25 blocks of 4 KB, 12 whole stripe units of 2.
    EXPECT_DOUBLE_EQ(lun(1)->par("lunCapGB").doubleValue(), 2 * 100.0 / (1024 * 1024));
    EXPECT_EQ(lpar(1, "lunBlkNum"), 48);
    EXPECT_EQ(disk(0, 0, 0)->par("lunDskBlkNum").longValue(), 24);
    const auto conf = readLines("out/lun/Velmora.Dev1.MIX.LunConf");
    EXPECT_EQ(conf[10], col("0", 10) + col("0", 10) + col("0", 10) + col("0", 10) + col("0.000191", 15) +
                            col("0.000095", 15) + col("24", 15));
}

// Reads to chosen blocks, each block answered by the stand-in cache, show
// where the blocks lie.
TEST_F(LunConfigTest, BlocksMapAcrossStripesAndOntoBothSides)
{
    array(TWO_LUNS, 3);
    CtrlMemProcessorStandIn::blockDelay = 1e-5;
    command(0.001, 1, {1, SCSI_READ, 21, 8192});
    command(0.002, 1, {2, SCSI_READ, 95, 8192});
    // Both slots of LUNA are taken until the first read is answered.
    command(0.003, 1, {3, SCSI_READ, 3, 16384});
    byIoId(0.0035, 1, "REQ_CMD_COMP", REQ_CMD_COMP, 1);
    command(0.004, 2, {4, SCSI_READ, 0, 8192});
    endRunAt(0.01);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);

    struct Where {
        unsigned long lunBlk, dskBlk;
        int priAcp, priGrp, priDsk, mirAcp, mirGrp, mirDsk;
    };
    const Where a[] = {
        {21, 5, 0, 0, 1, -1, -1, -1},  // position 1 of the second stripe
        {95, 23, 0, 0, 3, -1, -1, -1}, // the last block of the last whole stripe
        {3, 3, 0, 0, 0, -1, -1, -1},
        {4, 0, 0, 0, 1, -1, -1, -1},
    };
    const Where b[] = {{0, 0, 0, 1, 0, -1, -1, -1}, {1, 0, -1, -1, -1, 0, 1, 1}};
    auto check = [](int lunIdx, const Where* w, size_t n) {
        const auto reqs = sent(lunIdx, "REQ_BLK_READ");
        ASSERT_EQ(reqs.size(), n);
        for (size_t i = 0; i < n; ++i) {
            auto* io = static_cast<LunBlkIo*>(reqs[i].msg);
            auto* loc = static_cast<LunBlkLocAnx*>(io->encapsulatedMsg());
            ASSERT_NE(loc, nullptr);
            EXPECT_STREQ(loc->name(), "LUN_BLK_LOC_ANX");
            EXPECT_EQ(io->getLunBlk(), w[i].lunBlk) << i;
            EXPECT_EQ(loc->getDskBlk(), w[i].dskBlk) << i;
            EXPECT_EQ(loc->getPriAcpId(), w[i].priAcp) << i;
            EXPECT_EQ(loc->getPriGrpId(), w[i].priGrp) << i;
            EXPECT_EQ(loc->getPriDskId(), w[i].priDsk) << i;
            EXPECT_EQ(loc->getMirAcpId(), w[i].mirAcp) << i;
            EXPECT_EQ(loc->getMirGrpId(), w[i].mirGrp) << i;
            EXPECT_EQ(loc->getMirDskId(), w[i].mirDsk) << i;
            EXPECT_EQ(loc->getPriDskModPtr() != 0, w[i].priAcp >= 0);
            EXPECT_EQ(loc->getMirDskModPtr() != 0, w[i].mirAcp >= 0);
        }
    };
    check(1, a, 4);
    // The read of LUNB asks for its second block too: 8 KB over 4 KB.
    check(2, b, 2);
    auto* first = static_cast<LunBlkLocAnx*>(sent(1, "REQ_BLK_READ")[0].msg->encapsulatedMsg());
    EXPECT_EQ(object_at<cModule>(first->getPriDskModPtr()), disk(0, 0, 1));
}

TEST_F(LunConfigTest, ABlockPastTheLastWholeStripeEndsTheRun)
{
    array(TWO_LUNS, 3);
    CtrlMemProcessorStandIn::blockDelay = 1e-5;
    command(0.001, 1, {1, SCSI_READ, 96, 8192});
    EXPECT_EQ(runError(), "---> block_mapping : LUN_BLK 96 exceeds block boundary");
}

// Disks far larger than the tiny model: a member gives a LUN at most
// 10000 GB, and the LUN's blocks must fit 32-bit block fields.
class LunBigDiskTest : public LunTest {
  protected:
    void enlargeDisks()
    {
        new LambdaModule("Enlarger", root, [this](LambdaModule&) {
            for (int d = 0; d < 4; ++d)
                disk(0, 0, d)->par("diskCapGB").setDoubleValue(20000 + d);
        });
    }
};

TEST_F(LunBigDiskTest, AMemberGivesAtMost10000GB)
{
    enlargeDisks();
    array("BIG 2 64 1 64 000,001 -\n", 2);
    endRunAt(0.001);
    runAll();
    EXPECT_DOUBLE_EQ(lun(1)->par("lunCapGB").doubleValue(), 20000);
    EXPECT_EQ(lpar(1, "lunBlkNum"), 2L * 163840000);
    EXPECT_EQ(disk(0, 0, 1)->par("lunDskBlkNum").longValue(), 163840000);
}

TEST_F(LunBigDiskTest, MoreBlocksThan32BitsCarryAreRefused)
{
    enlargeDisks();
    array("HUGE 4 4 1 4 000,001,002,003 -\n", 2);
    EXPECT_EQ(runError(), "---> LUN_WWN [HUGE] : 10485760000 blocks exceed the largest LUN of 4294967295 blocks. "
                          "Please check section [6] of the file \"array.conf\"");
}

struct BadSetup {
    const char* rows;
    const char* message;
};

class LunSetupErrorTest : public LunTest, public ::testing::WithParamInterface<BadSetup> {};

TEST_P(LunSetupErrorTest, EndsTheRunWithItsMessage)
{
    modelLess = true;
    array(GetParam().rows, 4);
    EXPECT_EQ(runError(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, LunSetupErrorTest,
    ::testing::Values(
        BadSetup{"SIXTEEN_CHARS_OK 1 4 1 4 000 -\nSEVENTEEN_CHARS_X 1 4 1 4 001 -\n",
                 "---> Invalid LUN_WWN[SEVENTEEN_CHARS_X]. Must not exceed 16 char. Please check section [6] of the "
                 "file \"array.conf\""},
        BadSetup{"NULL 1 4 1 4 000 -\n", "---> Invalid LUN_WWN[NULL]. Must not name a LUN as \"NULL\". Please check "
                                         "section [6] of the file \"array.conf\""},
        // The name is part of the LUN's file names: a '/' would put them elsewhere.
        BadSetup{"../../L1 1 4 1 4 000 -\n", "---> Invalid LUN_WWN[../../L1]. Must not hold the character '/'. "
                                             "Please check section [6] of the file \"array.conf\""},
        BadSetup{"L1 1 4 1 4 000 - extra\n", "---> LUN_WWN [L1] : at most 7 parameters can be setup for LUN "
                                             "Configuration. Please check section [6] of the file \"array.conf\""},
        BadSetup{"L1 1 4 1 4 000\n", "---> LUN_WWN [L1] : missing parameters for LUN Configuration. Please check "
                                     "section [6] of the file \"array.conf\""},
        BadSetup{"L1 0 4 1 4 000 -\n", "---> LUN_WWN [L1] : at least one disk must be setup. Please check section "
                                       "[6] of the file \"array.conf\""},
        BadSetup{"L1 1000000000 4 1 4 000 -\n", "---> LUN_WWN [L1] : DSK_NUM must be within [1,1000]. Please "
                                                "check section [6] of the file \"array.conf\""},
        BadSetup{"L1 1 0 1 4 000 -\n",
                 "---> LUN_WWN [L1] : BLK_SIZE must be > zero. Please check section [6] of the file \"array.conf\""},
        BadSetup{"L1 1 12K 1 12 000 -\n", "---> LUN_WWN [L1] : BLK_SIZE must be one of the followings: 4K, 8K, "
                                          "16K, 32K, or 64K. Please check section [6] of the file \"array.conf\""},
        BadSetup{"L1 1 4 0 4 000 -\n", "---> LUN_WWN [L1] : CON_CURR_LUNIO must be > zero. Please check section "
                                       "[6] of the file \"array.conf\""},
        BadSetup{"L1 1 4 100000000000 4 000 -\n", "---> LUN_WWN [L1] : CON_CURR_LUNIO must be within [1,1000000]. "
                                                  "Please check section [6] of the file \"array.conf\""},
        BadSetup{"L1 1 4 1 - 000 -\n", "---> LUN_WWN [L1] : STRIPE_DEPTH must be > zero. Please check section [6] "
                                       "of the file \"array.conf\""},
        // A depth whose bytes do not fit 32 bits would leave no blocks per stripe unit.
        BadSetup{"L1 1 4 1 4294967296 000 -\n", "---> LUN_WWN [L1] : STRIPE_DEPTH must be within [1,1048576]. "
                                                "Please check section [6] of the file \"array.conf\""},
        BadSetup{"L1 1 8 1 12 000 -\n", "---> LUN_WWN [L1] : STRIPT_DEPTH must be a multiple of BLK_SIZE. Please "
                                        "check section [6] of the file \"array.conf\""},
        BadSetup{"L1 2 4 1 4 000,001,002 -\n", "---> LUN_WWN [L1] : at most 2 disk(s) can be setup. Please check "
                                               "section [6] of the file \"array.conf\""},
        BadSetup{"L1 2 4 1 4 000,0001 -\n", "---> LUN_WWN [L1] : 0001 is an invalid Disk_ID"},
        BadSetup{"L1 1 4 1 4 200 -\n", "---> LUN_WWN [L1] : invalid ACP_ID for setting up DISK 200. Please check "
                                       "section [6] of the file \"array.conf\""},
        BadSetup{"L1 1 4 1 4 020 -\n", "---> LUN_WWN [L1] : invalid ARRGRP_ID for setting up DISK 020. Please "
                                       "check section [6] of the file \"array.conf\""},
        BadSetup{"L1 1 4 1 4 004 -\n", "---> LUN_WWN [L1] : invalid DISK_ID for setting up DISK 004. Please check "
                                       "section [6] of the file \"array.conf\""},
        BadSetup{"L1 2 4 1 4 000 000\n", "---> LUN_WWN [L1] : DISK 000 is not available. Probably it is occupied. "
                                         "Please check section [6] of the file \"array.conf\""},
        BadSetup{"L1 1 4 1 4 000 -\nL2 1 4 1 4 000 -\n",
                 "---> LUN_WWN [L2] : DISK 000 is not available. Probably it is occupied. Please check section [6] "
                 "of the file \"array.conf\""},
        BadSetup{"L1 2 4 1 4 ,001 -\n", "---> LUN_WWN [L1] : missing member disk(s) - requires disk #1 to be setup. "
                                        "Please check section [6] of the file \"array.conf\""},
        BadSetup{"LUN0 1 4 1 4 000 -\n",
                 "---> Found duplicate LUN_WWN - \"LUN0\". Please check section [6] of the file \"array.conf\""},
        BadSetup{"L1 1 4 1 4 000 -\nL1 1 4 1 4 001 -\n",
                 "---> Found duplicate LUN_WWN - \"L1\". Please check section [6] of the file \"array.conf\""},
        // 25 blocks of 4 KB on a TINY3K disk do not make one stripe unit of 32.
        BadSetup{"L1 1 4 1 128 100 -\n", "---> LUN_WWN [L1] : the member disks hold no whole stripe of 128 KB, so "
                                         "the LUN has no blocks. Please check section [6] of the file "
                                         "\"array.conf\""},
        BadSetup{"L1 1 4 1 4 110 -\n", "---> LUN_WWN [L1] : DISK 110 (Velmora.Dev1.Acp[1].ArrGrp[1].Disk[0]) has no "
                                       "disk model. Please check sections [5] and [6] of the file \"array.conf\""}));

} // namespace
