#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "messages/MsgSubclass_m.h"
#include "tests/disk/DiskFixture.h"
#include "tests/shared/ArrayStandIns.h"

// The array control processor board Acp[0] of Dev1, built from its real
// compound with its two array groups of TINY6K disks (group 0: two disks,
// group 1: one, both on 2 Gbit/s loops), between the real cache-switch
// fabric and the real control memory, whose processor is the stand-in.
//
// Times: a sector takes 1 ms under the head, which starts on sector 0 of
// cylinder 0, head 0; the loop port spends 1.5 us cutting a block; one loop
// hop takes 1 us; a 512-byte sector crosses the loop with 52 bytes of
// framing at 212.5e6 bytes/s; a completion reaches the loop 0.5 us after the
// media. The board's peripheral bus moves 8e8 bytes/s (64 bits at 100 MHz),
// the cache-switch buses 781250 KB/s; a bus answers an arbitration in
// 0.1 us; a cache switch holds a message 2 us.
namespace {

constexpr double SECTOR_ON_LOOP = 564 / 212.5e6;
constexpr double HOP = 1e-6;
constexpr double TO_LOOP = 5e-7;
constexpr double SEGMENT = 1.5e-6;
constexpr double APC_BLOCK = 512 / 8e8;
constexpr double CSW_BUS_BLOCK = 0.5 / 781250;
constexpr double ARBITRATION = 1e-7;
constexpr double CSW_DELAY = 2e-6;

const char CPU[] = "Velmora.Dev1.CtrlMemCch.CtrlMemCpu";

LunBlkIo* block(int kind, int grp, int disk, unsigned long dskBlk, double sTime, long cchTbl = 0)
{
    const bool read = kind == REQ_PHY_BLK_READ;
    auto* io = new LunBlkIo(read ? "REQ_PHY_BLK_READ" : "REQ_PHY_BLK_WRITE", kind);
    io->setLunBlkLoc(LunBlkLoc{0, grp, disk, static_cast<uint32_t>(dskBlk), 0});
    io->setLunId(1);
    io->setLunBlk(dskBlk + 10);
    io->setBlkSize(512);
    io->setIoType(read ? 136 : 128);
    io->setIoId(99);
    io->setReqIndex(read);
    io->setPbIndex(read ? 4 : -1);
    io->setLength(read ? 0 : 512);
    io->addPar("sTime").setDoubleValue(sTime);
    if (!read)
        io->addPar("thisCchTbl").setLongValue(cchTbl);
    return io;
}

class ArrayControlProcessorTest : public DiskTest {
  protected:
    void TearDown() override
    {
        simulation.deleteNetwork();
        ArrayStandIn::clear();
        DiskTest::TearDown();
    }
    static cModule* place(const char* type, const char* name, cModule* parent)
    {
        cModule* m = findModuleType(type)->create(name, parent);
        for (const char* p : {"chipNum", "acpNum", "cswNum", "busNum"})
            m->par(p).setLongValue(1);
        return m;
    }
    // Dev1 with one of each: host-interface board (absent: nothing is sent
    // to it), cache switch, bus and array control processor.
    cModule* build()
    {
        newNetwork(false);
        cModule* fab = place("CswFabric", "CswFab", device);
        for (const char* g : {"from_ctrlmem", "to_ctrlmem", "from_chip", "to_chip", "from_acp", "to_acp"})
            fab->setGateSize(g, 1);
        fab->buildInside();
        cache = place("ControlMemoryAndCache", "CtrlMemCch", device);
        for (const char* g : {"from_chip", "to_chip", "from_acp", "to_acp", "from_csw", "to_csw"})
            cache->setGateSize(g, 1);
        cache->buildInside();
        cModule* acp = findModuleType("ArrayControlProcessor")->create("Acp", device);
        acp->setIndex(0, 1);
        acp->par("cswNum").setLongValue(1);
        acp->par("arrGrpNum").setLongValue(2);
        acp->setGateSize("from_csw", 1);
        acp->setGateSize("to_csw", 1);
        acp->buildInside();
        cache->gate("to_csw", 0)->connectTo(fab->gate("from_ctrlmem", 0));
        fab->gate("to_ctrlmem", 0)->connectTo(cache->gate("from_csw", 0));
        cache->gate("to_acp", 0)->connectTo(acp->gate("from_ctrlmem"));
        acp->gate("to_ctrlmem")->connectTo(cache->gate("from_acp", 0));
        fab->gate("to_acp", 0)->connectTo(acp->gate("from_csw", 0));
        acp->gate("to_csw", 0)->connectTo(fab->gate("from_acp", 0));
        return acp;
    }
    static std::vector<const ArrayStandIn::Heard*> heardBy(const std::string& module)
    {
        std::vector<const ArrayStandIn::Heard*> found;
        for (const ArrayStandIn::Heard& h : ArrayStandIn::heard)
            if (h.module == module)
                found.push_back(&h);
        return found;
    }

    ModuleTypeSubstitution ctrlMem{"CtrlMemProcessor", "CtrlMemProcessorStandIn"};
};

TEST_F(ArrayControlProcessorTest, ABlockReadAndAWriteReachTheDisksAndComeBackByTheirPaths)
{
    ArrayStandIn::scripts[CPU] = {
        // A read miss goes on the control path to group 1, whose one disk
        // holds block 5: sector 5 of the first track.
        {0, "to_acp", 0, [] { return block(REQ_PHY_BLK_READ, 1, 0, 5, 0); }},
        // A destaged block goes on the data path to disk 1 of group 0.
        {0.02, "to_bs", -1, [] { return block(REQ_PHY_BLK_WRITE, 0, 1, 5, 0.02, 4242); }},
    };
    cModule* acp = build();
    endRunAt(0.05);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);

    // The board gave its bus the settings of its row of section "[4]".
    EXPECT_EQ(acp->submodule("Apc")->par("busWidth").longValue(), 64);
    EXPECT_EQ(acp->submodule("Apc")->par("busClock").longValue(), 100);
    EXPECT_EQ(std::string(acp->par("cpuModel").stringValue()), "ACP");
    EXPECT_EQ(acp->submodule("ArrGrp", 0)->submodule("Disk", 1)->index(), 1);
    EXPECT_EQ(acp->submodule("ArrGrp", 1)->submodule("Disk", 1), nullptr);

    const auto heard = heardBy(CPU);
    ASSERT_EQ(heard.size(), 2u);
    // The sector is 5 sectors round from the head: 5 ms of latency and 1 ms
    // under the head. Before: the cut; the request crosses no disk. After:
    // the loop (no disk passed), the board's bus, arbitration for the
    // fabric bus, the switch, arbitration for the control-memory bus and
    // the transfer on it.
    const double mechanical = 6e-3;
    EXPECT_EQ(heard[0]->name, "BLK_READ_DATA");
    EXPECT_EQ(heard[0]->gate, "from_bs");
    EXPECT_NEAR(heard[0]->time,
                SEGMENT + mechanical + TO_LOOP + SECTOR_ON_LOOP + APC_BLOCK + ARBITRATION + CSW_DELAY + ARBITRATION +
                    CSW_BUS_BLOCK,
                1e-12);
    auto* data = static_cast<LunBlkIo*>(heard[0]->msg);
    EXPECT_EQ(data->length(), 512);
    EXPECT_TRUE(data->getFromCsw());
    EXPECT_EQ(data->getPbIndex(), 4);
    EXPECT_EQ(data->getLunBlkLoc().grpId, 1);
    EXPECT_DOUBLE_EQ(data->par("sTime").doubleValue(), 0);

    // The write: arbitration for the control-memory bus, the switch, the
    // transfer to the board, its bus; then the cut and one hop with the
    // data to disk 1, the same 6 ms, and an empty completion straight back
    // on the control path.
    const double atPort = 0.02 + ARBITRATION + CSW_DELAY + CSW_BUS_BLOCK + APC_BLOCK;
    EXPECT_EQ(heard[1]->name, "PHY_BLK_WRITE_COMP");
    EXPECT_EQ(heard[1]->gate, "from_acp[0]");
    EXPECT_NEAR(heard[1]->time, atPort + SEGMENT + HOP + SECTOR_ON_LOOP + mechanical + TO_LOOP, 1e-12);
    EXPECT_EQ(heard[1]->msg->par("thisCchTbl").longValue(), 4242);
    EXPECT_EQ(static_cast<LunBlkIo*>(heard[1]->msg)->getLunBlkLoc().dskId, 1);

    // Both blocks crossed the board's bus: 1024 bytes in the first 100 ms.
    const auto bus = readLines("out/bus/Velmora.Dev1.Acp[0].Apc.BusUtil");
    ASSERT_EQ(bus.size(), 4u);
    EXPECT_EQ(bus[2], num(0, 4, 15) + num(0, 3, 15));
    EXPECT_EQ(bus[3], num(100, 4, 15) + num(10, 3, 15));
    EXPECT_NE(console.str().find("Velmora.Dev1.Acp[0].AcpCpu --> REQ_PHY_BLK_WRITE\n"), std::string::npos);
    EXPECT_NE(console.str().find("Velmora.Dev1.Acp[0].ArrGrpDrv[1] --> BLK_READ_DATA\n"), std::string::npos);
    EXPECT_NE(readFile("out/finish/DiskStat.Finish").find("Velmora.Dev1.Acp[0].ArrGrp[1]\n"), std::string::npos);
}

TEST_F(ArrayControlProcessorTest, ABoardWithoutArrayGroupsIsNotBuilt)
{
    newNetwork(false);
    cModule* acp = findModuleType("ArrayControlProcessor")->create("Acp", device);
    acp->par("cswNum").setLongValue(1);
    acp->par("arrGrpNum").setLongValue(0);
    EXPECT_EQ(errorOf([acp] { acp->buildInside(); }),
              "Negative or zero module vector size ArrGrpDrv[0] in compound module ArrayControlProcessor");
}

// The router alone, between test ends, on a board with a bare bus Apc.
class AcpProcessorTest : public DiskTest {
  protected:
    struct Heard {
        std::string at;
        std::string name;
        double time;
    };
    using Sends = std::vector<std::pair<double, std::function<cMessage*()>>>;
    void TearDown() override
    {
        heard.clear();
        DiskTest::TearDown();
    }
    // The end `name`[index] joined to the router's `to`/`from` gates.
    void end(cModule* cpu, const char* name, int index, const char* to, const char* from, Sends out = {})
    {
        auto* e = new LambdaModule(name, cpu->parentModule(), [this, out](LambdaModule& self) {
            for (const auto& [time, make] : out) {
                self.wait(time - self.simTime());
                self.send(make(), "out");
            }
            for (;;) {
                cMessage* msg = self.receive();
                heard.push_back({self.fullName(), msg->name(), msg->arrivalTime()});
                delete msg;
            }
        });
        if (index >= 0)
            e->setIndex(index, 2);
        e->addGate("in", 'I');
        e->addGate("out", 'O');
        cpu->gate(to, index)->connectTo(e->gate("in"));
        e->gate("out")->connectTo(cpu->gate(from, index));
    }
    // Board Acp[0] with its router, its bare bus and ends that send what
    // they are given.
    cModule* router(Sends mc, Sends bs = {}, Sends drv0 = {}, Sends drv1 = {})
    {
        cModule* board = compound("Acp", device, 0, 1);
        compound("Apc", board);
        cModule* cpu = findModuleType("AcpProcessor")->create("AcpCpu", board);
        cpu->setGateSize("from_driver", 2);
        cpu->setGateSize("to_driver", 2);
        end(cpu, "Mc", -1, "to_mc", "from_mc", mc);
        end(cpu, "Bs", -1, "to_bs", "from_bs", bs);
        end(cpu, "Drv", 0, "to_driver", "from_driver", drv0);
        end(cpu, "Drv", 1, "to_driver", "from_driver", drv1);
        return board;
    }
    static std::function<cMessage*()> make(int kind, int grp)
    {
        return [kind, grp]() -> cMessage* {
            if (kind == REQ_PHY_BLK_READ || kind == REQ_PHY_BLK_WRITE)
                return block(kind, grp, 0, 1, 0, 1);
            auto* io = new LunBlkIo(kind == BLK_READ_DATA ? "BLK_READ_DATA" : "PHY_BLK_WRITE_COMP", kind);
            io->setLunBlkLoc(LunBlkLoc{0, grp, 0, 1, 0});
            return io;
        };
    }

    std::vector<Heard> heard;
};

TEST_F(AcpProcessorTest, RequestsGoToTheirGroupsDriverAndCompletionsBackByTheirPath)
{
    cModule* board = router({{0.001, make(REQ_PHY_BLK_READ, 1)}}, {{0.002, make(REQ_PHY_BLK_WRITE, 0)}},
                            {{0.003, make(PHY_BLK_WRITE_COMP, 0)}}, {{0.004, make(BLK_READ_DATA, 1)}});
    runAll();
    // An end that is still sending takes its arrivals afterwards.
    std::stable_sort(heard.begin(), heard.end(), [](const Heard& a, const Heard& b) { return a.time < b.time; });
    ASSERT_EQ(heard.size(), 4u);
    const std::vector<std::pair<std::string, std::string>> expected = {{"Drv[1]", "REQ_PHY_BLK_READ"},
                                                                       {"Drv[0]", "REQ_PHY_BLK_WRITE"},
                                                                       {"Mc", "PHY_BLK_WRITE_COMP"},
                                                                       {"Bs", "BLK_READ_DATA"}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(heard[i].at, expected[i].first) << i;
        EXPECT_EQ(heard[i].name, expected[i].second) << i;
        EXPECT_DOUBLE_EQ(heard[i].time, 0.001 * (i + 1)) << "routing takes no time";
    }
    // Board 1's row comes second in the file and is not this board's.
    EXPECT_DOUBLE_EQ(board->submodule("Apc")->par("busWidth").doubleValue(), 64);
    EXPECT_DOUBLE_EQ(board->submodule("Apc")->par("busClock").doubleValue(), 100);
    EXPECT_NE(console.str().find("Velmora.Dev1.Acp[0].AcpCpu --> REQ_PHY_BLK_READ\n"), std::string::npos);
}

TEST_F(AcpProcessorTest, ARequestOnTheWrongPathOrOfAnotherKindStopsTheRun)
{
    router({}, {{0, make(REQ_PHY_BLK_READ, 0)}});
    EXPECT_EQ(runError(), "---> REQ_PHY_BLK_READ came from wrong place");
    newNetwork();
    router({{0, make(REQ_PHY_BLK_WRITE, 0)}});
    EXPECT_EQ(runError(), "---> REQ_PHY_BLK_WRITE came from wrong place");
    newNetwork();
    router({{0, [] { return new cMessage("CCH_UPD", CCH_UPD, 0); }}});
    EXPECT_EQ(runError(), "---> No idea know how to handle message: CCH_UPD");
    newNetwork();
    // Group 2 of a board with two: there is no gate to leave by.
    router({{0, make(REQ_PHY_BLK_READ, 2)}});
    EXPECT_EQ(runError(), "send(): no gate to_driver[2]");
}

// A board or an array group uses its first row; a later row for it, and a
// row for a board the array does not have, are never used and are warned
// of, naming their line.
TEST_F(AcpProcessorTest, RowsNoBoardOrGroupUsesAreWarnedOfNamingTheirLine)
{
    const auto tail = [](const char* section) {
        return std::string(". Please check section ") + section + " of the file \"array.conf\"";
    };
    const std::string boardRow = "0 64 100 ACP\n", groupRow = "0 0 2 TINY6K 1 N\n";
    const struct {
        std::string boards, groups;
        std::string warning; // "" for none
    } cases[] = {
        {boardRow + "0 32 66 ACP\n", groupRow,
         "---> Line 4, field 1 \"0\" repeats the board of line 3; this row is ignored" + tail("[4]")},
        {boardRow + "1 64 100 ACP\n", groupRow,
         "---> Line 4, field 1 \"1\" names the board Acp[1], which the array does not have: it has only Acp[0]; "
         "this row is ignored" +
             tail("[4]")},
        {boardRow, groupRow + "0 0 1 TINY6K 4 Y\n",
         "---> Line 7, field 1 \"0\" repeats the array group of line 6; this row is ignored" + tail("[5]")},
        {boardRow, "0 1 1 TINY6K 4 Y\n" + groupRow, ""},
    };
    for (const auto& c : cases) {
        newNetwork();
        writeFile("array.conf", "[4]\nAcpIdx ApcBusWidth ApcBusClock cpuModel\n" + c.boards +
                                    "[5]\nACP_ID ARRGRP_ID portSpeed diskModel diskCount SecResp\n" + c.groups +
                                    "[6]\nLUN table\n");
        cModule* acp = router({});
        group(0, 0, 1, 1, 1);
        endRunAt(0.01);
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(runError(), "") << c.boards << c.groups;
        const std::string err = ::testing::internal::GetCapturedStderr();
        const std::string reader =
            c.boards == boardRow ? "Velmora.Dev1.Acp[0].ArrGrp[0].Disk[0]" : "Velmora.Dev1.Acp[0].AcpCpu";
        EXPECT_EQ(err, c.warning.empty() ? "" : "<!> Warning in module " + reader + ": " + c.warning + "\n")
            << c.boards << c.groups;
        // The board's first row is the one used: a 64-bit bus.
        EXPECT_EQ(acp->submodule("Apc")->par("busWidth").doubleValue(), 64);
    }
}

TEST_F(AcpProcessorTest, TheBoardsRowOfTheArrayFileIsChecked)
{
    auto errorWith = [this](const std::string& rows) {
        newNetwork();
        writeFile("array.conf", "[4]\nAcpIdx ApcBusWidth ApcBusClock cpuModel\n" + rows + "[5]\n");
        router({});
        return runError();
    };
    const std::string tail = ". Please check section [4] of the file \"array.conf\"";
    EXPECT_EQ(errorWith("0 64 100\n"), "---> Acp[0] General Configuration : missing parameter(s)" + tail);
    EXPECT_EQ(errorWith("1 64 100 ACP x\n0 64 100 ACP\n"),
              "---> Acp[1] General Configuration : at most 4 parameters can be setup" + tail);
    EXPECT_EQ(errorWith("1 64 100\n0 64 100 ACP\n"), "") << "a short row of another board is passed over";
    EXPECT_EQ(errorWith("0 0.5 100 ACP\n"),
              "---> Acp[0] General Configuration : invalid ApcBusWidth. Must >= 1-bit. Normally should choose 16, "
              "32, or 64-bit" +
                  tail);
    EXPECT_EQ(errorWith("0 64 0 ACP\n"),
              "---> Acp[0] General Configuration : invalid ApcBusClock. Must >= 1-MHz. Normally should choose 33, "
              "66, 100 or 133-MHz" +
                  tail);
    EXPECT_EQ(errorWith("1 64 100 ACP\n"), "---> Missing settings for Velmora.Dev1.Acp[0]" + tail);
    newNetwork();
    writeFile("array.conf", "");
    std::remove("array.conf");
    router({});
    EXPECT_EQ(runError(),
              "---> Couldn't open file \"array.conf\", the value of Velmora.Dev1.confFile: No such file or directory");
}

} // namespace
