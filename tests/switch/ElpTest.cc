// Two switch ports on one cable exchange link parameters and become E_Ports.

#include <filesystem>

#include "fcport/PortCodes.h"
#include "fcport/SequenceFrames.h"
#include "messages/MsgKinds.h"
#include "tests/switch/SwitchPairTest.h"

namespace {

using InterSwitchLink = SwitchPairTest;

TEST_F(InterSwitchLink, BothEndsBecomeEPortsWithTheLargerTimeOutsAndThePeersBuffersAsCredit)
{
    build();
    ASSERT_EQ(run(), "") << errorModule;

    // Sw1's port took its name first, so Sw2's is the higher one.
    ASSERT_LT(port(1)->par("portName").longValue(), port(2)->par("portName").longValue());
    for (int s : {1, 2}) {
        EXPECT_EQ(port(s)->par("portMode").longValue(), E_PORT_MODE) << s;
        EXPECT_EQ(port(s)->par("currEdTov").longValue(), 3000) << s;
        EXPECT_EQ(port(s)->par("currRaTov").longValue(), 10000) << s;
        EXPECT_EQ(port(s)->par("currBbCnt").longValue(), 0) << s;
        EXPECT_TRUE(fc4(s)->par("elpDone").boolValue()) << s;
        EXPECT_TRUE(fc4(s)->par("elpLrDone").boolValue()) << s;
        const auto ups = centre(s).portEventsOfKind(E_PORT_UP);
        ASSERT_EQ(ups.size(), 1u) << s;
        EXPECT_EQ(ups[0]->port, 0);
    }
    EXPECT_EQ(port(1)->par("currBbCredit").longValue(), 4);
    EXPECT_EQ(port(2)->par("currBbCredit").longValue(), 8);
    EXPECT_TRUE(centre(1).portEventsOfKind(DEV_DOWN).empty());

    // Each controller was busy for its own ELP (10 us to send) and the two
    // units it took in (20 us each), and for nothing in between.
    for (int s : {1, 2})
        EXPECT_NEAR(fc4(s)->submodule("Fc4Ctrl")->par("asicUtilDelta").doubleValue(), 50e-6, 1e-9) << s;
}

} // namespace

namespace {

TEST_F(InterSwitchLink, TheHigherPortRejectsAndTheSideWhoseElpWasAcceptedResetsTheLink)
{
    build();
    ASSERT_EQ(run(), "") << errorModule;

    for (int s : {1, 2}) {
        // Each side asked for link parameters 20 ms after the link came up,
        // on the fabric controller address, over Class F.
        const auto ports = up(s).ofKind(PORT_UP);
        ASSERT_EQ(ports.size(), 2u) << s;
        const auto elp = down(s).carrying("SW_ILS_ELP");
        ASSERT_EQ(elp.size(), 1u) << s;
        EXPECT_NEAR(elp[0]->time - ports[0]->time, 0.02 + 10e-6, 1e-9) << s;
        EXPECT_EQ(elp[0]->type, TYPE_SW_ILS);
        EXPECT_EQ(elp[0]->code, 0x10u);
    }
    // Sw2 (higher name) rejected Sw1's ELP, Sw1 accepted Sw2's; each reply
    // went 20 us after the ELP came in, under the ELP's exchange key.
    const auto rjt = down(2).carrying("SW_ILS_ELP_RJT");
    const auto acc = down(1).carrying("SW_ILS_ELP_ACC");
    ASSERT_EQ(rjt.size(), 1u);
    ASSERT_EQ(acc.size(), 1u);
    EXPECT_TRUE(down(1).carrying("SW_ILS_ELP_RJT").empty());
    EXPECT_TRUE(down(2).carrying("SW_ILS_ELP_ACC").empty());
    const auto elpAtSw2 = up(2).carrying("SW_ILS_ELP");
    const auto elpAtSw1 = up(1).carrying("SW_ILS_ELP");
    ASSERT_EQ(elpAtSw2.size(), 1u);
    ASSERT_EQ(elpAtSw1.size(), 1u);
    EXPECT_NEAR(rjt[0]->time - elpAtSw2[0]->time, 20e-6, 1e-9);
    EXPECT_NEAR(acc[0]->time - elpAtSw1[0]->time, 20e-6, 1e-9);
    EXPECT_EQ(rjt[0]->key, down(1).carrying("SW_ILS_ELP")[0]->key);
    EXPECT_EQ(acc[0]->key, down(2).carrying("SW_ILS_ELP")[0]->key);

    // Only Sw2 asked for the reset: 5 ms after it took in the accept.
    EXPECT_TRUE(down(1).ofKind(REQ_LINK_RESET).empty());
    const auto resets = down(2).ofKind(REQ_LINK_RESET);
    ASSERT_EQ(resets.size(), 1u);
    const auto accAtSw2 = up(2).carrying("SW_ILS_ELP_ACC");
    ASSERT_EQ(accAtSw2.size(), 1u);
    EXPECT_NEAR(resets[0]->time - accAtSw2[0]->time, 20e-6 + 0.005, 1e-9);

    // The reset brought the link up again at both ends, and each port told
    // its centre at once.
    for (int s : {1, 2}) {
        const double second = up(s).ofKind(PORT_UP)[1]->time;
        EXPECT_GT(second, resets[0]->time) << s;
        EXPECT_LT(second - resets[0]->time, 1e-3) << s;
        EXPECT_DOUBLE_EQ(centre(s).portEventsOfKind(E_PORT_UP)[0]->time, second) << s;
    }
    // Nothing else crossed between the two FC-4 layers.
    EXPECT_EQ(down(1).ofKind(FC_SEQ_PAYLOAD).size(), 2u);
    EXPECT_EQ(down(2).ofKind(FC_SEQ_PAYLOAD).size(), 2u);
}

TEST_F(InterSwitchLink, WithEqualPortNamesBothSidesAcceptAndBothResetTheLink)
{
    build();
    initialise();
    port(2)->par("portName").setLongValue(port(1)->par("portName").longValue());
    ASSERT_EQ(run(), "") << errorModule;

    for (int s : {1, 2}) {
        EXPECT_EQ(down(s).carrying("SW_ILS_ELP_ACC").size(), 1u) << s;
        EXPECT_TRUE(down(s).carrying("SW_ILS_ELP_RJT").empty()) << s;
        const auto accepted = up(s).carrying("SW_ILS_ELP_ACC");
        ASSERT_EQ(accepted.size(), 1u) << s;
        const auto resets = down(s).ofKind(REQ_LINK_RESET);
        ASSERT_GE(resets.size(), 1u) << s;
        EXPECT_NEAR(resets[0]->time - accepted[0]->time, 20e-6 + 0.005, 1e-9) << s;
        EXPECT_EQ(port(s)->par("portMode").longValue(), E_PORT_MODE) << s;
        EXPECT_EQ(port(s)->par("currEdTov").longValue(), 3000) << s;
        EXPECT_EQ(port(s)->par("currRaTov").longValue(), 10000) << s;
        EXPECT_EQ(centre(s).portEventsOfKind(E_PORT_UP).size(), 1u) << s;
    }
}

} // namespace

namespace {

TEST_F(InterSwitchLink, TheShippedSwitchFilesBringUpAnInterSwitchLink)
{
    namespace fs = std::filesystem;
    const fs::path shipped = fs::path(VELMORA_TEST_DATA) / "../../../examples";
    for (const char* file : {"switch/Sw1.conf", "switch/Sw2.conf", "fcport/FcPortAsic.ini"})
        fs::copy(shipped / file, fs::path(file).filename(), fs::copy_options::overwrite_existing);
    build("Velmora.Sw1.swPortNum = 4\nVelmora.Sw2.swPortNum = 2");
    ASSERT_EQ(run(), "") << errorModule;
    for (int s : {1, 2}) {
        EXPECT_EQ(port(s)->par("portMode").longValue(), E_PORT_MODE) << s;
        EXPECT_EQ(port(s)->par("currEdTov").longValue(), 3000) << s;
        EXPECT_EQ(port(s)->par("currRaTov").longValue(), 10000) << s;
        EXPECT_EQ(centre(s).portEventsOfKind(E_PORT_UP).size(), 1u) << s;
    }
    EXPECT_EQ(port(1)->par("currBbCredit").longValue(), 8);
    EXPECT_EQ(port(2)->par("currBbCredit").longValue(), 16);
}

} // namespace
