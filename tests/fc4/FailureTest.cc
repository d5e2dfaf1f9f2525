#include "messages/MsgKinds.h"
#include "tests/fc4/SanTestBed.h"

namespace {

class Failure : public SanTest {
  protected:
    // The board answers every read-type command with data of `reqSize`
    // bytes, whatever the command asked for.
    void targetSendsData(unsigned long reqSize)
    {
        chipCpus[0]->onUpper = [reqSize](TestProcessor& cpu, cMessage* msg, int fc4) {
            if (msg->kind() != SCSI_CMD_RECVD)
                return;
            auto* cmd = static_cast<ScsiCmdRecvd*>(msg);
            auto* data = new SendDataIn("SEND_DATA_IN", SEND_DATA_IN);
            data->setLength(static_cast<long>(reqSize));
            data->setReqSize(static_cast<std::uint32_t>(reqSize));
            data->setFcpIndex(cmd->getFcpIndex());
            data->setIoId(cmd->getIoId());
            cpu.sendDown(data, fc4);
        };
    }
};

TEST_F(Failure, ConcurrencyOutsideItsRangeStopsTheRun)
{
    SanOptions options;
    options.defConCurrSeq = 0;
    build(options);
    EXPECT_EQ(runToError(), "---> defConCurrSeq must be within [1,255]. Please check the file \"omnetpp.ini\"");
}

TEST_F(Failure, APortWithoutPeersStopsTheRunNamingItsFile)
{
    SanOptions options;
    options.maxPeerPort = 0;
    build(options);
    EXPECT_EQ(runToError(),
              "---> NxPort[0] : MaxPeerPort should > 0. Please check section [2] of the file \"host.conf\"");
}

// An initiator that finds more target ports than its MaxPeerPort can hold
// stops the run naming that setting, its value and its file.
TEST_F(Failure, MoreTargetsThanMaxPeerPortStopTheRunNamingTheSettingAndItsFile)
{
    SanOptions options;
    options.targets = 2;
    options.maxPeerPort = 1;
    build(options);
    EXPECT_EQ(runToError(), "---> proc_target_found : cannot allocate a tarList! Please enlarge MaxPeerPort (now 1) in "
                            "section [2] of the file \"host.conf\"");
}

TEST_F(Failure, APortThatHoldsAnAddressDoesNotLogInToTheFabric)
{
    build();
    host->submodule("NxPort", 0)->par("addressId").setLongValue(0x010101);
    EXPECT_EQ(runToError(), "ERROR: Address_ID has been assigned. Couldn't request Fabric Login!");
}

TEST_F(Failure, ACommandForADownPortIsDroppedButItsBlockStaysWithTheInitiator)
{
    build();
    SendScsiCmd* early = newCommand(SCSI_READ, 512, 0, 1);
    hostCpu->sendDown(early, 0, 0.01);
    hostIssues({{SCSI_READ, 512}});
    targetsAnswer();
    ASSERT_EQ(run(), "");
    EXPECT_NE(warningsLog().find("WARNING: ignore SEND_SCSI_CMD when device is down!"), std::string::npos);
    // The block is the test's to delete; reading it shows it is still there.
    EXPECT_EQ(cdbs[0]->getDataLen(), 512u);
    EXPECT_EQ(hostCpu->upperOfKind(CMD_COMP_RECVD).size(), 1u);
}

TEST_F(Failure, PrimitivesFromAboveWhileThePortIsDownAreDroppedAndTheRunGoesOn)
{
    build();
    auto* data = new SendDataIn("SEND_DATA_IN", SEND_DATA_IN);
    data->setFcpIndex(0);
    hostCpu->sendDown(data, 0, 0.01);
    cMessage* abort = new cMessage("REQ_ABT_SIO", REQ_ABT_SIO, 0);
    abort->addPar("target").setLongValue(0);
    hostCpu->sendDown(abort, 0, 0.02);
    hostIssues({{SCSI_READ, 512}});
    targetsAnswer();
    ASSERT_EQ(run(), "");
    const std::string log = warningsLog();
    EXPECT_NE(log.find("WARNING: ignore SEND_DATA_IN when device is down!"), std::string::npos);
    EXPECT_NE(log.find("WARNING: ignore REQ_ABT_SIO when device is down!"), std::string::npos);
    EXPECT_EQ(hostCpu->upperOfKind(CMD_COMP_RECVD).size(), 1u);
    EXPECT_TRUE(hostCpu->grantsBalanced());
}

struct Refusal {
    const char* name;
    int kind;
    const char* text;
};

class RefusedWhileDown : public Failure, public ::testing::WithParamInterface<Refusal> {};

TEST_P(RefusedWhileDown, StopsTheRunNamingTheMessage)
{
    build();
    hostCpu->sendDown(stoppedOn(new cMessage(GetParam().name, GetParam().kind, 0)), 0, 0.01);
    EXPECT_EQ(runToError(), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RefusedWhileDown,
    ::testing::Values(
        Refusal{"REQ_PLOUT", REQ_PLOUT, "ERROR: N_PORT can not receive REQ_PLOUT in DEVICE_DOWN!"},
        Refusal{"REQ_GID_FT", REQ_GID_FT, "ERROR: N_PORT can not receive REQ_GID_FT in DEVICE_DOWN!"},
        Refusal{"CREATE_IT_PATH", CREATE_IT_PATH, "ERROR: CREATE_IT_PATH can not be received when device is down!"},
        Refusal{"ABTX_TO_RM_OESB", ABTX_TO_RM_OESB, "ERROR: cannot receive ABTX_TO_RM_OESB when device is down"},
        Refusal{"FCP_REQ_DATA_OUT", FCP_REQ_DATA_OUT,
                "ERROR: FCP_REQ_DATA_OUT cannot be received when device is down!"}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

TEST_F(Failure, MoreCommandsThanThePairAllowsExhaustTheEngine)
{
    SanOptions options;
    options.hostC3ConCurrSeq = 2;
    build(options);
    // The board never answers, so all three stay open.
    hostIssues({{SCSI_READ, 512}, {SCSI_READ, 512}, {SCSI_READ, 512}});
    EXPECT_EQ(runToError(), "ERROR: Couldn't get a free FCP OSB!");
}

TEST_F(Failure, DataForAWriteFromTheTargetStopsTheRun)
{
    build();
    hostIssues({{SCSI_WRITE, 512}});
    targetSendsData(512);
    EXPECT_EQ(runToError(), "ERROR: Illegal RD_DATA and WR_DATA flags!");
}

TEST_F(Failure, DataShortOfTheCommandsLengthStopsTheRun)
{
    build();
    hostIssues({{SCSI_READ, 4096}});
    targetSendsData(1024);
    EXPECT_EQ(runToError(), "---> recv_fcp_data : expected all data done");
}

TEST_F(Failure, AShortPortListStopsTheRunNamingTheFile)
{
    build();
    // The name server announces one entry more than it writes.
    fabric->extraAnnouncedEntries = 1;
    EXPECT_EQ(runToError(),
              "---> GID_FT list in the file \"out/GidFt50000.tmp\" holds 0 of the 1 identifiers announced");
}

} // namespace
