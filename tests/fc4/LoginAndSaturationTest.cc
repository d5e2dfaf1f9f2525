#include "fc4/SequenceEnvelope.h"
#include "messages/MsgKinds.h"
#include "tests/fc4/SanTestBed.h"

namespace {

constexpr double kTol = 1e-12;
constexpr unsigned long kSilentTarget = 0x0A0B0C;

class LoginAndSaturation : public SanTest {
  protected:
    static int occurrences(const std::string& text, const std::string& what)
    {
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
            ++n;
        return n;
    }
};

TEST_F(LoginAndSaturation, APortLoginWithoutAnswerIsTriedThreeTimesThenGivenUp)
{
    build();
    // Registered with the name server, but nothing answers at that address.
    fabric->nameServer[kSilentTarget] = false;
    ASSERT_EQ(run(), "");
    std::vector<const TestFabric::Sequence*> tries;
    for (const auto* s : fabric->sequencesNamed("FC_ELS_PLOGI", 0))
        if (s->dId == kSilentTarget)
            tries.push_back(s);
    ASSERT_EQ(tries.size(), 3u);
    // E_D_TOV 2000 ms, then one send cost for the new request.
    EXPECT_NEAR(tries[1]->time - tries[0]->time, 2.0 + kSend, kTol);
    EXPECT_NEAR(tries[2]->time - tries[1]->time, 2.0 + kSend, kTol);
    EXPECT_FALSE(tries[0]->delivered);
    EXPECT_EQ(fabric->eventsOfKind(PLOGI_TO_RM_OESB, 0).size(), 3u);
    const std::string log = warningsLog();
    EXPECT_EQ(occurrences(log, "NOTICE: PLOGI_TIME_OUT find an existing ELS StateBlock, about to re-schedule PLOGI!"),
              3);
    EXPECT_EQ(occurrences(log, "ALERT: PLOGI Exceeds the maximum retry attempts!"), 1);
    // The target that answers is logged in to all the same, and the link
    // services are left with nothing open.
    EXPECT_EQ(hostCpu->upperOfKind(CREATE_IT_PATH).size(), 1u);
    EXPECT_EQ(layer(host)->submodule("FcEls")->par("currConCurrIu").longValue(), 0);
}

TEST_F(LoginAndSaturation, SaturatedLinkServicesHoldTheAnnexRequestAndAskAgainLater)
{
    SanOptions options;
    options.defConCurrSeq = 1;
    options.targets = 2;
    build(options);
    ASSERT_EQ(run(), "");
    // Both targets get their login in the end.
    EXPECT_EQ(hostCpu->upperOfKind(CREATE_IT_PATH).size(), 2u);
    EXPECT_EQ(hostCpu->count(ACK_PROC_REQ), hostCpu->count(COMP_CPU_PROC));
    EXPECT_TRUE(hostCpu->grantsBalanced());

    // A saturated annex grant completes at once and the request is made
    // again 0.005 s later.
    int reasked = 0;
    const auto& h = hostCpu->handshakes;
    for (size_t i = 0; i + 1 < h.size(); ++i) {
        if (h[i].kind != ACK_PROC_REQ || !h[i].anx || h[i + 1].kind != COMP_CPU_PROC ||
            std::abs(h[i + 1].time - h[i].time) > kTol)
            continue;
        for (size_t j = i + 1; j < h.size(); ++j)
            if (h[j].kind == REQ_CPU_PROC && h[j].anx && std::abs(h[j].time - (h[i].time + 0.005)) < kTol) {
                ++reasked;
                break;
            }
    }
    EXPECT_GT(reasked, 0);
}

TEST_F(LoginAndSaturation, AnExchangeEndOnTheLinkServicePairIsOfferedToBothServices)
{
    build();
    auto* free = new cMessage("OESB_FREE", OESB_FREE, 0);
    free->addPar("portIndex").setLongValue(0);
    free->addPar("eeIndex").setLongValue(0);
    free->addPar("fc4MemAddr").setLongValue(999999);
    fabric->injections.push_back({1.0, 0, free});
    ASSERT_EQ(run(), "");
    int annexRequests = 0;
    for (const auto& h : hostCpu->handshakes)
        if (h.kind == REQ_CPU_PROC && h.anx && std::abs(h.time - 1.0) < kTol)
            ++annexRequests;
    EXPECT_EQ(annexRequests, 2);
    EXPECT_TRUE(hostCpu->grantsBalanced());
    EXPECT_TRUE(hostCpu->upperOfKind(FREE_LUNPT_SIO).empty());
}

TEST_F(LoginAndSaturation, AScsiSequenceFromAPortWithoutPairIsDroppedWithAWarning)
{
    build();
    auto* iu = new FcpIu("FCP_DATA", FCP_DATA);
    iu->setLength(10);
    EnvelopeRoute route;
    route.sId = 0x0A0B0C;
    route.dId = kHostAddress;
    route.rCtl = 1;
    route.type = 8;
    fabric->injections.push_back({1.0, 0, new_envelope(iu, 5, root, route)});
    ASSERT_EQ(run(), "");
    EXPECT_NE(warningsLog().find("WARNINGS: FC-4/SCSI_FCP: FC_SEQ_PAYLOAD Break point ... for debugging"),
              std::string::npos);
    EXPECT_TRUE(hostCpu->grantsBalanced());
}

TEST_F(LoginAndSaturation, ALostPortIsLoggedOutAndItsPathRemoved)
{
    build();
    // A feature query for an unregistered port is rejected: the port is lost.
    fabric->injections.push_back({1.0, 0, rscnAboutChip(0, 777777)});
    hostCpu->onUpper = [this](TestProcessor&, cMessage* msg, int) {
        if (msg->kind() == CREATE_IT_PATH)
            fabric->nameServer.erase(static_cast<std::uint32_t>(chipAddress(0)));
    };
    ASSERT_EQ(run(), "");
    EXPECT_EQ(fabric->eventsOfKind(REQ_PLOUT, 0).size(), 1u);
    auto removed = hostCpu->upperOfKind(REMOVE_IT_PATH);
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(removed[0]->msg->par("fcpIndex").longValue(), 0);
    EXPECT_EQ(removed[0]->msg->par("fc4Index").longValue(), 0);
    cModule* fcp = layer(host)->submodule("Fcp", 0);
    EXPECT_FALSE(fcp->par("plogiDone").boolValue());
    EXPECT_EQ(fcp->par("eeIndex").longValue(), -1);
}

TEST_F(LoginAndSaturation, ALogoutWhileTheTargetSendsAReadsResponseDropsItsExchangeReleaseWithAWarning)
{
    build();
    hostIssues({{SCSI_READ, 4096}});
    targetsAnswer();
    // The host logs out of the board (as FC-2 reports it) one hop after the
    // board's LUN side asked for the read's response, while the board's
    // engine is still building it.
    auto answer = chipCpus[0]->onUpper;
    double askedAt = -1;
    chipCpus[0]->onUpper = [this, answer, &askedAt](TestProcessor& cpu, cMessage* msg, int fc4) {
        if (msg->kind() == REQ_CMD_COMP && askedAt < 0) {
            askedAt = simTime();
            auto* out = new cMessage("PLOUT_SUCC", PLOUT_SUCC, 0);
            out->addPar("eeIndex").setLongValue(1);
            out->addPar("portIndex").setLongValue(0);
            fabric->sendToNode(out, 1, fabric->hop);
        }
        answer(cpu, msg, fc4);
    };
    ASSERT_EQ(run(), "");
    ASSERT_GT(askedAt, 0);
    // The response went out; its exchange release found the pair gone and
    // was dropped, and the pair's removal reached the LUN side.
    auto rsp = fabric->sequencesNamed("FCP_RSP", 1);
    ASSERT_EQ(rsp.size(), 1u);
    EXPECT_GT(rsp[0]->time, askedAt + fabric->hop);
    EXPECT_TRUE(fabric->eventsOfKind(RESB_FREE, 1).empty());
    EXPECT_EQ(occurrences(warningsLog(), "WARNING: RESB_FREE detected missing FCP Pair!"), 1);
    EXPECT_EQ(chipCpus[0]->upperOfKind(REMOVE_IT_PATH).size(), 1u);
    EXPECT_TRUE(chipCpus[0]->grantsBalanced());
}

TEST_F(LoginAndSaturation, APrimitiveOfAnIoThatALogoutEndedIsDroppedOnceThePairServesANewLogin)
{
    build();
    hostIssues({{SCSI_READ, 4096}});
    TestProcessor::LunTarget slow;
    slow.delay = [](const ScsiCdb&, unsigned long) { return 5e-3; };
    chipCpus[0]->answerAsLunControllers(&slow);
    // As the read's command reaches the board's LUN side, FC-2 reports the
    // host logged out and, right after, logged in again on the same pair.
    auto answer = chipCpus[0]->onUpper;
    double cmdAt = -1;
    chipCpus[0]->onUpper = [this, answer, &cmdAt](TestProcessor& cpu, cMessage* msg, int fc4) {
        if (msg->kind() == SCSI_CMD_RECVD && cmdAt < 0) {
            cmdAt = simTime();
            auto* out = new cMessage("PLOUT_SUCC", PLOUT_SUCC, 0);
            out->addPar("eeIndex").setLongValue(1);
            out->addPar("portIndex").setLongValue(0);
            fabric->sendToNode(out, 1, fabric->hop);
            auto* in = new cMessage("PLOGI_SUCC", PLOGI_SUCC, 0);
            in->addPar("maxConCurrIu").setLongValue(8);
            in->addPar("eeIndex").setLongValue(1);
            in->addPar("portIndex").setLongValue(0);
            in->addPar("newRecTov").setLongValue(3000);
            fabric->sendToNode(in, 1, 2 * fabric->hop);
        }
        answer(cpu, msg, fc4);
    };
    ASSERT_EQ(run(), "");
    ASSERT_GT(cmdAt, 0);
    // The old path went, the new one came; the read's data, answered 5 ms
    // later on the new pair, belonged to the ended I/O and was dropped.
    EXPECT_EQ(chipCpus[0]->upperOfKind(REMOVE_IT_PATH).size(), 1u);
    EXPECT_EQ(occurrences(warningsLog(), "WARNING: SEND_DATA_IN belongs to an aborted I/O, dropped!"), 1);
    EXPECT_TRUE(fabric->sequencesNamed("FCP_DATA", 1).empty());
    cModule* fcp = layer(chip(0))->submodule("Fcp", 0);
    EXPECT_TRUE(fcp->par("plogiDone").boolValue());
    EXPECT_TRUE(chipCpus[0]->grantsBalanced());
}

} // namespace
