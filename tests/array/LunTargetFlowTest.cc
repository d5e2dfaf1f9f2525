#include "tests/array/LunFixture.h"

// The LUN controller as a SCSI target: block requests and data for reads and
// writes, the discovery answers, concurrency, aborts and lost paths. Task
// costs of the stand-in processor: SCSI_RD_SEG 2 us, SCSI_WR_SEG 3 us,
// RMV_LUN_IO 4 us, COM_BLK_RD 5 us, COM_BLK_WR 6 us.
namespace {

const char* const LUNS = "LUNA 4 8 2 32 000,001,002,003 -\n"
                         "LUNB 2 4 1 4 010,011 -\n";
constexpr double US = 1e-6;
constexpr double MS = 1e-3;

class LunTargetFlowTest : public LunTest {
  protected:
    static std::vector<double> times(const std::vector<ArrayStandIn::Heard>& hs)
    {
        std::vector<double> out;
        for (const auto& h : hs)
            out.push_back(h.time);
        return out;
    }
    static std::vector<unsigned long> ioIds(const std::vector<ArrayStandIn::Heard>& hs)
    {
        std::vector<unsigned long> out;
        for (const auto& h : hs) {
            if (auto* c = dynamic_cast<SendCmdComp*>(h.msg))
                out.push_back(c->getIoId());
            else if (auto* io = dynamic_cast<LunBlkIo*>(h.msg))
                out.push_back(io->getIoId());
        }
        return out;
    }
    static void expectTimes(const std::vector<ArrayStandIn::Heard>& hs, const std::vector<double>& want)
    {
        const auto got = times(hs);
        ASSERT_EQ(got.size(), want.size());
        for (size_t i = 0; i < want.size(); ++i)
            EXPECT_NEAR(got[i], want[i], 1e-12) << i;
    }
    // LUN `i`'s run counts of reads ("rd") or writes ("wr"): requests,
    // successes, aborts, open and waiting.
    std::vector<long> counts(int i, const std::string& dir) const
    {
        std::vector<long> out;
        for (const char* count : {"IoReq", "IoSucc", "IoAbrt", "IoOpen", "IoWait"})
            out.push_back(lpar(i, (dir + count).c_str()));
        return out;
    }
    // Row `count` of the I/O-failure log: LUN `i` gave up LUN I/O `ioId`.
    static std::string failRow(int count, const char* at, const char* ioId, const char* event, int i)
    {
        return col(std::to_string(count), 10) + col(at, 15) + col("LUN_IO", 15) + col("-", 10) + col("-", 10) +
               col(ioId, 10) + col(event, 60) + col("Velmora.Dev1.CtrlMemCch.LunCtrl[" + std::to_string(i) + "]", 60);
    }
    void expectEveryTaskReleasedOnce()
    {
        size_t releases = 0;
        for (const auto& h : ArrayStandIn::heard)
            releases += h.name == "NEXT_MSG";
        EXPECT_EQ(releases, static_cast<size_t>(CtrlMemProcessorStandIn::granted));
        EXPECT_EQ(CtrlMemProcessorStandIn::strayReleases, 0);
    }
};

TEST_F(LunTargetFlowTest, ARead20KiBOver8KiBBlocksAsksThreeBlocksAndSendsTheDataOnce)
{
    array(LUNS, 3);
    CtrlMemProcessorStandIn::blockDelay = 10 * US;
    command(1 * MS, 1, {11, SCSI_READ, 40, 20480, 1, 2, 3});
    byIoId(2 * MS, 1, "REQ_CMD_COMP", REQ_CMD_COMP, 11);
    task(3 * MS, 1, [] {
        auto* conf = new CompConfRecvd("COMP_CONF_RECVD", COMP_CONF_RECVD);
        conf->setLun(1);
        conf->setIoId(11);
        return conf;
    });
    endRunAt(20 * MS);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);

    // Segmentation 2 us, then one block request every 0.3 us.
    const auto reqs = sent(1, "REQ_BLK_READ");
    expectTimes(reqs, {1.002 * MS, 1.0023 * MS, 1.0026 * MS});
    for (size_t i = 0; i < reqs.size(); ++i) {
        auto* io = static_cast<LunBlkIo*>(reqs[i].msg);
        EXPECT_EQ(io->getLunBlk(), 40 + i);
        EXPECT_EQ(io->getLunId(), 1u);
        EXPECT_EQ(io->getBlkSize(), 8192u);
        EXPECT_EQ(io->getIoId(), 11u);
        EXPECT_EQ(io->getIoType(), SCSI_READ);
        EXPECT_FALSE(io->getReqIndex());
        EXPECT_EQ(io->length(), 8192);
    }
    // Completions 10 us after each request, 5 us of processor each, one
    // after another: the data goes after the third.
    const auto data = sent(1, "SEND_DATA_IN");
    expectTimes(data, {1.027 * MS});
    auto* din = static_cast<SendDataIn*>(data[0].msg);
    EXPECT_EQ(din->length(), 20480);
    EXPECT_EQ(din->getReqSize(), 20480u);
    EXPECT_EQ(din->getFc4Index(), 2);
    EXPECT_EQ(din->getFcpIndex(), 3);
    EXPECT_EQ(din->getChipId(), 1);
    EXPECT_EQ(din->getLun(), 1u);
    EXPECT_FALSE(din->getFromCsw());
    // The response 0.2 us after its request, with the I/O's values.
    const auto comps = sent(1, "SEND_CMD_COMP");
    expectTimes(comps, {2.0002 * MS});
    auto* comp = static_cast<SendCmdComp*>(comps[0].msg);
    EXPECT_EQ(comp->getIoId(), 11u);
    EXPECT_EQ(comp->getFc4Index(), 2);
    EXPECT_EQ(comp->getFcpIndex(), 3);
    EXPECT_EQ(comp->getChipId(), 1);
    EXPECT_EQ(comp->getStatus(), 0);
    EXPECT_FALSE(comp->getHasLunListPtr());
    EXPECT_FALSE(comp->getHasLunWwnPtr());
    // The confirmation only ends its task.
    expectTimes(sent(1, "NEXT_MSG"), {1.0029 * MS, 1.017 * MS, 1.022 * MS, 1.027 * MS, 2.0002 * MS, 3.0002 * MS});
    EXPECT_EQ(sent(1).size(), 3u + 1 + 1 + 6);
    expectEveryTaskReleasedOnce();
    EXPECT_EQ(lpar(1, "rdIoReq"), 1);
    EXPECT_EQ(lpar(1, "rdIoSucc"), 1);
    EXPECT_EQ(lpar(1, "rdIoOpen"), 0);
    EXPECT_EQ(lpar(1, "rdIoWait"), 0);
    EXPECT_EQ(lpar(1, "wrIoReq"), 0);
    EXPECT_NE(console.str().find("Velmora.Dev1.CtrlMemCch.LunCtrl[1] --> SCSI_CMD_RECVD\n"), std::string::npos);
}

TEST_F(LunTargetFlowTest, AWriteAsksForItsDataAndIsAnsweredOnceItsBlocksAreInTheCache)
{
    array(LUNS, 3);
    CtrlMemProcessorStandIn::blockDelay = 10 * US;
    command(1 * MS, 2, {21, SCSI_WRITE, 10, 12288, 0, 1, 4});
    dataOut(1.5 * MS, 2, 99, 4096);
    dataOut(2 * MS, 2, 21, 12288);
    endRunAt(20 * MS);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);

    const auto rdo = sent(2, "RECV_DATA_OUT");
    expectTimes(rdo, {1 * MS});
    auto* r = static_cast<RecvDataOut*>(rdo[0].msg);
    EXPECT_EQ(r->getBurstLen(), 12288u);
    EXPECT_EQ(r->getIoId(), 21u);
    EXPECT_EQ(r->getFc4Index(), 1);
    EXPECT_EQ(r->getFcpIndex(), 4);
    EXPECT_EQ(r->getLun(), 2u);
    EXPECT_EQ(r->getDataRo(), 0u);
    // Data for an I/O the LUN does not hold is passed over.
    EXPECT_NE(console.str().find("WARNING: DataOutRecvd Cannot get the LUN IO Table with ioId 99"), std::string::npos);
    const auto reqs = sent(2, "REQ_BLK_WRITE");
    expectTimes(reqs, {2.003 * MS, 2.0033 * MS, 2.0036 * MS});
    for (size_t i = 0; i < reqs.size(); ++i) {
        EXPECT_EQ(static_cast<LunBlkIo*>(reqs[i].msg)->getLunBlk(), 10 + i);
        EXPECT_EQ(static_cast<LunBlkIo*>(reqs[i].msg)->getIoType(), SCSI_WRITE);
        EXPECT_EQ(reqs[i].msg->length(), 4096);
    }
    // Completions of 6 us each; the answer with the last of them.
    expectTimes(sent(2, "SEND_CMD_COMP"), {2.031 * MS});
    EXPECT_TRUE(sent(2, "SEND_DATA_IN").empty());
    expectEveryTaskReleasedOnce();
    EXPECT_EQ(lpar(2, "wrIoReq"), 1);
    EXPECT_EQ(lpar(2, "wrIoSucc"), 1);
    EXPECT_EQ(lpar(2, "wrIoOpen"), 0);
    EXPECT_EQ(lpar(2, "rdIoReq"), 0);
}

TEST_F(LunTargetFlowTest, ASecondCommandWaitsForTheSlotAndAnAbortTakesItOutOfTheQueue)
{
    array(LUNS, 3);
    CtrlMemProcessorStandIn::blockDelay = 10 * US;
    command(1 * MS, 2, {31, SCSI_READ, 0, 4096});
    command(1.5 * MS, 2, {32, SCSI_READ, 1, 4096});
    command(1.6 * MS, 2, {33, SCSI_READ, 2, 4096});
    byIoId(1.7 * MS, 2, "ABORT_LUNIO", ABORT_LUNIO, 32);
    byIoId(2 * MS, 2, "REQ_CMD_COMP", REQ_CMD_COMP, 31);
    byIoId(3 * MS, 2, "REQ_CMD_COMP", REQ_CMD_COMP, 33);
    // The aborted command held no slot: the next one starts at once.
    command(4 * MS, 2, {34, SCSI_READ, 3, 4096});
    command(4.5 * MS, 2, {35, SCSI_READ, 4, 4096});
    byIoId(5 * MS, 2, "REQ_CMD_COMP", REQ_CMD_COMP, 34);
    // Between the request for the next command and its grant, the queue empties.
    byIoId(5.00027 * MS, 2, "ABORT_LUNIO", ABORT_LUNIO, 35);
    // An open read aborted before its block is back (the abort waits for
    // the read's task to end); the block is dropped.
    command(6 * MS, 2, {36, SCSI_READ, 5, 4096});
    byIoId(6.001 * MS, 2, "ABORT_LUNIO", ABORT_LUNIO, 36);
    byIoId(7 * MS, 2, "ABORT_LUNIO", ABORT_LUNIO, 77);
    endRunAt(20 * MS);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);

    EXPECT_EQ(ioIds(sent(2, "REQ_BLK_READ")), (std::vector<unsigned long>{31, 33, 34, 36}));
    expectTimes(sent(2, "REQ_BLK_READ"), {1.002 * MS, 2.0023 * MS, 4.002 * MS, 6.002 * MS});
    EXPECT_EQ(ioIds(sent(2, "SEND_CMD_COMP")), (std::vector<unsigned long>{31, 33, 34}));
    expectTimes(sent(2, "REQ_PROC_NEXT_LUNIO"), {2.0003 * MS, 5.0003 * MS});
    EXPECT_NE(console.str().find("BlkAddr - 5\n"), std::string::npos);
    EXPECT_NE(console.str().find("ABORT_LUNIO couldn't find a valid LUN IO Table ... Table was closed!"),
              std::string::npos);
    expectEveryTaskReleasedOnce();
    EXPECT_EQ(lpar(2, "rdIoReq"), 6);
    EXPECT_EQ(lpar(2, "rdIoSucc"), 3);
    EXPECT_EQ(lpar(2, "rdIoAbrt"), 3);
    EXPECT_EQ(lpar(2, "rdIoOpen"), 0);
    EXPECT_EQ(lpar(2, "rdIoWait"), 0);

    const auto log = readLines("out/IoFail.txt");
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[0], col("Count", 10) + col("SimTime(ms)", 15) + col("IoName", 15) + col("IoIdx", 10) +
                          col("SIdx", 10) + col("IoId", 10) + col("Events", 60) + col("Module", 60));
    const char* ids[] = {"32", "35", "36"};
    const char* at[] = {"1.7000", "5.0003", "6.0023"};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(log[2 + i], col(std::to_string(i), 10) + col(at[i], 15) + col("LUN_IO", 15) + col("-", 10) +
                                  col("-", 10) + col(ids[i], 10) + col("LUN_IO_ABORT   [Initiator issuing ABTX]", 60) +
                                  col("Velmora.Dev1.CtrlMemCch.LunCtrl[2]", 60));
}

TEST_F(LunTargetFlowTest, DiscoveryAnswersTravelInFilesAndTheResponse)
{
    array(LUNS, 4);
    command(1 * MS, 0, {41, SCSI_RPTLUNS});
    byIoId(1.5 * MS, 0, "REQ_CMD_COMP", REQ_CMD_COMP, 41);
    command(2 * MS, 1, {42, SCSI_INQUIRY});
    command(2.1 * MS, 1, {43, SCSI_INQUIRY});
    byIoId(2.5 * MS, 1, "REQ_CMD_COMP", REQ_CMD_COMP, 42);
    byIoId(2.6 * MS, 1, "REQ_CMD_COMP", REQ_CMD_COMP, 43);
    command(3 * MS, 1, {44, SCSI_MODSNS});
    command(3 * MS, 0, {45, SCSI_MODSNS});
    byIoId(3.5 * MS, 1, "REQ_CMD_COMP", REQ_CMD_COMP, 44);
    byIoId(3.5 * MS, 0, "REQ_CMD_COMP", REQ_CMD_COMP, 45);
    // The names live until their RM_PTR, a second after each answer.
    std::vector<std::string> names;
    new LambdaModule("Probe", root, [&names](LambdaModule& m) {
        m.wait(10 * MS);
        for (const auto& h : ArrayStandIn::heard)
            if (auto* c = dynamic_cast<SendCmdComp*>(h.msg))
                names.push_back(c->getHasLunListPtr()  ? object_at<char>(c->getLunListPtr())
                                : c->getHasLunWwnPtr() ? object_at<char>(c->getLunWwnPtr())
                                                       : "-");
    });
    endRunAt(20 * MS);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);

    // LUN 0 and the two configured LUNs; LunCtrl[3] has no line.
    const auto list = sent(0, "SEND_DATA_IN");
    ASSERT_EQ(list.size(), 2u);
    EXPECT_NEAR(list[0].time, 1.0005 * MS, 1e-12);
    EXPECT_EQ(list[0].msg->length(), 32);
    EXPECT_EQ(static_cast<SendDataIn*>(list[0].msg)->getReqSize(), 0u);
    EXPECT_EQ(readFile("out/LunList10000.tmp"), "0\n1\n2");
    EXPECT_EQ(readFile("out/LunWwn20000.tmp"), "LUNA");
    EXPECT_EQ(readFile("out/LunWwn20001.tmp"), "LUNA");
    EXPECT_EQ(root->par("lunListFileId").longValue(), 10001);
    EXPECT_EQ(root->par("lunWwnFileId").longValue(), 20002);
    const auto inq = sent(1, "SEND_DATA_IN");
    ASSERT_EQ(inq.size(), 3u);
    EXPECT_EQ(inq[0].msg->length(), 12);
    EXPECT_EQ(inq[1].msg->length(), 12);
    EXPECT_EQ(inq[2].msg->length(), 8);
    EXPECT_EQ(list[1].msg->length(), 8);

    const auto comps0 = sent(0, "SEND_CMD_COMP");
    const auto comps1 = sent(1, "SEND_CMD_COMP");
    ASSERT_EQ(comps0.size(), 2u);
    ASSERT_EQ(comps1.size(), 3u);
    auto* rpt = static_cast<SendCmdComp*>(comps0[0].msg);
    EXPECT_TRUE(rpt->getHasLunListPtr());
    EXPECT_FALSE(rpt->getHasLunWwnPtr());
    EXPECT_TRUE(static_cast<SendCmdComp*>(comps1[0].msg)->getHasLunWwnPtr());
    auto* sense = static_cast<SendCmdComp*>(comps1[2].msg);
    EXPECT_EQ(sense->getLunBlkLen(), 8192u);
    EXPECT_EQ(sense->getLunBlkNum(), 96u);
    auto* sense0 = static_cast<SendCmdComp*>(comps0[1].msg);
    EXPECT_EQ(sense0->getLunBlkLen(), 0u);
    EXPECT_EQ(sense0->getLunBlkNum(), 0u);
    EXPECT_EQ(names, (std::vector<std::string>{"out/LunList10000.tmp", "out/LunWwn20000.tmp", "out/LunWwn20001.tmp",
                                               "-", "-"}));
    expectEveryTaskReleasedOnce();
    // Discovery is not counted as reads or writes.
    EXPECT_EQ(lpar(1, "rdIoReq"), 0);
    EXPECT_EQ(lpar(0, "rdIoReq"), 0);
}

TEST_F(LunTargetFlowTest, ALostPortOrPathClosesOnlyItsOwnIos)
{
    array("LUNP 2 4 4 4 000,001 -\n", 3);
    CtrlMemProcessorStandIn::blockDelay = 10 * US;
    command(1.0 * MS, 1, {51, SCSI_READ, 0, 4096, 0, 0, 1});
    command(1.1 * MS, 1, {52, SCSI_READ, 1, 4096, 0, 1, 1});
    command(1.2 * MS, 1, {53, SCSI_READ, 2, 4096, 1, 0, 2});
    command(1.3 * MS, 1, {54, SCSI_READ, 3, 4096, 1, 0, 3});
    command(1.4 * MS, 1, {55, SCSI_READ, 4, 4096, 0, 0, 1});
    auto event = [](const char* name, int kind, int chip, int fc4, int fcp) {
        return [=] {
            auto* e = new cMessage(name, kind, 0);
            e->addPar("chipId").setLongValue(chip);
            e->addPar("fc4Index").setLongValue(fc4);
            if (fcp >= 0)
                e->addPar("fcpIndex").setLongValue(fcp);
            return e;
        };
    };
    task(2 * MS, 1, event("DEV_DOWN", DEV_DOWN, 0, 0, -1));
    task(2.5 * MS, 2, event("DEV_DOWN", DEV_DOWN, 0, 0, -1));
    task(2.6 * MS, 0, event("DEV_DOWN", DEV_DOWN, 0, 0, -1));
    task(3 * MS, 1, event("REMOVE_IT_PATH", REMOVE_IT_PATH, 1, 0, 2));
    byIoId(4 * MS, 1, "REQ_CMD_COMP", REQ_CMD_COMP, 52);
    byIoId(4.1 * MS, 1, "REQ_CMD_COMP", REQ_CMD_COMP, 54);
    endRunAt(20 * MS);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);

    // Four open, the fifth waiting: it goes with its port and never starts.
    EXPECT_EQ(ioIds(sent(1, "REQ_BLK_READ")), (std::vector<unsigned long>{51, 52, 53, 54}));
    EXPECT_EQ(ioIds(sent(1, "SEND_CMD_COMP")), (std::vector<unsigned long>{52, 54}));
    EXPECT_TRUE(sent(1, "REQ_PROC_NEXT_LUNIO").empty());
    // An inactive LUN gives the processor back at once; LUN 0 after the cost.
    expectTimes(sent(2, "NEXT_MSG"), {2.5 * MS});
    expectTimes(sent(0, "NEXT_MSG"), {2.604 * MS});
    expectEveryTaskReleasedOnce();
    EXPECT_EQ(lpar(1, "rdIoReq"), 5);
    EXPECT_EQ(lpar(1, "rdIoSucc"), 2);
    EXPECT_EQ(lpar(1, "rdIoAbrt"), 3);
    EXPECT_EQ(lpar(1, "rdIoOpen"), 0);
    EXPECT_EQ(lpar(1, "rdIoWait"), 0);
    // The waiting command goes first, then the open one.
    const auto log = readLines("out/IoFail.txt");
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[2], col("0", 10) + col("2.0040", 15) + col("LUN_IO", 15) + col("-", 10) + col("-", 10) +
                          col("55", 10) + col("LUN_IO_ABORT   [Target Port (local port) DOWN]", 60) +
                          col("Velmora.Dev1.CtrlMemCch.LunCtrl[1]", 60));
    EXPECT_EQ(log[3], col("1", 10) + col("2.0040", 15) + col("LUN_IO", 15) + col("-", 10) + col("-", 10) +
                          col("51", 10) + col("LUN_IO_ABORT   [Target Port (local port) DOWN]", 60) +
                          col("Velmora.Dev1.CtrlMemCch.LunCtrl[1]", 60));
    EXPECT_EQ(log[4], col("2", 10) + col("3.0040", 15) + col("LUN_IO", 15) + col("-", 10) + col("-", 10) +
                          col("53", 10) + col("LUN_IO_ABORT   [Initiator Port (peer port) DOWN]", 60) +
                          col("Velmora.Dev1.CtrlMemCch.LunCtrl[1]", 60));
}

// With one slot, reads and writes wait behind an open read. The port loss
// takes the open read and a waiting write; the next waiting read starts in
// the freed slot; the path loss takes a waiting read. Every request ends
// succeeded, aborted and logged, open or waiting.
TEST_F(LunTargetFlowTest, WaitingCommandsOfALostPortOrPathAreAbortedAndLogged)
{
    array(LUNS, 3);
    CtrlMemProcessorStandIn::blockDelay = 10 * US;
    command(1.0 * MS, 2, {61, SCSI_READ, 0, 4096, 0, 0, 1});
    command(1.1 * MS, 2, {62, SCSI_WRITE, 1, 4096, 0, 0, 1});
    command(1.2 * MS, 2, {63, SCSI_READ, 2, 4096, 0, 1, 2});
    command(1.3 * MS, 2, {64, SCSI_WRITE, 3, 4096, 1, 0, 3});
    command(1.4 * MS, 2, {65, SCSI_READ, 4, 4096, 0, 1, 4});
    auto lost = [](const char* name, int kind, int fcp) {
        return [=] {
            auto* e = new cMessage(name, kind, 0);
            e->addPar("chipId").setLongValue(0);
            e->addPar("fc4Index").setLongValue(fcp < 0 ? 0 : 1);
            if (fcp >= 0)
                e->addPar("fcpIndex").setLongValue(fcp);
            return e;
        };
    };
    task(2 * MS, 2, lost("DEV_DOWN", DEV_DOWN, -1));
    task(3 * MS, 2, lost("REMOVE_IT_PATH", REMOVE_IT_PATH, 4));
    endRunAt(20 * MS);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);

    EXPECT_EQ(ioIds(sent(2, "REQ_BLK_READ")), (std::vector<unsigned long>{61, 63}));
    EXPECT_TRUE(sent(2, "RECV_DATA_OUT").empty());
    expectEveryTaskReleasedOnce();
    EXPECT_EQ(counts(2, "rd"), (std::vector<long>{3, 0, 2, 1, 0}));
    EXPECT_EQ(counts(2, "wr"), (std::vector<long>{2, 0, 1, 0, 1}));
    const char* portDown = "LUN_IO_ABORT   [Target Port (local port) DOWN]";
    const auto log = readLines("out/IoFail.txt");
    ASSERT_EQ(log.size(), 5u);
    EXPECT_EQ(log[2], failRow(0, "2.0040", "62", portDown, 2));
    EXPECT_EQ(log[3], failRow(1, "2.0040", "61", portDown, 2));
    EXPECT_EQ(log[4], failRow(2, "3.0040", "65", "LUN_IO_ABORT   [Initiator Port (peer port) DOWN]", 2));
}

TEST_F(LunTargetFlowTest, AnUnknownCommandEndsTheRun)
{
    array(LUNS, 3);
    command(1 * MS, 1, {61, 0x00});
    EXPECT_EQ(runError(), "scsi_cmd_recvd : LUN_CTRL[1] cannot handle SCSI Command: 0");
}

TEST_F(LunTargetFlowTest, AReadOfLun0IsRefused)
{
    array(LUNS, 3);
    command(1 * MS, 0, {62, SCSI_READ, 0, 4096});
    EXPECT_EQ(runError(), "---> scsi_cmd_recvd : LUN_CTRL[0] (LUN0) has no disks and cannot serve SCSI Command: "
                          "136. Reads and writes must address a LUN of section [6]");
}

TEST_F(LunTargetFlowTest, WriteDataOfAnotherLengthEndsTheRun)
{
    array(LUNS, 3);
    command(1 * MS, 1, {63, SCSI_WRITE, 0, 8192});
    dataOut(2 * MS, 1, 63, 4096);
    EXPECT_EQ(runError(), "---> scsi_write_frag : DataOutRecvd found inconsistent burstLen");
}

} // namespace
