#include <map>

#include "tests/array/DataPathMessages.h"
#include "tests/shared/ArrayFixture.h"

namespace {

// 64-bit buses at 100 MHz move 781250 KB/s.
constexpr double RATE = 781250;

class BusSelectorTest : public ArrayTest {
  protected:
    // A bus selector `BS` in a module named `parentName` of Dev1, with a
    // processor end `Cpu` and `buses` stand-in buses `Bus[i]`. A stand-in
    // bus answers each REQ_ARBI after `answerDelay[i]` with the next of
    // `answers[i]` as its pending KB.
    cModule* build(const char* parentName, int buses, std::vector<Outgoing> fromCpu,
                   std::map<int, std::vector<Outgoing>> fromBus = {})
    {
        cModule* parent = new cCompoundModule(parentName, device);
        cModule* bs = findModuleType("BusSelector")->create("BS", parent);
        bs->par("cswNum").setLongValue(parentName == std::string("CswFab") ? 1 : buses);
        bs->par("busNum").setLongValue(parentName == std::string("CswFab") ? buses : 0);
        bs->setGateSize("from_bus", buses);
        bs->setGateSize("to_bus", buses);
        wire(bs, "to_cpu", "from_cpu", -1, end("Cpu", parent, std::move(fromCpu)));
        for (int i = 0; i < buses; ++i)
            wire(bs, "to_bus", "from_bus", i, end("Bus", parent, fromBus[i], i, buses));
        onArrival = [this](LambdaModule& bus, cMessage* msg) {
            if (msg->kind() != REQ_ARBI)
                return;
            EXPECT_TRUE(msg->hasPar("fromCsw"));
            std::vector<double>& left = answers[bus.index()];
            ASSERT_FALSE(left.empty()) << "an arbitration request too many on bus " << bus.index();
            auto* ack = new cMessage("ACK_ARBI", ACK_ARBI, 0);
            ack->addPar("realDataPendKB").setDoubleValue(left.front());
            left.erase(left.begin());
            bus.sendDelayed(ack, answerDelay[bus.index()], "out");
        };
        return bs;
    }
    std::vector<std::string> seenBy(const std::string& where) const
    {
        std::vector<std::string> out;
        for (const Arrival* a : at(where)) {
            char buf[80];
            std::snprintf(buf, sizeof buf, "%s@%.1f", a->name.c_str(), a->time * 1e7);
            out.push_back(buf);
        }
        return out;
    }

    std::map<int, std::vector<double>> answers;
    std::map<int, double> answerDelay;
};

TEST_F(BusSelectorTest, OneMessagePerCycleToTheLeastLoadedBusTheFirstAnswerWinningATie)
{
    answerDelay = {{0, 2e-7}, {1, 1e-7}};
    // Cycle 1: both buses idle, bus 1 answers first. Cycle 2: bus 1 busy.
    answers = {{0, {0.0, 0.0}}, {1, {0.0, 5.0}}};
    build("Chip", 2, {{0, [] { return data_in(1000); }}, {0, [] { return data_in(2000); }}});
    runAll();
    // Times in units of 1e-7 s: answers after 1 and 2, a release 1 after
    // each placement, and the next cycle's requests with the release.
    EXPECT_EQ(seenBy("Bus[1]"), (std::vector<std::string>{"REQ_ARBI@0.0", "SEND_DATA_IN@2.0", "FREE_ARBI@3.0",
                                                          "REQ_ARBI@3.0", "FREE_ARBI@6.0"}));
    EXPECT_EQ(seenBy("Bus[0]"), (std::vector<std::string>{"REQ_ARBI@0.0", "FREE_ARBI@3.0", "REQ_ARBI@3.0",
                                                          "SEND_DATA_IN@5.0", "FREE_ARBI@6.0"}));
    // In arrival order, each stamped with its placement time.
    auto b1 = at("Bus[1]");
    auto b0 = at("Bus[0]");
    EXPECT_EQ(b1[1]->msg->length(), 1000);
    EXPECT_DOUBLE_EQ(b1[1]->msg->par("xferStime").doubleValue(), 2e-7);
    EXPECT_EQ(b0[3]->msg->length(), 2000);
    EXPECT_DOUBLE_EQ(b0[3]->msg->par("xferStime").doubleValue(), 5e-7);
    EXPECT_NE(console.str().find("Velmora.Dev1.Chip.BS --> ACK_ARBI\n"), std::string::npos);
}

TEST_F(BusSelectorTest, NoAnswerBelowTheCeilingLeavesTheMessageOnBusZero)
{
    answerDelay = {{0, 1e-7}, {1, 1e-7}, {2, 1e-7}};
    answers = {{0, {3e15}}, {1, {3e15}}, {2, {3e15}}};
    build("Chip", 3, {{0, [] { return data_in(64); }}});
    runAll();
    ASSERT_EQ(at("Bus[0]").size(), 3u);
    EXPECT_EQ(at("Bus[0]")[1]->name, "SEND_DATA_IN");
}

TEST_F(BusSelectorTest, DataFromABusReachesTheProcessorAfterItsTransferTimeOutsideTheFabric)
{
    build("Chip", 1, {}, {{0, {{1e-6, [] { return data_in(4096, 0, true); }}}}});
    runAll();
    ASSERT_EQ(at("Cpu").size(), 1u);
    EXPECT_DOUBLE_EQ(at("Cpu")[0]->time, 1e-6 + 4.0 / RATE);
    EXPECT_DOUBLE_EQ(4.0 / RATE, 5.12e-6);
}

TEST_F(BusSelectorTest, InsideTheFabricDataFromABusGoesOnInTheSameInstant)
{
    // In the fabric the selector serves `busNum` buses of its own switch.
    answerDelay = {{0, 1e-7}, {1, 1e-7}};
    answers = {{0, {1.0}}, {1, {0.5}}};
    build("CswFab", 2, {{0, [] { return block(BLK_READ_DATA, 512); }}},
          {{1, {{1e-6, [] { return data_in(4096, 0, true); }}}}});
    runAll();
    ASSERT_EQ(at("Cpu").size(), 1u);
    EXPECT_DOUBLE_EQ(at("Cpu")[0]->time, 1e-6);
    ASSERT_EQ(at("Bus[1]").size(), 3u);
    EXPECT_EQ(at("Bus[1]")[1]->name, "BLK_READ_DATA");
}

TEST_F(BusSelectorTest, AnAnswerOutsideACycleStopsTheRun)
{
    build("Chip", 1, {}, {{0, {{0, [] {
                                    auto* ack = new cMessage("ACK_ARBI", ACK_ARBI, 0);
                                    ack->addPar("realDataPendKB").setDoubleValue(0);
                                    return ack;
                                }}}}});
    EXPECT_EQ(runError(), "---> Bus Selector ACK_ARBI inProc fault");
}

} // namespace
