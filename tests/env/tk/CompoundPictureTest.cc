#include "env/tk/CompoundPicture.h"
#include "tests/env/tk/PingPongRun.h"

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
    EXPECT_EQ(pic.connections[1].colour, "#000000");
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
