#include <cmath>

#include "tests/array/LunFixture.h"

// Copies of host writes for a LUN whose remote copy a board has announced.
namespace {

// LUNA: 96 blocks of 8 KB.
const char* const LUNS = "LUNA 4 8 8 32 000,001,002,003 -\n"
                         "LUNB 2 4 1 4 010,011 -\n";
constexpr double MS = 1e-3;

class LunMirrorTest : public LunTest {
  protected:
    static void announce(double time, const char* wwn, long chipId, long blkSize, long blkNum)
    {
        task(time, 0, [=] {
            auto* rdy = new cMessage("RMT_IO_GEN_RDY", RMT_IO_GEN_RDY, 0);
            rdy->addPar("lunWwn").setStringValue(wwn);
            rdy->addPar("chipId").setLongValue(chipId);
            rdy->addPar("blkSize").setLongValue(blkSize);
            rdy->addPar("blkNum").setLongValue(blkNum);
            return rdy;
        });
    }
};

TEST_F(LunMirrorTest, EveryHostWriteAfterTheAnnouncementIsCopiedOnceInsideTheLun)
{
    array(LUNS, 3);
    root->par("netIoNum").setLongValue(10);
    CtrlMemProcessorStandIn::blockDelay = 1e-5;
    command(0.5 * MS, 1, {1, SCSI_WRITE, 0, 8192});
    announce(1 * MS, "LUNA", 1, 8192, 96);
    announce(1.1 * MS, "LUNA", 2, 8192, 200);
    announce(1.2 * MS, "NOSUCH", 3, 8192, 96);
    command(2 * MS, 1, {2, SCSI_WRITE, 5, 8192});
    command(2.1 * MS, 1, {3, SCSI_WRITE, 7, 8192, 0, 0, 0, true});
    command(2.2 * MS, 1, {4, SCSI_READ, 7, 8192});
    command(3 * MS, 1, {5, SCSI_WRITE, 94, 3 * 8192});
    command(4 * MS, 1, {6, SCSI_WRITE, 94, 12288});
    command(5 * MS, 1, {7, SCSI_WRITE, 120, 4096});
    endRunAt(10 * MS);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);

    // The first board to announce stays; other names change nothing.
    EXPECT_EQ(lpar(1, "rmtChipId"), 1);
    EXPECT_FALSE(lun(2)->hasPar("rmtChipId"));
    EXPECT_FALSE(lun(0)->hasPar("rmtChipId"));
    const auto copies = sent(1, "SCSI_RDWR_IO");
    ASSERT_EQ(copies.size(), 4u);
    struct Copy {
        double time;
        long blkAddr, ioSize;
    };
    const Copy want[] = {
        {2 * MS, 5, 8192},
        {3 * MS, 94, 2 * 8192}, // three blocks from two before the end: two
        {4 * MS, 94, 2 * 8192}, // one and a half blocks ending in the last: two whole
        {5 * MS, 95, 4096},     // past the end: from the last block
    };
    for (size_t i = 0; i < copies.size(); ++i) {
        cMessage* c = copies[i].msg;
        EXPECT_NEAR(copies[i].time, want[i].time, 1e-12) << i;
        EXPECT_EQ(c->kind(), SCSI_RDWR_IO);
        EXPECT_EQ(c->length(), 0);
        EXPECT_EQ(c->par("ioType").longValue(), 128);
        EXPECT_EQ(c->par("ioSize").longValue(), want[i].ioSize) << i;
        EXPECT_EQ(c->par("blkAddr").longValue(), want[i].blkAddr) << i;
        EXPECT_STREQ(c->par("lunWwn").stringValue(), "LUNA");
        EXPECT_EQ(c->par("ioGenId").longValue(), -1);
        EXPECT_STREQ(c->par("ioPatName").stringValue(), "RmtMirr");
        EXPECT_EQ(c->par("chipId").longValue(), 1);
        EXPECT_DOUBLE_EQ(c->par("sTime").doubleValue(), want[i].time);
    }
    // The copy goes before the write is started.
    const auto& all = ArrayStandIn::heard;
    size_t copyAt = 0, dataOutAt = 0;
    for (size_t i = 0; i < all.size(); ++i) {
        if (all[i].name == "SCSI_RDWR_IO" && !copyAt)
            copyAt = i + 1;
        if (all[i].name == "RECV_DATA_OUT" && std::abs(all[i].time - 2 * MS) < 1e-12)
            dataOutAt = i + 1;
    }
    EXPECT_LT(copyAt, dataOutAt);
    EXPECT_EQ(root->par("netIoNum").longValue(), 14);
    EXPECT_EQ(root->par("rawIoNum").longValue(), 4);
    // Every write, copied or not, is served.
    EXPECT_EQ(sent(1, "RECV_DATA_OUT").size(), 6u);
    EXPECT_EQ(lpar(1, "wrIoReq"), 6);
}

// Host writes received before the announcement stay uncopied; the run says
// how many, once, at its end. Copies from the other array, reads, and the
// writes of a LUN without a remote copy are not counted.
TEST_F(LunMirrorTest, WritesBeforeTheAnnouncementAreToldOnceAtTheEnd)
{
    array(LUNS, 3);
    CtrlMemProcessorStandIn::blockDelay = 1e-5;
    command(0.2 * MS, 1, {11, SCSI_WRITE, 0, 8192});
    command(0.3 * MS, 2, {21, SCSI_WRITE, 0, 4096});
    command(0.4 * MS, 1, {12, SCSI_WRITE, 1, 8192});
    command(0.5 * MS, 1, {13, SCSI_WRITE, 2, 8192, 0, 0, 0, true});
    command(0.6 * MS, 1, {14, SCSI_READ, 3, 8192});
    announce(1 * MS, "LUNA", 1, 8192, 96);
    command(2 * MS, 1, {15, SCSI_WRITE, 4, 8192});
    command(3 * MS, 1, {16, SCSI_WRITE, 5, 8192});
    endRunAt(10 * MS);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);
    const std::string err = ::testing::internal::GetCapturedStderr();

    EXPECT_EQ(sent(1, "SCSI_RDWR_IO").size(), 2u);
    EXPECT_EQ(lpar(1, "wrIoReq"), 5);
    const std::string text =
        "LUN_WWN [LUNA] : 2 of its host writes came before its remote copy was announced and were never copied to it";
    const auto log = readLines("out/Warnings.txt");
    ASSERT_EQ(log.size(), 3u) << readFile("out/Warnings.txt");
    EXPECT_EQ(log[2].substr(25), col("Velmora.Dev1.CtrlMemCch.LunCtrl[1]", 62) + "WARNING: " + text);
    EXPECT_EQ(err, "<!> Warning in module Velmora.Dev1.CtrlMemCch.LunCtrl[1]: " + text + "\n");
}

TEST_F(LunMirrorTest, APartnerWithFewerBlocksIsRefused)
{
    array(LUNS, 3);
    announce(1 * MS, "LUNA", 1, 8192, 95);
    EXPECT_EQ(runError(), "---> LUN_WWN [LUNA] : its remote copy through Chip[1] has 95 blocks of 8192 bytes, but "
                          "mirroring needs at least 96 blocks of 8192 bytes. Please check section [6] of the "
                          "configuration files of both arrays");
}

TEST_F(LunMirrorTest, APartnerWithAnotherBlockSizeIsRefused)
{
    array(LUNS, 3);
    announce(1 * MS, "LUNB", 0, 8192, 100);
    EXPECT_EQ(runError(), "---> LUN_WWN [LUNB] : its remote copy through Chip[0] has 100 blocks of 8192 bytes, but "
                          "mirroring needs at least 100 blocks of 4096 bytes. Please check section [6] of the "
                          "configuration files of both arrays");
}

} // namespace
