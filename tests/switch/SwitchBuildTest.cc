// Building a switch from its description.

#include "messages/MsgKinds.h"
#include "tests/switch/SwitchPairTest.h"

namespace {

using SwitchBuild = SwitchPairTest;

TEST_F(SwitchBuild, PortsComeBeforeTheCentreAndStartWithNothingDone)
{
    build();
    cModule* centre = sw(1)->submodule("SwCtrlCtr");
    ASSERT_NE(centre, nullptr);
    EXPECT_EQ(sw(1)->submodule("SwPort", 1)->size(), 2);
    for (int p : {0, 1}) {
        cModule* swPort = sw(1)->submodule("SwPort", p);
        EXPECT_LT(swPort->id(), centre->id()) << p;
        EXPECT_EQ(swPort->par("sFact").longValue(), 1);
        EXPECT_FALSE(swPort->moduleByRelativePath("Fc4")->par("elpDone").boolValue());
        EXPECT_FALSE(swPort->moduleByRelativePath("Fc4")->par("elpLrDone").boolValue());
        EXPECT_EQ(swPort->moduleByRelativePath("Fc2")->par("currOxId").longValue(), 0);
        EXPECT_EQ(swPort->moduleByRelativePath("Fc2")->par("currRxId").longValue(), 0);
        for (const char* service : {"Fc4.FcGs", "Fc4.FcEls", "Fc4.SwIls"})
            EXPECT_EQ(swPort->moduleByRelativePath(service)->par("currConCurrIu").longValue(), 0) << service;
        // The port reaches the centre on the gates of its own index.
        EXPECT_EQ(centre->gate("to_swport", p)->toGate(), swPort->gate("from_swctrl"));
        EXPECT_EQ(swPort->gate("to_swctrl")->toGate(), centre->gate("from_swport", p));
    }
    EXPECT_EQ(centre->par("frmFwdDelta").longValue(), 0);
    EXPECT_EQ(centre->par("latSumDelta").longValue(), 0);

    // The stand-in centre gives the switch its section [1] values.
    initialise();
    EXPECT_EQ(sw(2)->par("domainId").longValue(), 2);
    EXPECT_EQ(sw(2)->par("raTov").longValue(), 8000);
    EXPECT_EQ(sw(2)->par("edTov").longValue(), 3000);
}

TEST_F(SwitchBuild, ASwitchWithoutPortsIsRefused)
{
    EXPECT_EQ(errorOf([this] { build("Velmora.Sw2.swPortNum = 0"); }),
              "Negative or zero module vector size SwPort[0] in compound module StandInFcSwitch");
}

} // namespace
