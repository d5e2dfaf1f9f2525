#include "tests/shared/HostFixture.h"

namespace {

// A message as its receiver saw it.
struct Arrival {
    std::string at;
    std::string name;
    double time;
};

// A message for a test end to send: when, its name and its length.
struct Outgoing {
    double time;
    const char* name;
    long length;
};

class BusTest : public HostTest {
  protected:
    // A bus inside `parent` with the width (bits) and clock (MHz) its
    // device's processor would give it, and room for two drivers and two
    // adapters.
    cModule* buildBus(cModule* parent, const char* name, long width = 32, long clock = 100)
    {
        cModule* bus = findModuleType("PeripheralController")->create(name, parent);
        bus->addPar("busWidth").setDoubleValue(static_cast<double>(width));
        bus->addPar("busClock").setDoubleValue(static_cast<double>(clock));
        for (const char* g : {"from_driver", "to_driver", "from_adapter", "to_adapter"})
            bus->setGateSize(g, 2);
        return bus;
    }
    // A driver ("Drv") or adapter ("Adp") of `bus` at `index` that sends
    // `out` and records what arrives.
    void end(cModule* bus, bool driver, int index, std::vector<Outgoing> out = {})
    {
        LambdaModule* m = addLayer(
            driver ? "Drv" : "Adp", bus->parentModule(),
            [this, out](LambdaModule& self) {
                for (const Outgoing& o : out) {
                    self.wait(o.time - self.simTime());
                    auto* msg = new cMessage(o.name, FC_SEQ_PAYLOAD, o.length);
                    msg->addPar("tag").setStringValue(o.name);
                    self.send(msg, "out");
                }
                for (;;) {
                    cMessage* msg = self.receive();
                    EXPECT_STREQ(msg->par("tag").stringValue(), msg->name());
                    EXPECT_EQ(msg->kind(), FC_SEQ_PAYLOAD);
                    arrivals.push_back({self.fullName(), msg->name(), self.simTime()});
                    delete msg;
                }
            },
            index);
        wire(bus, driver ? "to_driver" : "to_adapter", driver ? "from_driver" : "from_adapter", index, m);
    }

    std::vector<Arrival> arrivals;
};

TEST_F(BusTest, ATransferTakesTheLengthOverTheBusWidthTimesItsClock)
{
    cModule* bus = buildBus(new cCompoundModule("Host1", root), "Hpc", 64, 66);
    end(bus, true, 0, {{0, "FRAME", 2048}});
    end(bus, false, 0);
    endRunAt(0.001);
    runAll();
    ASSERT_EQ(arrivals.size(), 1u);
    EXPECT_EQ(arrivals[0].at, "Adp[0]");
    EXPECT_DOUBLE_EQ(arrivals[0].time, 2048 / (8 * 66e6));
    EXPECT_NE(console.str().find("Velmora.Host1.Hpc --> FRAME\n"), std::string::npos);
}

TEST_F(BusTest, BothDirectionsShareTheBusOneTransferAtATimeInArrivalOrder)
{
    cModule* bus = buildBus(new cCompoundModule("Host1", root), "Hpc");
    const double bytesPerSecond = 4 * 100e6;
    // Heard at time 0 in creation order; D comes while A is on the bus.
    end(bus, true, 1, {{0, "A", 1000}});
    end(bus, false, 0, {{0, "B", 500}});
    end(bus, true, 0, {{0, "C", 0}});
    end(bus, false, 1, {{1e-6, "D", 100}});
    endRunAt(0.001);
    runAll();

    const double a = 1000 / bytesPerSecond, b = a + 500 / bytesPerSecond;
    // A message of length 0 crosses in no time, but only once the bus is free.
    const Arrival expected[] = {
        {"Adp[1]", "A", a}, {"Drv[0]", "B", b}, {"Adp[0]", "C", b}, {"Drv[1]", "D", b + 100 / bytesPerSecond}};
    ASSERT_EQ(arrivals.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(arrivals[i].at, expected[i].at) << i;
        EXPECT_EQ(arrivals[i].name, expected[i].name) << i;
        EXPECT_NEAR(arrivals[i].time, expected[i].time, 1e-15) << i;
    }
}

TEST_F(BusTest, TheBusUtilFileShowsEachPeriodsThroughputFromARowAtTimeZero)
{
    cModule* bus = buildBus(new cCompoundModule("Host1", root), "Hpc");
    end(bus, true, 0, {{0.001, "P1", 10240}, {0.012, "P2", 4096}});
    end(bus, false, 0, {{0.013, "P3", 1024}});
    endRunAt(0.025);
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);
    EXPECT_EQ(arrivals.size(), 3u);
    auto row = [&](double ms, double kbps) { return num(ms, 4, 15) + num(kbps, 3, 15); };
    const std::vector<std::string> expected = {col("SimTime(ms)", 15) + col("Thruput(KBps)", 15),
                                               std::string(30, '-'),
                                               row(0, 0),
                                               row(10, 10 / 0.01),
                                               row(20, 5 / 0.01),
                                               row(30, 0)};
    EXPECT_EQ(readLines("out/bus/Velmora.Host1.Hpc.BusUtil"), expected);
    EXPECT_EQ(bus->par("totalDataDelta").longValue(), 0);
}

TEST_F(BusTest, UnderAnArrayControlProcessorRowsGoOnAfterSimDoneUntilTheCacheIsAllDone)
{
    auto* dev = new cCompoundModule("Dev1", root);
    auto* acp = new cCompoundModule("Acp", dev);
    acp->setIndex(0, 1);
    auto* cache = new cCompoundModule("CtrlMemCch", dev);
    cache->addPar("allDone").setBoolValue(false);
    buildBus(acp, "Apc");
    buildBus(new cCompoundModule("Chip", dev), "Cpc");
    endRunAt(0.005);
    new LambdaModule("Flush", root, [cache](LambdaModule& m) {
        m.wait(0.025);
        cache->par("allDone").setBoolValue(true);
    });
    EXPECT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED);
    // Header and rule, then rows at 0, 10, 20 and 30 ms against 0 and 10 ms.
    EXPECT_EQ(readLines("out/bus/Velmora.Dev1.Acp[0].Apc.BusUtil").size(), 6u);
    EXPECT_EQ(readLines("out/bus/Velmora.Dev1.Chip.Cpc.BusUtil").size(), 4u);
}

TEST_F(BusTest, ABusUnderAnArrayControlProcessorWithoutTheArraysCacheStopsTheRun)
{
    buildBus(new cCompoundModule("Acp", new cCompoundModule("Dev1", root)), "Apc");
    EXPECT_EQ(runError(), "---> Velmora.Dev1.Acp has no CtrlMemCch beside its array control processor");
}

} // namespace
