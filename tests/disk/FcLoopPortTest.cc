#include <functional>
#include <string>
#include <vector>

#include "messages/MsgSubclass_m.h"
#include "tests/disk/DiskFixture.h"

// Real array groups (the loop port and the TINY6K disks it creates) of
// Dev1's board Acp[0], each under a driver end that sends block requests
// and records the completions. Group 0 holds two disks on a 2 Gbit/s loop,
// group 1 one disk. A sector takes 1 ms under the head, which starts on
// sector 0 of cylinder 0, head 0; a disk buffers 4 sectors; one loop hop
// takes 1 us; a 512-byte sector travels with 52 bytes of framing at
// 212.5e6 bytes/s. A completion reaches the disk's loop interface 0.5 us
// after the media are done. The port spends 1.5 us cutting a block and
// 0.15 us handing each sector to the loop.
namespace {

constexpr int RD = 136;
constexpr int WR = 128;
constexpr double SECTOR_ON_LOOP = 564 / 212.5e6;
constexpr double HOP = 1e-6;
constexpr double TO_LOOP = 5e-7;
constexpr double SEGMENT = 1.5e-6;

class FcLoopPortTest : public DiskTest {
  protected:
    struct Received {
        double time;
        LunBlkIo* io;
    };
    void TearDown() override
    {
        for (Received& r : received)
            delete r.io;
        DiskTest::TearDown();
    }
    struct Send {
        double time;
        std::function<cMessage*()> make;
    };
    // Group `grp` of Acp[0], the real compound, with a driver that sends
    // `out` and keeps what comes back.
    cModule* arrayGroup(int grp, std::vector<Send> out)
    {
        cModule* board = device->submodule("Acp", 0);
        if (!board)
            board = compound("Acp", device, 0, 2);
        cModule* g = findModuleType("ArrayGroup")->create("ArrGrp", board);
        g->setIndex(grp, 2);
        g->buildInside();
        auto* drv = new LambdaModule("Drv", board, [this, out](LambdaModule& self) {
            for (const Send& s : out) {
                self.wait(s.time - self.simTime());
                self.send(s.make(), "out");
            }
            for (;;) {
                cMessage* msg = self.receive();
                received.push_back({msg->arrivalTime(), static_cast<LunBlkIo*>(msg)});
            }
        });
        drv->setIndex(grp, 2);
        drv->addGate("in", 'I');
        drv->addGate("out", 'O');
        drv->gate("out")->connectTo(g->gate("from_driver"));
        g->gate("to_driver")->connectTo(drv->gate("in"));
        return g;
    }
    // A block request of group `grp` for `disk`, block `dskBlk`.
    static std::function<cMessage*()> request(int ioType, int grp, int disk, unsigned long dskBlk,
                                              unsigned long blkSize, double sTime, long cchTbl = 0)
    {
        return [=] {
            const bool read = ioType == RD;
            auto* io = new LunBlkIo(read ? "REQ_PHY_BLK_READ" : "REQ_PHY_BLK_WRITE",
                                    read ? REQ_PHY_BLK_READ : REQ_PHY_BLK_WRITE);
            io->setLunBlkLoc(LunBlkLoc{0, grp, disk, static_cast<uint32_t>(dskBlk), 0});
            io->setLunId(3);
            io->setLunBlk(100 + dskBlk);
            io->setBlkSize(blkSize);
            io->setIoType(ioType);
            io->setIoId(7000 + dskBlk);
            io->setReqIndex(read);
            io->setPbIndex(read ? 11 : -1);
            io->setLength(read ? 0 : static_cast<long>(blkSize));
            io->addPar("sTime").setDoubleValue(sTime);
            if (!read)
                io->addPar("thisCchTbl").setLongValue(cchTbl);
            return io;
        };
    }
    static long count(cModule* disk, const char* par) { return disk->par(par).longValue(); }

    std::vector<Received> received;
};

TEST_F(FcLoopPortTest, TheLoopCostsOneHopPerDiskPassedAndTheFrameAtLoopSpeed)
{
    cModule* grp = arrayGroup(0, {
                                     {0.00, request(RD, 0, 1, 5, 512, 0.0)},
                                     {0.02, request(RD, 0, 0, 5, 512, 0.019)},
                                     {0.04, request(WR, 0, 1, 5, 512, 0.039, 777)},
                                 });
    endRunAt(0.1);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);

    // The port made the group's two disks beside itself, free for the LUNs.
    ASSERT_EQ(grp->submodule("FcAl")->gateSize("to_disk"), 2);
    for (int i = 0; i < 2; ++i) {
        cModule* disk = grp->submodule("Disk", i);
        ASSERT_NE(disk, nullptr);
        EXPECT_FALSE(disk->par("inUse").boolValue());
        EXPECT_EQ(std::string(disk->displayString()), "i=disk;p=60,80,row;b=35,45");
    }
    EXPECT_EQ(grp->submodule("Disk", 2), nullptr);

    // Each block is one sector on a track the head is already on, 5 sectors
    // round from sector 0: 6 ms on the media.
    ASSERT_EQ(received.size(), 3u);
    // To disk 1 the request passes disk 0; the answer comes straight back.
    EXPECT_NEAR(received[0].time, SEGMENT + HOP + 6e-3 + TO_LOOP + SECTOR_ON_LOOP, 1e-12);
    // To disk 0 nothing is passed; the answer passes disk 1.
    EXPECT_NEAR(received[1].time, 0.02 + SEGMENT + 6e-3 + TO_LOOP + HOP + SECTOR_ON_LOOP, 1e-12);
    // A write carries its data to the disk and comes back empty.
    EXPECT_NEAR(received[2].time, 0.04 + SEGMENT + HOP + SECTOR_ON_LOOP + 6e-3 + TO_LOOP, 1e-12);

    LunBlkIo* read = received[1].io;
    EXPECT_EQ(read->name(), std::string("BLK_READ_DATA"));
    EXPECT_EQ(read->kind(), BLK_READ_DATA);
    EXPECT_EQ(read->length(), 512);
    EXPECT_FALSE(read->getFromCsw());
    EXPECT_TRUE(read->getReqIndex());
    EXPECT_EQ(read->getPbIndex(), 11);
    EXPECT_EQ(read->getLunId(), 3u);
    EXPECT_EQ(read->getLunBlk(), 105u);
    EXPECT_EQ(read->getIoId(), 7005u);
    EXPECT_EQ(read->getIoType(), RD);
    EXPECT_EQ(read->getBlkSize(), 512u);
    EXPECT_EQ(read->getLunBlkLoc().grpId, 0);
    EXPECT_EQ(read->getLunBlkLoc().dskId, 0);
    EXPECT_EQ(read->getLunBlkLoc().dskBlk, 5u);
    EXPECT_DOUBLE_EQ(read->par("sTime").doubleValue(), 0.019);

    LunBlkIo* written = received[2].io;
    EXPECT_EQ(written->name(), std::string("PHY_BLK_WRITE_COMP"));
    EXPECT_EQ(written->kind(), PHY_BLK_WRITE_COMP);
    EXPECT_EQ(written->length(), 0);
    EXPECT_EQ(written->par("thisCchTbl").longValue(), 777) << "the cache record comes back as it went";
    EXPECT_DOUBLE_EQ(written->par("sTime").doubleValue(), 0.039);
    EXPECT_EQ(written->getIoType(), WR);

    EXPECT_EQ(count(grp->submodule("Disk", 0), "rdSecReq"), 1);
    EXPECT_EQ(count(grp->submodule("Disk", 1), "rdSecReq"), 1);
    EXPECT_EQ(count(grp->submodule("Disk", 1), "wrSecCom"), 1);
    EXPECT_NE(console.str().find("Velmora.Dev1.Acp[0].ArrGrp[0].FcAl-->REQ_PHY_BLK_READ\n"), std::string::npos);
    EXPECT_NE(console.str().find("Velmora.Dev1.Acp[0].ArrGrp[0].FcAl-->LOOP_FREE\n"), std::string::npos);
}

TEST_F(FcLoopPortTest, ABlockIsCutIntoSectorsFedAsTheDiskBufferAllowsAndAnsweredOnce)
{
    // 8 sectors on disk 0 (sectors 0 to 7), then 2 on disk 1 (sectors 6, 7).
    cModule* grp = arrayGroup(0, {
                                     {0, request(RD, 0, 0, 0, 4096, 0)},
                                     {0, request(RD, 0, 1, 3, 1024, 0)},
                                 });
    endRunAt(0.1);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);

    // Disk 0 takes four sectors at once and one more as each comes back:
    // batches of 1, 3, 3 and 1 sectors, each sector found under the head,
    // 1 ms apiece; the last leaves the media at 8.0015 ms and passes disk 1.
    cModule* disk0 = grp->submodule("Disk", 0);
    EXPECT_EQ(count(disk0, "rdSecReq"), 8);
    EXPECT_EQ(count(disk0, "rdSecCom"), 8);
    EXPECT_EQ(count(disk0, "queActCnt"), 4);
    EXPECT_EQ(count(disk0, "queLenSum"), 8);
    EXPECT_EQ(count(disk0, "zeroCylMove"), 8);
    // Disk 1's first sector waits 6 sectors round, its second is then under
    // the head; both answers wait for disk 0's on the loop.
    cModule* disk1 = grp->submodule("Disk", 1);
    EXPECT_EQ(count(disk1, "rdSecReq"), 2);
    EXPECT_EQ(count(disk1, "queActCnt"), 2);

    ASSERT_EQ(received.size(), 2u) << "one answer per block";
    const double first = 8.0015e-3 + TO_LOOP + HOP + SECTOR_ON_LOOP;
    EXPECT_NEAR(received[0].time, first, 1e-12);
    EXPECT_EQ(received[0].io->getLunBlkLoc().dskId, 0);
    EXPECT_EQ(received[0].io->length(), 4096);
    EXPECT_NEAR(received[1].time, first + SECTOR_ON_LOOP, 1e-12);
    EXPECT_EQ(received[1].io->getLunBlkLoc().dskId, 1);
    EXPECT_EQ(received[1].io->length(), 1024);

    // The sectors each disk was asked for, in the order served.
    const auto rows = readLines("out/disk/Velmora.Dev1.Acp[0].ArrGrp[0].Disk[0].SecResp");
    ASSERT_EQ(rows.size(), 10u);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(rows[2 + i].substr(39, 12), col(std::to_string(i), 12)) << i;
    const auto rows1 = readLines("out/disk/Velmora.Dev1.Acp[0].ArrGrp[0].Disk[1].SecResp");
    ASSERT_EQ(rows1.size(), 4u);
    EXPECT_EQ(rows1[2].substr(39, 12), col("6", 12));
    EXPECT_EQ(rows1[3].substr(39, 12), col("7", 12));
}

TEST_F(FcLoopPortTest, EachGroupAppendsItsDisksToTheFinishFile)
{
    arrayGroup(0, {{0, request(RD, 0, 1, 0, 1024, 0)}});
    arrayGroup(1, {{0, request(WR, 1, 0, 2, 512, 0, 9)}});
    endRunAt(0.05);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);
    ASSERT_EQ(received.size(), 2u);

    const auto rows = readLines("out/finish/DiskStat.Finish");
    const std::string eq2 = std::string(35, '=') + std::string(30, '=');
    const std::string eq1 = std::string(35, '=') + std::string(15, '=');
    ASSERT_EQ(rows.size(), 2u * 20);
    EXPECT_EQ(rows[0], "Velmora.Dev1.Acp[0].ArrGrp[0]");
    EXPECT_EQ(rows[1], eq2);
    EXPECT_EQ(rows[2], col(" ", 17) + " | " + col("Total", 15) + col("Disk[0]", 15) + col("Disk[1]", 15));
    EXPECT_EQ(rows[4], col("Sec_Read_Req", 17) + " : " + col("2", 15) + col("0", 15) + col("2", 15));
    EXPECT_EQ(rows[10], col("Sec_Read_Com", 17) + " : " + col("2", 15) + col("0", 15) + col("2", 15));
    EXPECT_EQ(rows[18], eq2);
    EXPECT_EQ(rows[19], "");
    EXPECT_EQ(rows[20], "Velmora.Dev1.Acp[0].ArrGrp[1]");
    EXPECT_EQ(rows[21], eq1);
    EXPECT_EQ(rows[25], col("Sec_Write_Req", 17) + " : " + col("1", 15) + col("1", 15));
    EXPECT_EQ(rows[31], col("Sec_Write_Com", 17) + " : " + col("1", 15) + col("1", 15));
    EXPECT_EQ(rows[38], eq1);
}

TEST_F(FcLoopPortTest, RequestsThePortCannotCutStopTheRun)
{
    arrayGroup(0, {{0, request(RD, 0, 0, 0, 1000, 0)}});
    EXPECT_EQ(runError(), "---> proc_blk_req : expecting blkSize[1000] a multiple of DSK_SEC_SIZE[512]");

    newNetwork();
    arrayGroup(0, {{0, request(RD, 0, 2, 0, 512, 0)}});
    EXPECT_EQ(runError(), "---> proc_blk_req : Invalid DISK_ID [2]");

    newNetwork();
    arrayGroup(0, {{0, [] {
                        auto* io = static_cast<LunBlkIo*>(request(RD, 0, 0, 0, 512, 0)());
                        io->setIoType(WR);
                        return io;
                    }}});
    EXPECT_EQ(runError(), "---> proc_request : REQ_PHY_BLK_READ fault");

    newNetwork();
    arrayGroup(0, {{0, [] { return new cMessage("REQ_LOOP_ARBI", REQ_LOOP_ARBI, 0); }}});
    EXPECT_EQ(runError(), "---> REQ_LOOP_ARBI should encapsulate a DskSecIo message");
}

TEST_F(FcLoopPortTest, TheGroupRowMustGiveALoopSpeedAndAtLeastOneDisk)
{
    writeArrayFile("0 0 3 TINY6K 2 N\n");
    arrayGroup(0, {});
    EXPECT_EQ(runError(), "---> Acp[0].ArrGrp[0] : missing or invalid portSpeed. Please check section [5] of the "
                          "file \"array.conf\"");

    newNetwork();
    writeArrayFile("0 0 1 TINY6K 0 N\n");
    arrayGroup(0, {});
    EXPECT_EQ(runError(), "---> Acp[0].ArrGrp[0] : at least one disk must be installed. Please check section [5] of "
                          "the file \"array.conf\"");
}

} // namespace
