#include <gtest/gtest.h>

#include <set>

#include "tests/network/StandInDevices.h"
#include "tests/network/VelmoraNetworkTest.h"

namespace {

const char* const hostColour = "o=#008080";
const char* const switchColour = "o=#ff8080";
const char* const deviceColour = "o=#0080ff";

// One cable found in a site: port i of A joined both ways to port j of B;
// an empty A is the site's own port.
struct FoundCable {
    std::string a;
    int i;
    std::string b;
    int j;
    std::string colour;
};

class TestBed : public VelmoraNetworkTest {
  protected:
    void SetUp() override
    {
        VelmoraNetworkTest::SetUp();
        arrivals.clear();
    }
    // Every cable of `site`, read from its gates. Each must run from a device
    // port or the site's own port to a switch port, both ways, on one colour,
    // without delay, and no port may carry two cables.
    static std::vector<FoundCable> cablesOf(cModule* site)
    {
        std::vector<FoundCable> found;
        std::set<cGate*> used;
        auto take = [&](cGate* g) { EXPECT_TRUE(used.insert(g).second) << g->fullPath() << " carries two cables"; };
        auto follow = [&](const std::string& a, int i, cGate* out, cGate* backIn) {
            cGate* in = out->toGate();
            if (!in)
                return;
            SCOPED_TRACE(out->fullPath());
            cModule* b = in->ownerModule();
            ASSERT_EQ(b->parentModule(), site) << "a cable leaves the site";
            EXPECT_STREQ(b->moduleType()->name(), "FcSwitch") << "every cable ends on a switch";
            EXPECT_STREQ(in->name(), "link_in");
            cGate* back = b->gate("link_out", in->index());
            EXPECT_EQ(back->toGate(), backIn) << "the cable runs both ways";
            EXPECT_STREQ(back->displayString(), out->displayString());
            EXPECT_EQ(out->channel(), nullptr);
            EXPECT_EQ(back->channel(), nullptr);
            take(out);
            take(back);
            found.push_back({a, i, b->name(), in->index(), out->displayString()});
        };
        for (int i = 0; i < site->gateSize("link_in"); ++i)
            follow("", i, site->gate("link_in", i), site->gate("link_out", i));
        for (cModule* m : site->submodules())
            if (std::string(m->moduleType()->name()) != "FcSwitch")
                for (int i = 0; i < m->gateSize("link_out"); ++i)
                    follow(m->name(), i, m->gate("link_out", i), m->gate("link_in", i));
        // Cables between switches, each read once, from the switch placed first.
        for (cModule* m : site->submodules())
            if (std::string(m->moduleType()->name()) == "FcSwitch")
                for (int i = 0; i < m->gateSize("link_out"); ++i) {
                    cGate* out = m->gate("link_out", i);
                    cGate* in = out->toGate();
                    if (in && in->ownerModule() != site && used.count(out) == 0)
                        follow(m->name(), i, out, m->gate("link_in", i));
                }
        return found;
    }
    // The cables of `site` with their colours checked: a host's cable has
    // the host colour, one between switches or to the site's own port the
    // switch colour, and a storage device's the device or the host colour.
    static std::vector<FoundCable> expectCables(cModule* site, size_t count)
    {
        std::vector<FoundCable> found = cablesOf(site);
        EXPECT_EQ(found.size(), count) << site->name();
        for (const FoundCable& c : found) {
            const std::string type = c.a.empty() ? "" : site->submodule(c.a.c_str())->moduleType()->name();
            SCOPED_TRACE(std::string(site->name()) + " " + c.a + "[" + std::to_string(c.i) + "] - " + c.b);
            if (type == "ClientHost") {
                EXPECT_EQ(c.colour, hostColour);
            } else if (type == "StorageDevice") {
                EXPECT_TRUE(c.colour == deviceColour || c.colour == hostColour) << c.colour;
            } else {
                EXPECT_EQ(c.colour, switchColour);
            }
        }
        return found;
    }
    static bool joins(const std::vector<FoundCable>& cables, const std::string& a, int i, const std::string& b, int j,
                      const char* colour)
    {
        for (const FoundCable& c : cables)
            if (c.a == a && c.i == i && c.b == b && c.j == j)
                return c.colour == colour;
        return false;
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

TEST_F(TestBed, CablesEverySiteFromDevicesToSwitchesAndLeavesOnlyTheSparePortsLoose)
{
    cModule* root = setUp();
    cModule* s1 = root->submodule("DataCtr1");
    cModule* s2 = root->submodule("DataCtr2");
    cModule* s3 = root->submodule("DataCtr3");
    const std::vector<FoundCable> c1 = expectCables(s1, 25);
    const std::vector<FoundCable> c2 = expectCables(s2, 18);
    const std::vector<FoundCable> c3 = expectCables(s3, 10);
    EXPECT_TRUE(joins(c1, "Host1", 0, "Sw1", 0, hostColour));
    EXPECT_TRUE(joins(c1, "Sw4", 6, "Sw6", 2, switchColour));
    EXPECT_TRUE(joins(c1, "Dev1", 5, "Sw4", 3, deviceColour));
    EXPECT_TRUE(joins(c1, "Dev1", 6, "Sw6", 0, hostColour));
    EXPECT_TRUE(joins(c1, "", 0, "Sw5", 2, switchColour));
    EXPECT_TRUE(joins(c2, "Host10", 0, "Sw8", 2, hostColour));
    EXPECT_TRUE(joins(c2, "", 2, "Sw10", 4, switchColour));
    EXPECT_TRUE(joins(c3, "Dev4", 2, "Sw11", 2, deviceColour));
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
    } planned[] = {
        {1, 0, 2, 0, 0.001}, {1, 1, 3, 0, 0.002}, {1, 2, 3, 1, 0.002}, {2, 1, 3, 2, 0.0015}, {2, 2, 3, 3, 0.0015}};
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
    expectCables(root->submodule("DataCtr1"), 25);
    expectCables(root->submodule("DataCtr3"), 10);
    using Set = std::set<std::string>;
    EXPECT_EQ(unconnected(root->submodule("DataCtr3")),
              (Set{"Sw11.3", "Sw12.3", "Sw12.6", "Sw12.7", "own.4", "own.5", "own.6", "own.7"}));
    EXPECT_EQ(unconnected(root->submodule("DataCtr1")).count("Host1.3"), 1u);

    // A cable past the last port names the settings that counted the ports,
    // with their lines.
    const std::string check = " give. Please check these settings in the file \"omnetpp.ini\"";
    EXPECT_EQ(setUpError("Velmora.DataCtr1.Host1.nxPortNum = 1"),
              "Gate Host1.link_out[1] not found: Host1 has 1 link_out gates, as Velmora.DataCtr1.Host1.nxPortNum = 1 "
              "from (text) line 2" +
                  check);
    EXPECT_EQ(setUpError("Velmora.DataCtr2.Dev2.chipNum = 1"),
              "Gate Dev2.link_out[4] not found: Dev2 has 4 link_out gates, as Velmora.DataCtr2.Dev2.chipNxPortNum = 4 "
              "from " VELMORA_TEST_DATA "/omnetpp.ini line 28, Velmora.DataCtr2.Dev2.chipNum = 1 from (text) line 2" +
                  check);
    EXPECT_EQ(setUpError("\nVelmora.DataCtr1.Dev1.chipNxPortNum = 3"),
              "Gate Dev1.link_out[6] not found: Dev1 has 6 link_out gates, as Velmora.DataCtr1.Dev1.chipNxPortNum = 3 "
              "from (text) line 3, Velmora.DataCtr1.Dev1.chipNum = 2 from " VELMORA_TEST_DATA "/omnetpp.ini line 29" +
                  check);
    EXPECT_EQ(setUpError("Velmora.DataCtr1.Sw4.swPortNum = -1"),
              "Negative gate vector size Sw4.link_in[-1] in compound module DataCentre1");
}

} // namespace
