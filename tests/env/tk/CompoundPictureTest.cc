#include <cmath>
#include <set>
#include <stdexcept>

#include "env/tk/CompoundPicture.h"
#include "tests/env/tk/PingPongRun.h"
#include "tests/shared/TestModules.h"

namespace {

using CompoundPictureTest = PingPongRun;

TEST_F(CompoundPictureTest, BoxesLinesAndBackgroundFollowTheDisplayStrings)
{
    module("PingPong")->setBackgroundDisplayString("o=#ffffff;p=10,10;b=600,400");
    module("PingPong.Ping")->setDisplayString("i=ping;p=100,80;b=40,30");
    cModule* pong = module("PingPong.Pong");
    pong->setDisplayString("p=100,200,row,60");
    pong->setIndex(2, 3); // placed as the third of a row
    module("PingPong.Ping")->gate("out")->setDisplayString("o=#008080");

    CompoundPicture pic = draw_compound(*module("PingPong"));
    EXPECT_EQ(pic.background, "#ffffff");
    EXPECT_DOUBLE_EQ(pic.width, 600);
    EXPECT_DOUBLE_EQ(pic.height, 400);
    ASSERT_EQ(pic.modules.size(), 2u);
    const DrawnModule& ping = pic.modules[0];
    EXPECT_EQ(ping.name, "Ping");
    EXPECT_EQ(ping.type, "Ping");
    EXPECT_EQ(ping.icon, "ping");
    EXPECT_DOUBLE_EQ(ping.x, 100);
    EXPECT_DOUBLE_EQ(ping.y, 80);
    EXPECT_DOUBLE_EQ(ping.w, 40);
    EXPECT_DOUBLE_EQ(ping.h, 30);
    const DrawnModule& p = pic.modules[1];
    EXPECT_EQ(p.name, "Pong[2]");
    EXPECT_EQ(p.icon, ""); // drawn as a labelled box
    EXPECT_DOUBLE_EQ(p.x, 220);
    EXPECT_DOUBLE_EQ(p.y, 200);
    EXPECT_DOUBLE_EQ(p.w, 40);

    ASSERT_EQ(pic.connections.size(), 2u);
    const DrawnConnection& out = pic.connections[0];
    EXPECT_EQ(out.fromId, ping.id);
    EXPECT_EQ(out.toId, p.id);
    EXPECT_EQ(out.colour, "#008080");
    // Each end sits where the line between the centres leaves the box.
    EXPECT_DOUBLE_EQ(out.x1, 115);
    EXPECT_DOUBLE_EQ(out.y1, 95);
    EXPECT_DOUBLE_EQ(out.x2, 200);
    EXPECT_DOUBLE_EQ(out.y2, 180);
    EXPECT_EQ(pic.connections[1].colour, "#008080") << "the way back joins the same kinds of module";
    EXPECT_EQ(pic.connections[1].gateName, "out");
}

TEST_F(CompoundPictureTest, ModulesWithoutPositionsGoOnAGridAndTheSizeFitsThem)
{
    CompoundPicture pic = draw_compound(*module("PingPong"));
    ASSERT_EQ(pic.modules.size(), 2u);
    EXPECT_DOUBLE_EQ(pic.modules[0].x, 60);
    EXPECT_DOUBLE_EQ(pic.modules[1].x, 160);
    EXPECT_DOUBLE_EQ(pic.modules[1].y, 60);
    EXPECT_DOUBLE_EQ(pic.width, 220);
    EXPECT_DOUBLE_EQ(pic.height, 120);
    EXPECT_EQ(pic.background, "#e0e0e0");
}

} // namespace

namespace {

// A site with three modules in a row and two gates of its own, joined to a
// module outside it.
class CablingPicture : public KernelTest {
  protected:
    void SetUp() override
    {
        KernelTest::SetUp();
        site = new cCompoundModule("Site", root);
        site->addGate("port_in", 'I');
        site->addGate("port_out", 'O');
        site->setBackgroundDisplayString("b=300,200");
        auto nothing = [](LambdaModule&) {};
        a = addModule("A", nothing, site);
        blocker = addModule("Blocker", nothing, site);
        b = addModule("B", nothing, site);
        other = addModule("Other", nothing);
        a->setDisplayString("p=50,100");
        blocker->setDisplayString("p=150,100");
        b->setDisplayString("p=250,100");
        connect(a, 0, b, 0);
        a->gate("out", 0)->setDisplayString("o=#008080");
        b->setGateSize("in", 2);
        b->setGateSize("out", 1);
        site->gate("port_in")->connectTo(b->gate("in", 1));
        b->gate("out", 0)->connectTo(site->gate("port_out"));
        other->setGateSize("out", 1);
        other->setGateSize("in", 1);
        other->gate("out", 0)->connectTo(site->gate("port_in"));
        site->gate("port_out")->connectTo(other->gate("in", 0));
    }
    const DrawnConnection& from(const CompoundPicture& pic, const std::string& key)
    {
        for (const DrawnConnection& c : pic.connections)
            if (c.key == key)
                return c;
        throw std::runtime_error("no connection " + key);
    }
    static std::string key(const cGate* g)
    {
        return "k" + std::to_string(g->ownerModule()->id()) + "_" + std::to_string(g->id());
    }
    cModule* site = nullptr;
    cModule *a = nullptr, *blocker = nullptr, *b = nullptr, *other = nullptr;
};

TEST_F(CablingPicture, GatesSitOnTheBorderAndLinesGoRoundIconsInTheirWay)
{
    CompoundPicture pic = draw_compound(*site);
    ASSERT_EQ(pic.gates.size(), 2u);
    // Both gates serve B, nearest the right-hand border: side by side there.
    for (const DrawnGate& g : pic.gates) {
        EXPECT_EQ(g.side, 'r') << g.name;
        EXPECT_DOUBLE_EQ(g.x, 300);
    }
    EXPECT_EQ(pic.gates[0].name, "port_in");
    EXPECT_DOUBLE_EQ(pic.gates[0].y, 92);
    EXPECT_DOUBLE_EQ(pic.gates[1].y, 108);

    const DrawnConnection& inward = from(pic, key(site->gate("port_in")));
    EXPECT_EQ(inward.fromId, -1);
    EXPECT_EQ(inward.toId, b->id());
    EXPECT_DOUBLE_EQ(inward.x1, 300);
    EXPECT_DOUBLE_EQ(inward.y1, 92);
    EXPECT_DOUBLE_EQ(inward.x2, 270) << "ends at B's box";
    const DrawnConnection& outward = from(pic, key(b->gate("out", 0)));
    EXPECT_EQ(outward.toId, -1);
    EXPECT_DOUBLE_EQ(outward.y2, 108);

    // A to B would cross the blocker: the line bends round it.
    const DrawnConnection& across = from(pic, key(a->gate("out", 0)));
    ASSERT_EQ(across.bends.size(), 1u);
    EXPECT_DOUBLE_EQ(across.bends[0].first, 150);
    EXPECT_GE(std::fabs(across.bends[0].second - 100), 30);

    site->setBackgroundDisplayString("b=300,200;o=#008080");
    CompoundPicture onTeal = draw_compound(*site);
    EXPECT_EQ(from(onTeal, key(a->gate("out", 0))).colour, "#808080")
        << "a cable in the background's colour is drawn grey";

    ASSERT_EQ(pic.legend.size(), 2u);
    EXPECT_EQ(pic.legend[0].colour, "#000000");
    EXPECT_EQ(pic.legend[0].text, "cSimpleModule - border gate");
    EXPECT_EQ(pic.legend[1].colour, "#008080");
    EXPECT_EQ(pic.legend[1].text, "cSimpleModule - cSimpleModule");
}

TEST_F(CablingPicture, EachPairOfModuleKindsHasOneColourInTheCablesAndTheLegend)
{
    // Two more cables between simple modules, both red: three cables of
    // one pair, in two colours.
    connect(blocker, 0, a, 0);
    connect(blocker, 1, b, 2);
    blocker->gate("out", 0)->setDisplayString("o=#ff0000");
    blocker->gate("out", 1)->setDisplayString("o=#ff0000");
    CompoundPicture pic = draw_compound(*site);
    EXPECT_EQ(from(pic, key(a->gate("out", 0))).colour, "#ff0000") << "drawn as most cables of its pair are";
    EXPECT_EQ(from(pic, key(blocker->gate("out", 1))).colour, "#ff0000");
    EXPECT_EQ(from(pic, key(site->gate("port_in"))).colour, "#000000") << "a cable to the border keeps black";
    ASSERT_EQ(pic.legend.size(), 2u);
    EXPECT_EQ(pic.legend[0].colour, "#000000");
    EXPECT_EQ(pic.legend[0].text, "cSimpleModule - border gate");
    EXPECT_EQ(pic.legend[1].colour, "#ff0000");
    EXPECT_EQ(pic.legend[1].text, "cSimpleModule - cSimpleModule");

    // Among equals the first cable met gives the colour.
    blocker->gate("out", 1)->setDisplayString("o=#0000ff");
    CompoundPicture even = draw_compound(*site);
    for (const DrawnConnection& c : even.connections) {
        if (c.fromId != -1 && c.toId != -1) {
            EXPECT_EQ(c.colour, from(even, key(a->gate("out", 0))).colour) << c.key;
        }
    }
    std::set<std::string> texts;
    for (const LegendEntry& e : even.legend)
        EXPECT_TRUE(texts.insert(e.text).second) << e.text << " has two colours";
}

TEST_F(CablingPicture, AMessagesPathNamesEveryPictureItCrosses)
{
    std::vector<PathHop> path = message_path(other->id(), other->gate("out", 0)->id(), b->id(), b->gate("in", 1)->id());
    ASSERT_EQ(path.size(), 2u);
    EXPECT_EQ(path[0].compoundId, root->id());
    EXPECT_EQ(path[0].key, key(other->gate("out", 0)));
    EXPECT_EQ(path[1].compoundId, site->id());
    EXPECT_EQ(path[1].key, key(site->gate("port_in")));
    // The keys are those of the drawn cables.
    EXPECT_NO_THROW(from(draw_compound(*root), path[0].key));
    EXPECT_NO_THROW(from(draw_compound(*site), path[1].key));

    std::vector<PathHop> back = message_path(b->id(), b->gate("out", 0)->id(), other->id(), other->gate("in", 0)->id());
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].compoundId, site->id());
    EXPECT_EQ(back[1].compoundId, root->id());
    EXPECT_TRUE(message_path(b->id(), -1, b->id(), -1).empty()) << "a self-message";
    EXPECT_TRUE(message_path(a->id(), a->gate("out", 0)->id(), other->id(), other->gate("in", 0)->id()).empty())
        << "no connection leads there";
}

} // namespace
