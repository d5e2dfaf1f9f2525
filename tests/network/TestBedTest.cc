#include <gtest/gtest.h>

#include <set>

#include "sim/Sim.h"
#include "sim/cIniFile.h"
#include "tests/network/StandInDevices.h"

namespace {

// One cable as the site plans list it: port i of A to port j of B; an empty
// A is the site's own port.
struct PlannedCable {
    const char* a;
    int i;
    const char* b;
    int j;
    const char* colour;
};

const char* const H = "o=#008080";
const char* const S = "o=#ff8080";
const char* const D = "o=#0080ff";

const std::vector<PlannedCable> site1 = {
    {"Host1", 0, "Sw1", 0, H}, {"Host1", 1, "Sw2", 1, H}, {"Host2", 0, "Sw2", 0, H}, {"Host2", 1, "Sw1", 1, H},
    {"Host3", 0, "Sw3", 0, H}, {"Host3", 1, "Sw1", 2, H}, {"Host4", 0, "Sw4", 0, H}, {"Host4", 1, "Sw2", 2, H},
    {"Host5", 0, "Sw5", 0, H}, {"Host6", 0, "Sw4", 1, H}, {"Sw1", 3, "Sw2", 3, S},   {"Sw1", 4, "Sw3", 4, S},
    {"Sw2", 4, "Sw4", 5, S},   {"Sw3", 3, "Sw4", 4, S},   {"Sw3", 5, "Sw5", 1, S},   {"Sw4", 6, "Sw6", 2, S},
    {"Dev1", 0, "Sw3", 1, D},  {"Dev1", 1, "Sw3", 2, D},  {"Dev1", 4, "Sw4", 2, D},  {"Dev1", 5, "Sw4", 3, D},
    {"Dev1", 6, "Sw6", 0, H},  {"Dev1", 7, "Sw6", 1, H},  {"", 0, "Sw5", 2, S},      {"", 1, "Sw6", 3, S},
    {"", 2, "Sw6", 4, S}};
const std::vector<PlannedCable> site2 = {
    {"Host7", 0, "Sw7", 0, H}, {"Host7", 1, "Sw8", 1, H},  {"Host8", 0, "Sw8", 0, H},  {"Host8", 1, "Sw7", 1, H},
    {"Host9", 0, "Sw7", 2, H}, {"Host10", 0, "Sw8", 2, H}, {"Sw7", 6, "Sw9", 0, S},    {"Sw7", 5, "Sw8", 5, S},
    {"Sw8", 6, "Sw10", 2, S},  {"Dev2", 0, "Sw7", 3, D},   {"Dev2", 1, "Sw7", 4, D},   {"Dev2", 4, "Sw8", 3, D},
    {"Dev2", 5, "Sw8", 4, D},  {"Dev2", 6, "Sw10", 0, H},  {"Dev2", 7, "Sw10", 1, H},  {"", 0, "Sw9", 1, S},
    {"", 1, "Sw10", 3, S},     {"", 2, "Sw10", 4, S}};
const std::vector<PlannedCable> site3 = {
    {"Dev3", 0, "Sw11", 0, D}, {"Dev3", 1, "Sw11", 1, D}, {"Dev3", 2, "Sw12", 2, D}, {"Dev4", 0, "Sw12", 0, D},
    {"Dev4", 1, "Sw12", 1, D}, {"Dev4", 2, "Sw11", 2, D}, {"", 0, "Sw11", 4, S},     {"", 1, "Sw11", 5, S},
    {"", 2, "Sw12", 4, S},     {"", 3, "Sw12", 5, S}};

class TestBed : public ::testing::Test {
  protected:
    void SetUp() override
    {
        simulation.deleteNetwork();
        arrivals.clear();
    }
    void TearDown() override
    {
        simulation.deleteNetwork();
        simulation.setIniFile(nullptr);
    }
    cModule* setUp(const std::string& lines = "")
    {
        ini.clear();
        ini.readText("[Parameters]\n" + lines + "\n");
        ini.readFile(VELMORA_TEST_DATA "/omnetpp.ini");
        simulation.setIniFile(&ini);
        simulation.setupNetwork("Velmora");
        return simulation.systemModule();
    }
    std::string setUpError(const std::string& lines)
    {
        try {
            setUp(lines);
        } catch (const cRuntimeError& e) {
            return e.what();
        }
        return "(set up without error)";
    }
    // Checks both directions of every planned cable, and that the site has no
    // other connection.
    static void expectCables(cModule* site, const std::vector<PlannedCable>& plan)
    {
        for (const PlannedCable& c : plan) {
            SCOPED_TRACE(std::string(site->name()) + " " + c.a + " " + std::to_string(c.i) + " - " + c.b);
            cModule* b = site->submodule(c.b);
            ASSERT_NE(b, nullptr);
            cGate* out = *c.a ? site->submodule(c.a)->gate("link_out", c.i) : site->gate("link_in", c.i);
            cGate* in = *c.a ? site->submodule(c.a)->gate("link_in", c.i) : site->gate("link_out", c.i);
            ASSERT_NE(out, nullptr);
            EXPECT_EQ(out->toGate(), b->gate("link_in", c.j));
            EXPECT_EQ(b->gate("link_out", c.j)->toGate(), in);
            EXPECT_STREQ(out->displayString(), c.colour);
            EXPECT_STREQ(b->gate("link_out", c.j)->displayString(), c.colour);
            EXPECT_EQ(out->channel(), nullptr);
            EXPECT_EQ(b->gate("link_out", c.j)->channel(), nullptr);
        }
        size_t made = 0;
        for (cGate* g : site->allGates())
            made += g->isInput() && g->toGate();
        for (cModule* m : site->submodules())
            for (cGate* g : m->allGates())
                made += g->isOutput() && g->toGate();
        EXPECT_EQ(made, 2 * plan.size());
    }
    // Device ports (both gates) and own ports (inner side) left unconnected.
    static std::set<std::string> unconnected(cModule* site)
    {
        std::set<std::string> loose;
        for (cModule* m : site->submodules())
            for (int i = 0; i < m->gateSize("link_in"); ++i)
                if (!m->gate("link_in", i)->fromGate() && !m->gate("link_out", i)->toGate())
                    loose.insert(std::string(m->name()) + "." + std::to_string(i));
        for (int i = 0; i < site->gateSize("link_in"); ++i)
            if (!site->gate("link_in", i)->toGate() && !site->gate("link_out", i)->fromGate())
                loose.insert("own." + std::to_string(i));
        return loose;
    }

    cIniFile ini;
};

TEST_F(TestBed, PlacesTheSitesAndTheirDevicesInOrder)
{
    cModule* root = setUp();
    ASSERT_EQ(root->submodules().size(), 3u);
    const char* types[] = {"DataCentre1", "DataCentre2", "DataCentre3"};
    const char* displays[] = {"b=50,50;p=100,100;i=city", "b=50,50;p=290,100;i=city", "b=50,50;p=195,220;i=city"};
    for (int k = 0; k < 3; ++k) {
        cModule* site = root->submodules()[k];
        EXPECT_EQ(site->fullName(), "DataCtr" + std::to_string(k + 1));
        EXPECT_STREQ(site->moduleType()->name(), types[k]);
        EXPECT_STREQ(site->displayString(), displays[k]);
        EXPECT_EQ(site->gateSize("link_in"), 8);
        EXPECT_EQ(site->gateSize("link_out"), 8);
    }
    EXPECT_STREQ(root->backgroundDisplayString(), "p=10,10;b=366,320;o=#ffffff");
    std::string order;
    for (cModule* m : root->submodule("DataCtr1")->submodules())
        order += std::string(m->name()) + "(" + m->moduleType()->name()[0] + ") ";
    EXPECT_EQ(order, "Host1(C) Host2(C) Host3(C) Host4(C) Host5(C) Host6(C) Sw1(F) Sw2(F) Sw3(F) Sw4(F) Sw5(F) "
                     "Sw6(F) Dev1(S) ");
    cModule* dev1 = root->moduleByRelativePath("DataCtr1.Dev1");
    EXPECT_STREQ(dev1->displayString(), "i=device;p=496,240;b=50,100");
    EXPECT_EQ(dev1->gateSize("link_out"), 8) << "chipNxPortNum * chipNum";
    EXPECT_STREQ(root->moduleByRelativePath("DataCtr1.Sw5")->displayString(), "p=496,65;i=fcsw;b=50,25");
    EXPECT_STREQ(root->submodule("DataCtr2")->backgroundDisplayString(), "o=#ffffff;p=10,10;b=425,500");
    EXPECT_EQ(root->moduleByRelativePath("DataCtr3.Dev4")->gateSize("link_in"), 3);
}

TEST_F(TestBed, CablesEverySiteAsPlannedAndLeavesOnlyTheSparePortsLoose)
{
    cModule* root = setUp();
    cModule* s1 = root->submodule("DataCtr1");
    cModule* s2 = root->submodule("DataCtr2");
    cModule* s3 = root->submodule("DataCtr3");
    expectCables(s1, site1);
    expectCables(s2, site2);
    expectCables(s3, site3);
    using Set = std::set<std::string>;
    EXPECT_EQ(unconnected(s1), (Set{"Dev1.2", "Dev1.3", "own.3", "own.4", "own.5", "own.6", "own.7"}));
    EXPECT_EQ(unconnected(s2), (Set{"Dev2.2", "Dev2.3", "own.3", "own.4", "own.5", "own.6", "own.7"}));
    EXPECT_EQ(unconnected(s3), (Set{"Sw11.3", "Sw12.3", "own.4", "own.5", "own.6", "own.7"}));
}

TEST_F(TestBed, JoinsTheSitesWithDelaysOfDistanceOverLightSpeed)
{
    cModule* root = setUp();
    struct {
        int a, i, b, j;
        double delay;
    } planned[] = {{1, 0, 2, 0, 0.001}, {1, 1, 3, 0, 0.002}, {1, 2, 3, 1, 0.002}, {2, 1, 3, 2, 0.0015},
                   {2, 2, 3, 3, 0.0015}};
    for (auto& c : planned) {
        cModule* a = root->submodule(("DataCtr" + std::to_string(c.a)).c_str());
        cModule* b = root->submodule(("DataCtr" + std::to_string(c.b)).c_str());
        for (cGate* out : {a->gate("link_out", c.i), b->gate("link_out", c.j)}) {
            cGate* in = out == a->gate("link_out", c.i) ? b->gate("link_in", c.j) : a->gate("link_in", c.i);
            EXPECT_EQ(out->toGate(), in) << out->fullPath();
            ASSERT_NE(out->channel(), nullptr);
            EXPECT_DOUBLE_EQ(out->channel()->delay(), c.delay) << out->fullPath();
            EXPECT_STREQ(out->displayString(), "o=#ff8080");
        }
    }
    int connected = 0;
    for (cModule* site : root->submodules())
        for (int k = 0; k < 8; ++k)
            connected += site->gate("link_out", k)->toGate() != nullptr;
    EXPECT_EQ(connected, 10);

    // Switch to switch across sites, through both sites' own ports.
    cGate* fromSw5 = root->moduleByRelativePath("DataCtr1.Sw5")->gate("link_out", 2);
    double delay = 0;
    cGate* end = fromSw5->route(delay);
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(end->ownerModule()->fullPath(), "Velmora.DataCtr2.Sw9.Port[1]");
    EXPECT_DOUBLE_EQ(delay, 0.001);

    // The delays hold copies of the distance and the light speed.
    root->par("distC1C2").setDoubleValue(3000);
    root->par("light_speed").setLongValue(1);
    EXPECT_DOUBLE_EQ(root->submodule("DataCtr1")->gate("link_out", 0)->channel()->delay(), 0.001);
}

TEST_F(TestBed, RunDeliversEachPortsHelloAcrossItsCableAfterTheCableDelay)
{
    setUp();
    simulation.callInitialize();
    simulation.run();
    // 43 cables inside the sites and 5 between them, each crossed both ways.
    ASSERT_EQ(arrivals.size(), 96u);
    int late = 0;
    for (const Arrival& a : arrivals) {
        bool crossesSites = a.receiver.compare(0, 16, a.sender, 0, 16) != 0;
        late += crossesSites;
        if (!crossesSites) {
            EXPECT_EQ(a.time, 0.0) << a.sender << " -> " << a.receiver;
        }
    }
    EXPECT_EQ(late, 10);
    auto timeOf = [](const std::string& from, const std::string& to) {
        for (const Arrival& a : arrivals)
            if (a.sender == "Velmora." + from && a.receiver == "Velmora." + to)
                return a.time;
        return -1.0;
    };
    EXPECT_DOUBLE_EQ(timeOf("DataCtr1.Sw5.Port[2]", "DataCtr2.Sw9.Port[1]"), 0.001);
    EXPECT_DOUBLE_EQ(timeOf("DataCtr2.Sw9.Port[1]", "DataCtr1.Sw5.Port[2]"), 0.001);
    EXPECT_DOUBLE_EQ(timeOf("DataCtr3.Sw12.Port[5]", "DataCtr2.Sw10.Port[4]"), 0.0015);
    EXPECT_DOUBLE_EQ(timeOf("DataCtr1.Sw6.Port[4]", "DataCtr3.Sw11.Port[5]"), 0.002);
    EXPECT_DOUBLE_EQ(timeOf("DataCtr1.Dev1.Port[7]", "DataCtr1.Sw6.Port[1]"), 0.0);
}

TEST_F(TestBed, LargerPortCountsOnlyAddLoosePortsAndSmallerOnesStopTheBuild)
{
    cModule* root = setUp("Velmora.DataCtr1.Host1.nxPortNum = 4\nVelmora.DataCtr3.Sw12.swPortNum = 8");
    expectCables(root->submodule("DataCtr1"), site1);
    expectCables(root->submodule("DataCtr3"), site3);
    using Set = std::set<std::string>;
    EXPECT_EQ(unconnected(root->submodule("DataCtr3")),
              (Set{"Sw11.3", "Sw12.3", "Sw12.6", "Sw12.7", "own.4", "own.5", "own.6", "own.7"}));
    EXPECT_EQ(unconnected(root->submodule("DataCtr1")).count("Host1.3"), 1u);

    EXPECT_EQ(setUpError("Velmora.DataCtr1.Host1.nxPortNum = 1"), "Gate Host1.link_out[1] not found");
    EXPECT_EQ(setUpError("Velmora.DataCtr2.Dev2.chipNum = 1"), "Gate Dev2.link_out[4] not found");
    EXPECT_EQ(setUpError("Velmora.DataCtr1.Sw4.swPortNum = -1"),
              "Negative gate vector size Sw4.link_in[-1] in compound module DataCentre1");
}

} // namespace
