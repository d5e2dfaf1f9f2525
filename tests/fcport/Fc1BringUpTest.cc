// Two ports on a cable bring their link up: speed negotiation to the lower
// of the two speeds, the primitive-sequence handshake to the active state,
// the cable measured into sFact.

#include "fcport/PortCodes.h"
#include "messages/MsgKinds.h"
#include "tests/fcport/Fc1Fixture.h"

namespace {

const std::vector<std::string> bringUp = {"OL1", "OL2", "LR2", "LR3", "AC"};

class Fc1BringUpTest : public Fc1Test {
  protected:
    // A host port and a switch port, 5e-5 s apart (15 km at 300000 km/s).
    void bed(long speedA, long speedB)
    {
        addCable("DevA", "TestHost", "DevB", "TestSwitch", delay);
        build();
        PortSetup a, b;
        a.speed = speedA;
        b.speed = speedB;
        setPort("DevA", a);
        setPort("DevB", b);
    }
    const double delay = 5e-5;
};

TEST_F(Fc1BringUpTest, OneGigPortsComeUpAfterSixCableCrossingsMeasureTheCableAndMarkItsPath)
{
    bed(1, 1);
    run(0.5);
    for (const char* dev : {"DevA", "DevB"}) {
        EXPECT_EQ(states(dev), bringUp) << dev;
        EXPECT_EQ(port(dev)->par("portStat").longValue(), PS_AC) << dev;
        EXPECT_EQ(port(dev)->par("currPortSpeed").doubleValue(), oneGigBaud) << dev;
        EXPECT_EQ(fc1(dev, "Tx")->par("txStat").longValue(), 9) << dev;
        // Request out and answer back; then OLS, LR, LRR and IDLE each cross
        // once. Only the OLS waits on the line, one 12-byte time behind the
        // acknowledgement that goes out with the end of negotiation; every
        // later sequence finds the line idle.
        ASSERT_EQ(stub(dev)->times(LINK_UP).size(), 1u) << dev;
        EXPECT_NEAR(stub(dev)->times(LINK_UP).at(0), 6 * delay + lineTime(12, oneGigBaud), 1e-12) << dev;
        // trunc(300000 km/s x 5e-5 s) = 15 km, / 10 km + 1 = 2; the last
        // measurement, on the acknowledgement, is one-way again.
        EXPECT_EQ(port(dev)->par("sFact").longValue(), 2) << dev;
    }
    // Only the node port's FC-2 takes N_Port mode on LINK_UP.
    EXPECT_EQ(port("DevA")->par("portMode").longValue(), N_PORT_MODE);
    EXPECT_EQ(port("DevB")->par("portMode").longValue(), PORT_MODE_NONE);

    // White connections on a complete route become black; coloured ones stay.
    EXPECT_STREQ(fc1("DevA", "Tx")->gate("link_out")->displayString(), "o=#000000");
    EXPECT_STREQ(port("DevA")->gate("link_out")->displayString(), "o=#008080");
    EXPECT_STREQ(root->submodule("DevA")->gate("link_out", 0)->displayString(), "o=#0080ff");
    // Every module on the path counts the link once: Tx, Fc1, the port and
    // the device on the way out, then the far device, port and Fc1.
    EXPECT_EQ(fc1("DevA", "Tx")->par("actvLinkNum").longValue(), 1);
    EXPECT_EQ(root->submodule("DevB")->par("actvLinkNum").longValue(), 2);
    EXPECT_EQ(port("DevB")->par("actvLinkNum").longValue(), 2);
}

TEST_F(Fc1BringUpTest, TwoGigPortsKeepTwoGig)
{
    bed(2, 2);
    run(0.5);
    for (const char* dev : {"DevA", "DevB"}) {
        EXPECT_EQ(states(dev), bringUp) << dev;
        EXPECT_EQ(port(dev)->par("currPortSpeed").doubleValue(), twoGigBaud) << dev;
    }
    EXPECT_NEAR(stub("DevA")->times(LINK_UP).at(0), 6 * delay + lineTime(12, twoGigBaud), 1e-12);
}

TEST_F(Fc1BringUpTest, AOneGigAndATwoGigPortAgreeOnOneGig)
{
    for (int twoGigEnd = 0; twoGigEnd < 2; ++twoGigEnd) {
        SCOPED_TRACE(twoGigEnd ? "2G port on the switch side" : "2G port on the host side");
        TearDown();
        SetUp();
        bed(twoGigEnd ? 1 : 2, twoGigEnd ? 2 : 1);
        run(0.5);
        for (const char* dev : {"DevA", "DevB"}) {
            EXPECT_EQ(states(dev), bringUp) << dev;
            EXPECT_EQ(port(dev)->par("currPortSpeed").doubleValue(), oneGigBaud) << dev;
        }
        // The configured maximum stays as it was.
        EXPECT_EQ(port(twoGigEnd ? "DevB" : "DevA")->par("maxPortSpeed").longValue(), 2);
    }
}

TEST_F(Fc1BringUpTest, ALongerCableGivesALargerSFactAndALaterLinkUp)
{
    const double longDelay = 1e-3; // 300 km
    addCable("DevA", "TestHost", "DevB", "TestHost", longDelay);
    build();
    run(0.5);
    EXPECT_EQ(port("DevA")->par("sFact").longValue(), 300 / 10 + 1);
    EXPECT_NEAR(stub("DevB")->times(LINK_UP).at(0), 6 * longDelay + lineTime(12, oneGigBaud), 1e-12);
}

TEST_F(Fc1BringUpTest, AConnectionOnTheCableWithoutDisplayStringOrColourEndsTheRun)
{
    bed(1, 1);
    port("DevA")->gate("link_out")->setDisplayString("");
    EXPECT_EQ(errorOf([&] { run(0.5); }), "---> Velmora.DevA.NxPort[0].link_out[0] has no display string setup");
    TearDown();
    SetUp();
    bed(1, 1);
    port("DevB")->submodule("Fc1")->gate("link_in")->setDisplayString("p=10,10");
    EXPECT_EQ(errorOf([&] { run(0.5); }),
              "---> Velmora.DevB.SwPort[0].Fc1.link_in[0] display string has no color setup");
}

} // namespace
