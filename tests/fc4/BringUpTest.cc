#include "messages/MsgKinds.h"
#include "tests/fc4/SanTestBed.h"

namespace {

constexpr double kTol = 1e-12;

class BringUp : public SanTest {};

TEST_F(BringUp, InitiatorLogsInToTheFabricAfterOneTenthTargetAfterOneTwentieth)
{
    build();
    ASSERT_EQ(run(), "");
    auto hostFlogi = fabric->sequencesNamed("FC_ELS_FLOGI", 0);
    auto chipFlogi = fabric->sequencesNamed("FC_ELS_FLOGI", 1);
    ASSERT_EQ(hostFlogi.size(), 1u);
    ASSERT_EQ(chipFlogi.size(), 1u);
    EXPECT_NEAR(hostFlogi[0]->time, 0.1 + kSend, kTol);
    EXPECT_NEAR(chipFlogi[0]->time, 0.05 + kSend, kTol);
    EXPECT_EQ(hostFlogi[0]->dId, 0xFFFFFEu);
    EXPECT_EQ(hostFlogi[0]->sId, 0u);
    EXPECT_EQ(hostFlogi[0]->rCtl, 0x22u);
    EXPECT_EQ(hostFlogi[0]->length, 116);
    EXPECT_TRUE(hostFlogi[0]->firstSeq);
    EXPECT_FALSE(hostFlogi[0]->lastSeq);
}

TEST_F(BringUp, EachStepFollowsTheOneBeforeAtItsTime)
{
    build();
    ASSERT_EQ(run(), "");
    const double hop = fabric->hop;
    const double flogi = 0.1 + kSend;
    // The switch port's link services accept, the node's take the accept.
    auto acc = fabric->sequencesNamed("FC_ELS_FLOGI_ACC", -1 - 3);
    ASSERT_EQ(acc.size(), 1u);
    EXPECT_NEAR(acc[0]->time, flogi + hop + kRecv, kTol);
    EXPECT_EQ(acc[0]->dId, kHostAddress);
    const double flogiDone = acc[0]->time + hop + kRecv;

    auto resets = fabric->eventsOfKind(REQ_LINK_RESET, 0);
    ASSERT_EQ(resets.size(), 1u);
    EXPECT_NEAR(resets[0]->time, flogiDone + 0.005, kTol);

    auto rff = fabric->sequencesNamed("FC_GS_RFFID", 0);
    ASSERT_EQ(rff.size(), 1u);
    const double secondPortUp = resets[0]->time + fabric->resetDelay;
    EXPECT_NEAR(rff[0]->time, secondPortUp + kSend, kTol);
    EXPECT_EQ(rff[0]->sId, kHostAddress);
    EXPECT_EQ(rff[0]->dId, 0xFFFFFCu);
    EXPECT_EQ(rff[0]->length, 48);

    auto gidFt = fabric->sequencesNamed("FC_GS_GIDFT", 0);
    ASSERT_EQ(gidFt.size(), 1u);
    EXPECT_NEAR(gidFt[0]->time, rff[0]->time + 2 * hop + 2 * kRecv + kSend, kTol);

    auto gff = fabric->sequencesNamed("FC_GS_GFFID", 0);
    auto plogi = fabric->sequencesNamed("FC_ELS_PLOGI", 0);
    ASSERT_EQ(gff.size(), 1u);
    ASSERT_EQ(plogi.size(), 1u);
    EXPECT_GT(gff[0]->time, gidFt[0]->time);
    EXPECT_GT(plogi[0]->time, gff[0]->time);
    EXPECT_EQ(plogi[0]->dId, chipAddress(0));
    EXPECT_EQ(plogi[0]->sId, kHostAddress);

    auto paths = hostCpu->upperOfKind(CREATE_IT_PATH);
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_GT(paths[0]->time, plogi[0]->time);
}

TEST_F(BringUp, PortLoginCreatesAnInitiatorTargetPathAtTheInitiatorOnly)
{
    SanOptions options;
    options.hostC3ConCurrSeq = 2;
    options.targetC3ConCurrSeq = 4;
    build(options);
    ASSERT_EQ(run(), "");
    auto paths = hostCpu->upperOfKind(CREATE_IT_PATH);
    ASSERT_EQ(paths.size(), 1u);
    cMessage* path = paths[0]->msg;
    EXPECT_EQ(path->par("fc4Index").longValue(), 0);
    EXPECT_EQ(path->par("fcpIndex").longValue(), 0);
    EXPECT_EQ(path->par("iniAddrId").longValue(), static_cast<long>(kHostAddress));
    EXPECT_EQ(path->par("tarAddrId").longValue(), static_cast<long>(chipAddress(0)));
    EXPECT_EQ(path->par("recTov").longValue(), 3000); // E_D_TOV 2000 + 1000 on both sides
    EXPECT_EQ(path->par("maxSioTry").longValue(), 3);
    EXPECT_TRUE(chipCpus[0]->upperOfKind(CREATE_IT_PATH).empty());

    // Both ends agree on the smaller concurrency.
    cModule* hostFcp = layer(host)->submodule("Fcp", 0);
    cModule* chipFcp = layer(chip(0))->submodule("Fcp", 0);
    EXPECT_EQ(hostFcp->par("maxConCurrIu").longValue(), 2);
    EXPECT_EQ(chipFcp->par("maxConCurrIu").longValue(), 2);
    EXPECT_TRUE(hostFcp->par("plogiDone").boolValue());
    EXPECT_TRUE(chipFcp->par("plgiDone").boolValue());
    EXPECT_EQ(hostFcp->par("eeIndex").longValue(), 1);
}

TEST_F(BringUp, TheSwitchPortAssignsDomainAreaAndPortIndex)
{
    build();
    ASSERT_EQ(run(), "");
    EXPECT_EQ(host->submodule("NxPort", 0)->par("addressId").longValue(), 0x050203);
    EXPECT_EQ(chip(0)->submodule("NxPort", 0)->par("addressId").longValue(), 0x050200);
    auto found = fabric->eventsOfKind(F_PORT_FOUND);
    EXPECT_EQ(found.size(), 2u);
    for (cModule* device : {host, chip(0)}) {
        cModule* fc4 = layer(device);
        EXPECT_TRUE(fc4->par("flogiDone").boolValue());
        EXPECT_TRUE(fc4->par("flogiLrDone").boolValue());
        EXPECT_TRUE(fc4->par("nsRegDone").boolValue());
    }
    // The fabric's values reach the port at the link reset's PORT_UP.
    cModule* port = host->submodule("NxPort", 0);
    EXPECT_EQ(port->par("currBbCredit").longValue(), 16);
    EXPECT_EQ(port->par("currEdTov").longValue(), 2000);
    EXPECT_EQ(port->par("currRaTov").longValue(), 10000);
}

TEST_F(BringUp, NameServerAnswersCarryTheirSizesAndClass)
{
    SanOptions options;
    options.targets = 2;
    build(options);
    ASSERT_EQ(run(), "");
    // The host registers last and sees both boards; each board sees the
    // ports registered before it asked.
    auto hostList = fabric->sequencesNamed("FC_GS_GIDFT_ACC", -1 - 3);
    ASSERT_EQ(hostList.size(), 1u);
    EXPECT_EQ(hostList[0]->length, 16 + 4 * 2);
    EXPECT_EQ(hostList[0]->dId, kHostAddress);
    auto lists = fabric->sequencesNamed("FC_GS_GIDFT_ACC");
    ASSERT_EQ(lists.size(), 3u);
    for (const auto* s : lists) {
        EXPECT_TRUE(s->length == 16 + 4 || s->length == 16 + 4 * 2) << s->length;
        EXPECT_EQ(s->classOfSrv, 69);
        EXPECT_EQ(s->rCtl, 3u);
        EXPECT_EQ(s->sId, 0xFFFFFCu);
        EXPECT_TRUE(s->lastSeq);
        EXPECT_FALSE(s->xferSeqInit);
    }
    for (const auto* s : fabric->sequencesNamed("FC_GS_GFFID_ACC")) {
        EXPECT_EQ(s->code, 0x8002u);
        EXPECT_EQ(s->length, 296);
    }
    // The initiator logs in to both boards; the boards log in to nobody.
    EXPECT_EQ(fabric->sequencesNamed("FC_ELS_PLOGI", 0).size(), 2u);
    EXPECT_TRUE(fabric->sequencesNamed("FC_ELS_PLOGI", 1).empty());
    EXPECT_EQ(hostCpu->upperOfKind(CREATE_IT_PATH).size(), 2u);
}

TEST_F(BringUp, EveryGrantEndsWithExactlyOneCompletion)
{
    SanOptions options;
    options.targets = 2;
    build(options);
    ASSERT_EQ(run(), "");
    for (TestProcessor* cpu : {hostCpu, chipCpus[0], chipCpus[1]}) {
        EXPECT_GT(cpu->count(ACK_PROC_REQ), 0);
        EXPECT_EQ(cpu->count(ACK_PROC_REQ), cpu->count(COMP_CPU_PROC));
        EXPECT_EQ(cpu->count(ACK_PROC_REQ), cpu->count(REQ_CPU_PROC));
        EXPECT_TRUE(cpu->grantsBalanced());
    }
}

TEST_F(BringUp, AGrantForAnEmptyAnnexQueueServesTheNormalQueue)
{
    build();
    // A stale annex grant comes before the grant of the first PORT_UP.
    hostCpu->phantomAnnexBefore = 0;
    ASSERT_EQ(run(), "");
    auto hostFlogi = fabric->sequencesNamed("FC_ELS_FLOGI", 0);
    ASSERT_EQ(hostFlogi.size(), 1u);
    EXPECT_NEAR(hostFlogi[0]->time, 0.1 + kSend, kTol);
    EXPECT_EQ(hostCpu->count(ACK_PROC_REQ), hostCpu->count(REQ_CPU_PROC) + 1);
    EXPECT_EQ(hostCpu->count(ACK_PROC_REQ), hostCpu->count(COMP_CPU_PROC));
    EXPECT_TRUE(hostCpu->grantsBalanced());
    EXPECT_EQ(hostCpu->upperOfKind(CREATE_IT_PATH).size(), 1u);
}

} // namespace
