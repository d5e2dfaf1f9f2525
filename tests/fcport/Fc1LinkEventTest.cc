// Scripted link events: the link-event file, its echo into the link-event
// configuration file, link-down and link-up on both ends of the cable, and
// the end-of-events mark with the run's evDone and simDone flags.

#include "fcport/PortCodes.h"
#include "messages/MsgKinds.h"
#include "tests/fcport/Fc1Fixture.h"

namespace {

const std::vector<std::string> bringUp = {"OL1", "OL2", "LR2", "LR3", "AC"};

std::vector<std::string> join(std::initializer_list<std::vector<std::string>> parts)
{
    std::vector<std::string> all;
    for (const auto& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

class Fc1LinkEventTest : public Fc1Test {
  protected:
    void twoPorts(const char* eventFile)
    {
        root->par("linkEventFile").setStringValue(eventFile);
        addCable("DevA", "TestHost", "DevB", "TestHost", delay);
        build();
    }
    std::string confHeader() const
    {
        return "Velmora Link Events Configuration ...... \n" + std::string(60, '=') + "\n";
    }
    std::string confPort(const std::string& path, const std::vector<std::pair<const char*, const char*>>& rows) const
    {
        std::string s = "WWPN : " + path + "\n" + std::string(60, '-') + "\n" + col("EventType", 15) +
                        col("SimTime(ms)", 20) + "\n";
        for (const auto& r : rows)
            s += col(r.first, 15) + col(r.second, 20) + "\n";
        return s + std::string(60, '=') + "\n";
    }
    bool flag(const char* name) const { return root->par(name).boolValue(); }

    const double delay = 2e-5;
};

TEST_F(Fc1LinkEventTest, AScheduledLinkDownAndUpTakesBothEndsDownAndBringsThemBack)
{
    twoPorts("TwoPortLinkEvents.txt");
    run(2.0);
    // The accepted events are echoed with four decimals, left-aligned, and
    // the last one is put on record at the root.
    EXPECT_EQ(readFile("LinkEvConf.txt"),
              confHeader() +
                  confPort("Velmora.DevA.NxPort[0]", {{"PORT_DOWN", "1000.0000"}, {"PORT_UP", "3000.0000"}}));
    EXPECT_FALSE(flag("linkEvConfFileNew"));
    EXPECT_EQ(root->par("lastEvModId").longValue(), fc1("DevA", "TxEvGen")->id());
    EXPECT_DOUBLE_EQ(root->par("lastEvTime").doubleValue(), 3.0);
    // A's transmitter is off: B lost the signal and A, seeing B's NOS,
    // failed the link too; both FC-2s heard LINK_DOWN.
    EXPECT_EQ(states("DevA"), join({bringUp, {"LF1", "LF2"}}));
    EXPECT_EQ(states("DevB"), join({bringUp, {"LF2"}}));
    EXPECT_NEAR(stub("DevB")->times(LINK_DOWN).at(0), 1.0 + delay, 1e-12);
    EXPECT_NEAR(stub("DevA")->times(LINK_DOWN).at(0), 1.0 + 2 * delay, 1e-12);
    EXPECT_EQ(fc1("DevA", "Tx")->par("txStat").longValue(), 10);
    // The failed ends show their link paths off.
    EXPECT_STREQ(fc1("DevB", "Tx")->gate("link_out")->displayString(), "o=#c0c0c0");
    EXPECT_EQ(fc1("DevB", "Tx")->par("actvLinkNum").longValue(), 0);

    run();
    EXPECT_EQ(states("DevA"), join({bringUp, {"LF1", "LF2"}, bringUp}));
    EXPECT_EQ(states("DevB"), join({bringUp, {"LF2"}, bringUp}));
    for (const char* dev : {"DevA", "DevB"}) {
        const std::vector<double> ups = stub(dev)->times(LINK_UP);
        ASSERT_EQ(ups.size(), 2u) << dev;
        EXPECT_GT(ups[1], 3.0) << dev;
        EXPECT_EQ(stub(dev)->times(LINK_DOWN).size(), 1u) << dev;
        EXPECT_EQ(port(dev)->par("portStat").longValue(), PS_AC) << dev;
    }
    EXPECT_STREQ(fc1("DevB", "Tx")->gate("link_out")->displayString(), "o=#000000");
    EXPECT_EQ(fc1("DevB", "Tx")->par("actvLinkNum").longValue(), 1);
    const std::string warn = readFile("Warnings.log");
    EXPECT_NE(warn.find("Velmora.DevA.NxPort[0].Fc1.Tx"), std::string::npos);
    EXPECT_NE(warn.find("ALERT: Transmitter is off!"), std::string::npos);
    EXPECT_NE(warn.find("NOTICE: Transmitter is powered on."), std::string::npos);
}

// A 100 km cable is measured anew when its link comes back at 3 s: the
// delay, a difference of two instants, carries their rounding, and the cable
// keeps the factor it had at the start, trunc(100 / 10) + 1.
TEST_F(Fc1LinkEventTest, ACableKeepsItsSFactWhenItsLinkComesBackLater)
{
    root->par("light_speed").setLongValue(299792);
    root->par("linkEventFile").setStringValue("TwoPortLinkEvents.txt");
    const double hundredKm = 100.0 / 299792;
    addCable("DevA", "TestHost", "DevB", "TestHost", hundredKm);
    build();
    run(2.0);
    for (const char* dev : {"DevA", "DevB"})
        EXPECT_EQ(port(dev)->par("sFact").longValue(), 11) << dev;
    run();
    for (const char* dev : {"DevA", "DevB"}) {
        ASSERT_EQ(stub(dev)->times(LINK_UP).size(), 2u) << dev;
        EXPECT_GT(stub(dev)->times(LINK_UP)[1], 3.0) << dev;
        EXPECT_EQ(port(dev)->par("sFact").longValue(), 11) << dev;
    }
}

TEST_F(Fc1LinkEventTest, AFrameCutOffByTheLinkGoingDownReachesFc2AsAborted)
{
    twoPorts("TwoPortLinkEvents.txt");
    FrameShape split;
    split.splitAfter = 2e-6; // payload and tail come after the transmitter is off
    stub("DevA")->sendFrames(1.0 - 1e-6, 1, split);
    stub("DevA")->sendFrames(4.0, 1);
    run();
    Fc2Stub* b = stub("DevB");
    ASSERT_EQ(b->of(FC_FRAME_PAYLOAD).size(), 2u);
    ASSERT_EQ(b->of(FC_FRAME_TAIL).size(), 2u);
    EXPECT_TRUE(b->of(FC_FRAME_PAYLOAD)[0].fakePay);
    EXPECT_EQ(b->of(FC_FRAME_TAIL)[0].eof, static_cast<unsigned long>(EOFa));
    EXPECT_NEAR(b->of(FC_FRAME_TAIL)[0].time, 1.0 + delay, 1e-12);
    // The aborted frame is handed up before the port failure empties the buffer.
    auto position = [b](int kind) {
        for (size_t i = 0; i < b->got.size(); ++i)
            if (b->got[i].kind == kind)
                return i;
        return b->got.size();
    };
    EXPECT_LT(position(FC_FRAME_TAIL), position(LINK_DOWN));
    // After the link is back the next frame arrives whole.
    EXPECT_FALSE(b->of(FC_FRAME_PAYLOAD)[1].fakePay);
    EXPECT_EQ(b->of(FC_FRAME_TAIL)[1].eof, static_cast<unsigned long>(EOFt));
    EXPECT_GT(b->of(FC_FRAME_TAIL)[1].time, 4.0);
}

TEST_F(Fc1LinkEventTest, TheEndOfEventsComesEvEndDelayAfterTheLastEventAndEndsTheRunOnlyWithTheIoDone)
{
    for (bool ioDone : {false, true}) {
        SCOPED_TRACE(ioDone ? "I/O done" : "I/O still running");
        TearDown();
        SetUp();
        twoPorts("TwoPortLinkEvents.txt");
        root->par("ioDone").setBoolValue(ioDone);
        run(3.4999);
        EXPECT_FALSE(flag("evDone"));
        run();
        EXPECT_TRUE(flag("evDone"));
        EXPECT_EQ(flag("simDone"), ioDone);
        EXPECT_TRUE(flag("evEndMsgDone"));
    }
}

TEST_F(Fc1LinkEventTest, AFileOfCommentsOnlyEndsTheEventsEvEndDelayAfterTheStart)
{
    twoPorts("NoLinkEvents.txt");
    run(0.4999);
    EXPECT_FALSE(flag("evDone"));
    EXPECT_EQ(root->par("lastEvModId").longValue(), -1);
    run(0.5001);
    EXPECT_TRUE(flag("evDone"));
    // Nothing to echo, and the link was never touched.
    EXPECT_FALSE(std::filesystem::exists("LinkEvConf.txt"));
    EXPECT_EQ(states("DevA"), bringUp);
}

TEST_F(Fc1LinkEventTest, TheGeneratorWithTheLatestLastEventHoldsTheEndMark)
{
    // Two cables; the events of a port not cabled to this generator's port,
    // and the lines before the first section, are none of its business.
    writeFile("links.txt", "D 7000\n"
                           "@DevA.NxPort[0]\nD 1000\nU 3000\n"
                           "@DevD.NxPort[0]\nD 2000\nU 5000\n");
    root->par("linkEventFile").setStringValue("links.txt");
    addCable("DevA", "TestHost", "DevB", "TestHost", delay);
    addCable("DevC", "TestHost", "DevD", "TestHost", delay);
    build();
    run(5.4999);
    EXPECT_EQ(root->par("lastEvModId").longValue(), fc1("DevD", "TxEvGen")->id());
    EXPECT_DOUBLE_EQ(root->par("lastEvTime").doubleValue(), 5.0);
    EXPECT_FALSE(flag("evDone"));
    run();
    EXPECT_TRUE(flag("evDone"));
    EXPECT_EQ(readFile("LinkEvConf.txt"),
              confHeader() +
                  confPort("Velmora.DevA.NxPort[0]", {{"PORT_DOWN", "1000.0000"}, {"PORT_UP", "3000.0000"}}) +
                  confPort("Velmora.DevD.NxPort[0]", {{"PORT_DOWN", "2000.0000"}, {"PORT_UP", "5000.0000"}}));
    // Each link went down once and came back.
    for (const char* dev : {"DevA", "DevB", "DevC", "DevD"})
        EXPECT_EQ(stub(dev)->times(LINK_UP).size(), 2u) << dev;
}

TEST_F(Fc1LinkEventTest, LowerCaseCodesAndBlanksAnywhereReadTheSame)
{
    writeFile("links.txt", "@ DevB . NxPort[0]\nd1000\n  ; indented comment\nu 2500.25 later text\n");
    twoPorts("links.txt");
    run(0.1);
    EXPECT_EQ(readFile("LinkEvConf.txt"),
              confHeader() +
                  confPort("Velmora.DevB.NxPort[0]", {{"PORT_DOWN", "1000.0000"}, {"PORT_UP", "2500.2500"}}));
}

TEST_F(Fc1LinkEventTest, AnEventFileWithoutLineEndsStopsTheRunAtItsFirstLine)
{
    writeFile("endless.txt", std::string(1 << 20, 'x'));
    twoPorts("endless.txt");
    EXPECT_EQ(errorOf([&] { run(); }),
              "---> Link Events : found a line longer than 255 characters. Please check the file \"endless.txt\"");
}

size_t count(const std::string& text, const std::string& part)
{
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// Files as other editors save them or people write them: a byte-order mark
// before the first line is read past; an indented event and an event before
// the first port line stay ignored, each warned of once with its line; a
// folder and a file whose lines end in CR alone are refused, naming the file.
TEST_F(Fc1LinkEventTest, FilesSavedByOtherEditorsAreReadWarnedOfOrRefused)
{
    writeFile("links.txt", std::string("\xEF\xBB\xBF@DevA.NxPort[0]\nD 1000\n\tU 2000\nU 3000\n\0D 4000\n", 49));
    twoPorts("links.txt");
    run(0.1);
    EXPECT_EQ(readFile("LinkEvConf.txt"),
              confHeader() +
                  confPort("Velmora.DevA.NxPort[0]", {{"PORT_DOWN", "1000.0000"}, {"PORT_UP", "3000.0000"}}));
    std::string warn = readFile("Warnings.log");
    EXPECT_EQ(count(warn, "Link Events : line 3 \"\tU 2000\" is indented, and an indented line is ignored. Please "
                          "check the file \"links.txt\""),
              1u)
        << warn;
    EXPECT_EQ(count(warn, "Link Events : line 5 \"D 4000\" begins with a NUL byte, so it is ignored. Please check the "
                          "file \"links.txt\""),
              1u)
        << warn;

    TearDown();
    SetUp();
    writeFile("links.txt", "D 7000\n; a note\n  ; an indented note\n\n@DevA.NxPort[0]\n D 1000\nD 2000\n");
    twoPorts("links.txt");
    run(0.1);
    EXPECT_EQ(readFile("LinkEvConf.txt"),
              confHeader() + confPort("Velmora.DevA.NxPort[0]", {{"PORT_DOWN", "2000.0000"}}));
    warn = readFile("Warnings.log");
    EXPECT_EQ(count(warn, "Link Events : line 1 \"D 7000\" comes before the first port line (\"@...\") and is "
                          "ignored. Please check the file \"links.txt\""),
              1u)
        << warn;
    EXPECT_EQ(count(warn, "Link Events : line 6 \" D 1000\" is indented"), 1u) << warn;
    EXPECT_EQ(count(warn, "Link Events"), 2u) << warn;

    TearDown();
    SetUp();
    std::filesystem::create_directory("events");
    twoPorts("events");
    EXPECT_EQ(errorOf([&] { run(); }), "---> Couldn't open file \"events\": it is a folder, not a file");

    TearDown();
    SetUp();
    writeFile("links.txt", "@DevA.NxPort[0]\rD 1000\rU 3000\r");
    twoPorts("links.txt");
    EXPECT_EQ(errorOf([&] { run(); }),
              "---> The file \"links.txt\" ends its lines with CR alone, as old Mac editors save them, so that they "
              "read as one line. Please save it with LF line ends");
}

struct BadEventsCase {
    const char* label;
    const char* file; // null: no file at all
    long maxLinkEv;
    double minEvInt;
    double evEndDelay;
    const char* error;
};

void PrintTo(const BadEventsCase& c, std::ostream* os)
{
    *os << c.label;
}

class Fc1BadLinkEventsTest : public Fc1LinkEventTest, public ::testing::WithParamInterface<BadEventsCase> {};

TEST_P(Fc1BadLinkEventsTest, StopsTheRunAtInitialisation)
{
    const BadEventsCase& c = GetParam();
    if (c.file)
        writeFile("links.txt", c.file);
    root->par("maxLinkEv").setLongValue(c.maxLinkEv);
    root->par("minEvInt").setDoubleValue(c.minEvInt);
    root->par("evEndDelay").setDoubleValue(c.evEndDelay);
    twoPorts("links.txt");
    EXPECT_EQ(errorOf([&] { run(); }), c.error);
    EXPECT_EQ(simulation.simTime(), 0.0);
}

const std::string longLine = "; " + std::string(300, 'x') + "\n";
const std::string endlessLine = "@DevA.NxPort[0]\nD 1" + std::string(1 << 20, '0');

const BadEventsCase badCases[] = {
    {"SectionsForBothEndsOfACable", "@DevB.NxPort[0]\nD 5000\n@DevA.NxPort[0]\nD 5000\n", 10, 1000, 500,
     "---> Link Events : \"Velmora.DevA.NxPort[0]\" and \"Velmora.DevB.NxPort[0]\" cannot coexist. Please check the "
     "file \"links.txt\" and choose only one of them"},
    {"UpTooSoonAfterDown", "@DevA.NxPort[0]\nD 5000\nU 5500\n", 10, 1000, 500,
     "---> Link Events : \"DevA.NxPort[0]\" found wrong timer value for the event \"U 5500\". Inter-events time "
     "should >= 1000.000 ms. Please check the file \"links.txt\""},
    {"FirstDownTooSoonAfterTheStart", "@DevA.NxPort[0]\nD 500\n", 10, 1000, 500,
     "---> Link Events : \"DevA.NxPort[0]\" found wrong timer value for the event \"D 500\". Inter-events time "
     "should >= 1000.000 ms. Please check the file \"links.txt\""},
    {"FirstEventUp", "@DevA.NxPort[0]\nU 2000\n", 10, 1000, 500,
     "---> Link Events : \"DevA.NxPort[0]\" - first event should always be Link Down. Please check the file "
     "\"links.txt\""},
    {"TwoDowns", "@DevA.NxPort[0]\nD 1000\nD 3000\n", 10, 1000, 500,
     "---> Link Events : \"DevA.NxPort[0]\" found consecutive Link Down events. Check the event prior to \"D 3000\". "
     "Please look into the file \"links.txt\" to make a correction"},
    {"TwoUps", "@DevA.NxPort[0]\nD 1000\nU 3000\nU 5000\n", 10, 1000, 500,
     "---> Link Events : \"DevA.NxPort[0]\" found consecutive Link Up events. Check the event prior to \"U 5000\". "
     "Please look into the file \"links.txt\" to make a correction"},
    {"UnknownEvent", "@DevA.NxPort[0]\nX 1000\n", 10, 1000, 500,
     "---> Link Events : \"DevA.NxPort[0]\" found unknown event \"X 1000\". Please check the file \"links.txt\""},
    {"NoSuchPort", "@DevC.NxPort[0]\n", 10, 1000, 500,
     "---> Link Event : found invalid port name \"DevC.NxPort[0]\". Please check the file \"links.txt\""},
    {"ACommentOnTheSectionLineIsPartOfThePath", "@DevA.NxPort[0] ; host port\n", 10, 1000, 500,
     "---> Link Event : found invalid port name \"DevA.NxPort[0];hostport\". Please check the file \"links.txt\""},
    {"TwoSectionsForOnePort", "@DevA.NxPort[0]\nD 1000\n@DevA.NxPort[0]\n", 10, 1000, 500,
     "---> Link Events : found duplicate port name: \"DevA.NxPort[0]\" in the file \"links.txt\""},
    {"MoreEventsThanMaxLinkEv", "@DevA.NxPort[0]\nD 1000\nU 3000\nD 5000\n", 2, 1000, 500,
     "---> Link Events : \"DevA.NxPort[0]\" can setup maximum 2 events. Please check the file \"links.txt\""},
    {"ALineLongerThan255Characters", longLine.c_str(), 10, 1000, 500,
     "---> Link Events : found a line longer than 255 characters. Please check the file \"links.txt\""},
    {"AnEndlessLine", endlessLine.c_str(), 10, 1000, 500,
     "---> Link Events : found a line longer than 255 characters. Please check the file \"links.txt\""},
    {"TimeNotANumber", "@DevA.NxPort[0]\nD inf\n", 10, 1000, 500,
     "---> Link Events : \"DevA.NxPort[0]\" found wrong timer value for the event \"D inf\". Inter-events time "
     "should >= 1000.000 ms. Please check the file \"links.txt\""},
    {"TimeInHexadecimalReadsItsLeadingZero", "@DevA.NxPort[0]\nD 0x1000\n", 10, 1000, 500,
     "---> Link Events : \"DevA.NxPort[0]\" found wrong timer value for the event \"D 0x1000\". Inter-events "
     "time should >= 1000.000 ms. Please check the file \"links.txt\""},
    {"TimeBeyondTheClock", "@DevA.NxPort[0]\nD 2000\nU 1e300\n", 10, 1000, 500,
     "---> Link Events : \"DevA.NxPort[0]\" found timer value out of range for the event \"U 1e300\". Event times "
     "must be below 1000000000000 ms. Please check the file \"links.txt\""},
    {"TimeTooBigToHold", "@DevA.NxPort[0]\nd1e400\n", 10, 1000, 500,
     "---> Link Events : \"DevA.NxPort[0]\" found timer value out of range for the event \"d1e400\". Event times "
     "must be below 1000000000000 ms. Please check the file \"links.txt\""},
    {"NoFile", nullptr, 10, 1000, 500, "---> Couldn't open file \"links.txt\": No such file or directory"},
    {"MaxLinkEvBelowOne", "", 0, 1000, 500,
     "---> Invalid \"maxLinkEv\". Value must > 0. Please check the file \"omnetpp.ini\""},
    {"MinEvIntBelowOneSecond", "", 10, 999, 500,
     "---> Invalid \"minEvInt\". Inter-events time must >= 1000ms. Please check the file \"omnetpp.ini\""},
    {"NegativeEvEndDelay", "", 10, 1000, -1,
     "---> Invalid \"evEndDelay\". Value must >= 0. Please check the file \"omnetpp.ini\""},
    {"EvEndDelayBeyondTheClock", "", 10, 1000, 1e300,
     "---> Invalid \"evEndDelay\". Value must < 1000000000000 ms. Please check the file \"omnetpp.ini\""},
};

INSTANTIATE_TEST_SUITE_P(LinkEventFile, Fc1BadLinkEventsTest, ::testing::ValuesIn(badCases),
                         [](const ::testing::TestParamInfo<BadEventsCase>& info) { return info.param.label; });

} // namespace
