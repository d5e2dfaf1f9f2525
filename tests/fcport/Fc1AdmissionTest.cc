// Frame admission in the receive buffer: by the port's mode, the frame's
// destination and its class, a frame is received, forwarded or discarded,
// or the run stops; every frame the buffer is done with returns one R_RDY.

#include "fcport/PortCodes.h"
#include "messages/MsgKinds.h"
#include "tests/fcport/Fc1Fixture.h"

namespace {

enum Outcome { RECEIVED, FORWARDED, DISCARDED, STOPS };

struct AdmissionCase {
    const char* label;
    const char* receiverType; // "TestHost" or "TestSwitch"
    long mode;
    long addressId;
    unsigned long dId;
    unsigned long sof;
    Outcome outcome;
    const char* error;
};

void PrintTo(const AdmissionCase& c, std::ostream* os)
{
    *os << c.label;
}

class Fc1AdmissionTest : public Fc1Test, public ::testing::WithParamInterface<AdmissionCase> {
  protected:
    void SetUp() override
    {
        Fc1Test::SetUp();
        const AdmissionCase& c = GetParam();
        addCable("DevA", "TestHost", "DevB", c.receiverType, 2e-5);
        build();
        PortSetup b;
        b.addressId = c.addressId;
        setPort("DevB", b);
        root->submodule("DevB")->addPar("domainId").setLongValue(5);
        // After link up, as FC-2 or the switch's link services would.
        const long mode = c.mode;
        stub("DevB")->at(0.005, [mode](Fc2Stub& s) { s.port()->par("portMode").setLongValue(mode); });
        FrameShape f;
        f.dId = c.dId;
        f.sof = c.sof;
        f.payLen = 512;
        stub("DevA")->sendFrames(0.01, 1, f);
    }
};

TEST_P(Fc1AdmissionTest, FrameIsAdmittedAsTheModeAndDestinationSay)
{
    const AdmissionCase& c = GetParam();
    const std::string error = errorOf([&] { run(); });
    if (c.outcome == STOPS) {
        EXPECT_EQ(error, c.error);
        return;
    }
    ASSERT_EQ(error, "");
    Fc2Stub* b = stub("DevB");
    EXPECT_EQ(b->of(REQ_FRM_RX).size(), c.outcome == RECEIVED ? 1u : 0u);
    EXPECT_EQ(b->of(REQ_FRM_FWD).size(), c.outcome == FORWARDED ? 1u : 0u);
    const size_t partsUp = c.outcome == DISCARDED ? 0u : 1u;
    EXPECT_EQ(b->of(FC_FRAME_PAYLOAD).size(), partsUp);
    EXPECT_EQ(b->of(FC_FRAME_TAIL).size(), partsUp);
    if (c.outcome == FORWARDED) {
        EXPECT_EQ(b->of(REQ_FRM_FWD).at(0).destId, static_cast<long>(c.dId));
        EXPECT_EQ(b->of(REQ_FRM_FWD).at(0).srcPort, 0);
    }
    if (c.outcome == DISCARDED) {
        EXPECT_NE(readFile("Warnings.log").find("WARNING: N_Port ignores non Class-3 frame."), std::string::npos);
    }
    // Whatever became of it, the frame's credit comes back once.
    EXPECT_EQ(stub("DevA")->times(R_RDY).size(), 1u);
    EXPECT_EQ(port("DevA")->par("currBbCnt").longValue(), 0);
}

const AdmissionCase cases[] = {
    {"NPortWithoutAddressTakesAnyNPortId", "TestHost", N_PORT_MODE, 0, 0x010203, SOFi3, RECEIVED, ""},
    {"NPortTakesItsOwnAddress", "TestHost", N_PORT_MODE, 0x010203, 0x010203, SOFn3, RECEIVED, ""},
    {"NPortStopsOnAnotherAddress", "TestHost", N_PORT_MODE, 0x010203, 0x010204, SOFi3, STOPS,
     "ERROR: Wrong N_PORT Destination - addrId[66051], dId[66052] !"},
    {"NPortWithoutAddressStopsAboveTheNPortRange", "TestHost", N_PORT_MODE, 0, 0xF00000, SOFi3, STOPS,
     "ERROR: Wrong N_PORT Destination - addrId[0], dId[15728640] !"},
    {"NPortDiscardsClassF", "TestHost", N_PORT_MODE, 0, 0x010203, SOFf, DISCARDED, ""},
    {"UnknownModeTakesFlogiToTheLoginServer", "TestSwitch", PORT_MODE_NONE, 0, 0xFFFFFE, SOFi3, RECEIVED, ""},
    {"UnknownModeTakesClassFToTheFabricController", "TestSwitch", PORT_MODE_NONE, 0, 0xFFFFFD, SOFf, RECEIVED, ""},
    {"UnknownModeStopsOnClass3ToTheFabricController", "TestSwitch", PORT_MODE_NONE, 0, 0xFFFFFD, SOFi3, STOPS,
     "ERROR: Port Mode is unknown, only ELP and FLOGI frames are handled!"},
    {"FPortTakesTheNameServer", "TestSwitch", F_PORT_MODE, 0, 0xFFFFFC, SOFi3, RECEIVED, ""},
    {"FPortStopsOnClassFToAWellKnownAddress", "TestSwitch", F_PORT_MODE, 0, 0xFFFFFE, SOFf, STOPS,
     "ERROR: Any frames to F_Port must be Class_3."},
    {"FPortForwardsToAnNPort", "TestSwitch", F_PORT_MODE, 0, 0x010100, SOFi3, FORWARDED, ""},
    {"FPortStopsOnForwardingClassF", "TestSwitch", F_PORT_MODE, 0, 0x010100, SOFf, STOPS,
     "ERROR: Any forwarded frames by F_Port must be Class_3."},
    {"FPortStopsOnADomainController", "TestSwitch", F_PORT_MODE, 0, 0xFFFC01, SOFf, STOPS,
     "ERROR: F_Port found invalid N_Port AddressID - addrId[16776193] !"},
    {"EPortTakesClassFToItsDomainController", "TestSwitch", E_PORT_MODE, 0, 0xFFFC05, SOFf, RECEIVED, ""},
    {"EPortStopsOnClass3ToItsDomainController", "TestSwitch", E_PORT_MODE, 0, 0xFFFC05, SOFi3, STOPS,
     "ERROR: Distributed Srv requires Class_F."},
    {"EPortStopsOnAnotherDomainController", "TestSwitch", E_PORT_MODE, 0, 0xFFFC07, SOFf, STOPS,
     "ERROR: Wrong Domain Controller destination - dId[16776199], domCtrl[16776197] !"},
    {"EPortTakesClassFToTheFabricController", "TestSwitch", E_PORT_MODE, 0, 0xFFFFFD, SOFf, RECEIVED, ""},
    {"EPortStopsOnClass3ToTheFabricController", "TestSwitch", E_PORT_MODE, 0, 0xFFFFFD, SOFi3, STOPS,
     "ERROR: E_Port Fabric Controller requires Class_F."},
    {"EPortStopsOnTheNameServer", "TestSwitch", E_PORT_MODE, 0, 0xFFFFFC, SOFf, STOPS,
     "ERROR: E_Port DIR_SRV should use domCtrl as destId."},
    {"EPortForwardsToAnNPort", "TestSwitch", E_PORT_MODE, 0, 0x020300, SOFn3, FORWARDED, ""},
    {"EPortStopsOnForwardingClassF", "TestSwitch", E_PORT_MODE, 0, 0x020300, SOFf, STOPS,
     "ERROR: E_Port can not forward frame other than Class_3."},
    {"EPortStopsOnAnInvalidAddress", "TestSwitch", E_PORT_MODE, 0, 0xFFFFFF, SOFf, STOPS,
     "ERROR: E_Port found invalid N_Port AddressID - addrId[16777215] !"},
    {"AnyOtherModeStops", "TestSwitch", 7, 0, 0x010100, SOFi3, STOPS,
     "ERROR: Invalid Frame_Flag for popping frame out of RecvBuf."},
};

INSTANTIATE_TEST_SUITE_P(ByModeAndAddress, Fc1AdmissionTest, ::testing::ValuesIn(cases),
                         [](const ::testing::TestParamInfo<AdmissionCase>& info) { return info.param.label; });

class Fc1ForwardTest : public Fc1Test {};

TEST_F(Fc1ForwardTest, ARejectedForwardIsDiscardedPieceByPieceAndStillReturnsItsCredit)
{
    addCable("DevA", "TestHost", "DevB", "TestSwitch", 2e-5);
    build();
    stub("DevB")->at(0.005, [](Fc2Stub& s) { s.port()->par("portMode").setLongValue(F_PORT_MODE); });
    stub("DevB")->rejectForwards = true;
    stub("DevA")->sendFrames(0.01, 2);
    run();
    Fc2Stub* b = stub("DevB");
    EXPECT_EQ(b->of(REQ_FRM_FWD).size(), 2u);
    EXPECT_TRUE(b->of(FC_FRAME_PAYLOAD).empty());
    EXPECT_TRUE(b->of(FC_FRAME_TAIL).empty());
    EXPECT_EQ(stub("DevA")->times(R_RDY).size(), 2u);
}

TEST_F(Fc1ForwardTest, AForwardCarriesTheFramesIdentityAsParameters)
{
    addCable("DevA", "TestHost", "DevB", "TestSwitch", 2e-5);
    build();
    stub("DevB")->at(0.005, [](Fc2Stub& s) { s.port()->par("portMode").setLongValue(E_PORT_MODE); });
    FrameShape f;
    f.dId = 0x030405;
    stub("DevA")->sendFrames(0.01, 1, f);
    run();
    ASSERT_EQ(stub("DevB")->of(REQ_FRM_FWD).size(), 1u);
    const StubRecord r = stub("DevB")->of(REQ_FRM_FWD).at(0);
    EXPECT_EQ(r.destId, 0x030405);
    EXPECT_EQ(r.dId, 0x030405u);
    EXPECT_EQ(r.frmGid, stub("DevB")->of(FC_FRAME_TAIL)[0].frmGid);
}

} // namespace
