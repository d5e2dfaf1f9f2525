// Two switch ports on one cable exchange link parameters and become E_Ports.

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
}

} // namespace
