#include "messages/MsgSubclass_m.h"
#include "tests/array/DataPathMessages.h"
#include "tests/array/StandInArrayTest.h"

namespace {

// Dev1's buses move 781250 KB/s; its cache switches hold each message 2 us.
constexpr double RATE = 781250;
constexpr double CSW_DELAY_S = 2e-6;
constexpr double ARBITRATION = 1e-7;

class CswFabricRunTest : public StandInArrayTest {
  protected:
    cModule* place(const char* type, const char* name)
    {
        cModule* m = findModuleType(type)->create(name, device);
        for (const char* p : {"chipNum", "acpNum", "cswNum", "busNum"})
            m->par(p).setLongValue(p == std::string("chipNum")  ? chipNum
                                   : p == std::string("acpNum") ? acpNum
                                   : p == std::string("cswNum") ? cswNum
                                                                : busNum);
        return m;
    }
    // The real fabric and control memory (with the stand-in processor) of
    // Dev1, joined by their cswNum x busNum buses; test ends "ChipLink[k]"
    // and "AcpLink[k]" on the fabric's board and processor gates.
    void build(std::map<int, std::vector<Outgoing>> chipLinks = {})
    {
        cModule* fab = place("CswFabric", "CswFab");
        const int buses = cswNum * busNum;
        for (const char* g : {"from_ctrlmem", "to_ctrlmem"})
            fab->setGateSize(g, buses);
        for (const char* g : {"from_chip", "to_chip"})
            fab->setGateSize(g, chipNum * cswNum);
        for (const char* g : {"from_acp", "to_acp"})
            fab->setGateSize(g, acpNum * cswNum);
        fab->buildInside();
        cModule* cm = place("ControlMemoryAndCache", "CtrlMemCch");
        for (const auto& [g, n] : std::vector<std::pair<const char*, int>>{{"from_chip", chipNum},
                                                                           {"to_chip", chipNum},
                                                                           {"from_acp", acpNum},
                                                                           {"to_acp", acpNum},
                                                                           {"from_csw", buses},
                                                                           {"to_csw", buses}})
            cm->setGateSize(g, n);
        cm->buildInside();
        for (int k = 0; k < buses; ++k) {
            cm->gate("to_csw", k)->connectTo(fab->gate("from_ctrlmem", k));
            fab->gate("to_ctrlmem", k)->connectTo(cm->gate("from_csw", k));
        }
        for (int k = 0; k < chipNum * cswNum; ++k)
            wire(fab, "to_chip", "from_chip", k, end("ChipLink", device, chipLinks[k], k, chipNum * cswNum));
        for (int k = 0; k < acpNum * cswNum; ++k)
            wire(fab, "to_acp", "from_acp", k, end("AcpLink", device, {}, k, acpNum * cswNum));
    }
    void allDoneAt(double t)
    {
        new LambdaModule("Ender", root, [this, t](LambdaModule& m) {
            m.wait(t);
            device->submodule("CtrlMemCch")->par("allDone").setBoolValue(true);
        });
    }
    const ArrayStandIn::Heard* heardAt(const std::string& module, const std::string& name) const
    {
        for (const ArrayStandIn::Heard& h : ArrayStandIn::heard)
            if (h.module == module && h.name == name)
                return &h;
        return nullptr;
    }

    int chipNum = 2, acpNum = 3, cswNum = 2, busNum = 3;
};

TEST_F(CswFabricRunTest, DataCrossesTheFabricToItsBoardControlMemoryOrProcessorAndTheBusesAreMetered)
{
    const std::string cpu = "Velmora.Dev1.CtrlMemCch.CtrlMemCpu";
    ArrayStandIn::scripts[cpu] = {
        {0, "to_bs", -1, [] { return data_in(4096, 1); }},
        {2e-3, "to_bs", -1, [] { return block(REQ_PHY_BLK_WRITE, 2048, 2); }},
    };
    // Board 0 offers write data to cache switch 1: fabric gate 1 * 2 + 0.
    build({{2, {{1e-3, [] { return data_out(8192); }}}}});
    allDoneAt(0.15);
    runAll();

    // Read data: a control-memory bus, cache switch 0, and back towards
    // board 1 marked as switched.
    auto toBoard = at("ChipLink[1]");
    ASSERT_EQ(toBoard.size(), 1u);
    EXPECT_EQ(toBoard[0]->name, "SEND_DATA_IN");
    EXPECT_DOUBLE_EQ(toBoard[0]->time, ARBITRATION + CSW_DELAY_S);
    EXPECT_TRUE(static_cast<SendDataIn*>(toBoard[0]->msg)->getFromCsw());
    // Write data: cache switch 1, its bus selector, a bus to the control
    // memory, whose selector lets the transfer time pass before handing it on.
    const ArrayStandIn::Heard* written = heardAt(cpu, "DATA_OUT_RECVD");
    ASSERT_NE(written, nullptr);
    EXPECT_EQ(written->gate, "from_bs");
    EXPECT_DOUBLE_EQ(written->time, 1e-3 + CSW_DELAY_S + ARBITRATION + 8.0 / RATE);
    EXPECT_TRUE(static_cast<DataOutRecvd*>(written->msg)->getFromCsw());
    // A physical block write goes to the array control processor of its disk.
    auto toAcp = at("AcpLink[2]");
    ASSERT_EQ(toAcp.size(), 1u);
    EXPECT_EQ(toAcp[0]->name, "REQ_PHY_BLK_WRITE");
    EXPECT_DOUBLE_EQ(toAcp[0]->time, 2e-3 + ARBITRATION + CSW_DELAY_S);
    EXPECT_EQ(arrivals.size(), 2u);

    // Rows at 0, 100 and 200 ms: the flag set at 150 ms stops the timer
    // after the row that follows it. 51200 bytes in 100 ms are 500 KB/s.
    const std::string rule(8 * 15 + 15, '-');
    const std::string thru = "Thruput (KBps)";
    auto row = [](double ms, std::vector<double> rates) {
        std::string r = num(ms, 4, 15);
        for (double v : rates)
            r += num(v, 3, 15);
        return r;
    };
    const std::vector<std::string> csw0 = readLines("out/bus/Velmora.Dev1.CswFab.Csw[0].BusUtil");
    const std::vector<std::string> expected0 = {
        col(" ", 15) + col(thru, 30) + col(thru, 45) + col(thru, 45),
        col("SimTime(ms)", 15) + col("ChipBus[0]", 15) + col("ChipBus[1]", 15) + col("CchBus[0]", 15) +
            col("CchBus[1]", 15) + col("CchBus[2]", 15) + col("AcpBus[0]", 15) + col("AcpBus[1]", 15) +
            col("AcpBus[2]", 15),
        rule,
        row(0, {0, 0, 0, 0, 0, 0, 0, 0}),
        row(100, {0, 40, 60, 0, 0, 0, 0, 20}),
        row(200, {0, 0, 0, 0, 0, 0, 0, 0}),
    };
    EXPECT_EQ(csw0, expected0);
    const std::vector<std::string> csw1 = readLines("out/bus/Velmora.Dev1.CswFab.Csw[1].BusUtil");
    ASSERT_EQ(csw1.size(), 6u);
    EXPECT_EQ(csw1[1], col("SimTime(ms)", 15) + col("ChipBus[2]", 15) + col("ChipBus[3]", 15) + col("CchBus[3]", 15) +
                           col("CchBus[4]", 15) + col("CchBus[5]", 15) + col("AcpBus[3]", 15) + col("AcpBus[4]", 15) +
                           col("AcpBus[5]", 15));
    EXPECT_EQ(csw1[4], row(100, {80, 0, 80, 0, 0, 0, 0, 0}));
    EXPECT_NE(console.str().find("Velmora.Dev1.CswFab.Csw[1] --> DATA_OUT_RECVD\n"), std::string::npos);
}

TEST_F(CswFabricRunTest, TwoMessagesTogetherLeaveTheSwitchOneDelayApartInArrivalOrder)
{
    chipNum = 1;
    acpNum = 1;
    cswNum = 1;
    busNum = 1;
    // Offered on the processor's bus without arbitration, as a cache switch
    // would; the bus passes them back to back.
    build();
    allDoneAt(0);
    auto* acpEnd = static_cast<LambdaModule*>(device->submodule("AcpLink", 0));
    acpEnd->setBody([](LambdaModule& self) {
        auto* first = data_in(1024, 0);
        auto* second = data_in(1024, 0);
        first->setName("FIRST");
        second->setName("SECOND");
        self.send(first, "out");
        self.send(second, "out");
    });
    runAll();
    // The acp-side bus moves each in 1.28e-6 s; the switch holds each 2 us.
    auto toBoard = at("ChipLink[0]");
    ASSERT_EQ(toBoard.size(), 2u);
    EXPECT_EQ(toBoard[0]->name, "FIRST");
    EXPECT_EQ(toBoard[1]->name, "SECOND");
    EXPECT_DOUBLE_EQ(toBoard[0]->time, CSW_DELAY_S);
    EXPECT_DOUBLE_EQ(toBoard[1]->time, 2 * CSW_DELAY_S);
}

TEST_F(CswFabricRunTest, ANonPositiveStatisticsPeriodStopsTheRun)
{
    chipNum = acpNum = cswNum = busNum = 1;
    build();
    root->par("busUtilTimeScale").setDoubleValue(0);
    EXPECT_EQ(runError(), "---> Invalid \"busUtilTimeScale\". Must > 0ms. Please check the file \"omnetpp.ini\"");
}

} // namespace
