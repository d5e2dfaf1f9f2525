#include "fc4/SequenceEnvelope.h"
#include "messages/MsgKinds.h"
#include "tests/fc4/SanTestBed.h"

namespace {

constexpr double kTol = 1e-12;

class FcpExchange : public SanTest {
  protected:
    std::vector<const TestFabric::Sequence*> units() const
    {
        std::vector<const TestFabric::Sequence*> found;
        for (const auto& s : fabric->sequences)
            if (s.type == 8)
                found.push_back(&s);
        return found;
    }
    static void expectUnit(const TestFabric::Sequence* s, const char* name, int from, unsigned rCtl, long length,
                           bool lastSeq, bool xferSeqInit)
    {
        SCOPED_TRACE(name);
        EXPECT_EQ(s->unit, name);
        EXPECT_EQ(s->from, from);
        EXPECT_EQ(s->rCtl, rCtl);
        EXPECT_EQ(s->length, length);
        EXPECT_EQ(s->lastSeq, lastSeq);
        EXPECT_EQ(s->xferSeqInit, xferSeqInit);
        EXPECT_EQ(s->classOfSrv, 69);
    }
};

TEST_F(FcpExchange, AReadCarriesCommandDataResponseAndConfirmation)
{
    build();
    hostIssues({{SCSI_READ, 65536}});
    targetsAnswer();
    ASSERT_EQ(run(), "");
    auto iu = units();
    ASSERT_EQ(iu.size(), 4u);
    expectUnit(iu[0], "FCP_CMND", 0, 6, 32, false, true);
    EXPECT_TRUE(iu[0]->firstSeq);
    EXPECT_EQ(iu[0]->sId, kHostAddress);
    EXPECT_EQ(iu[0]->dId, chipAddress(0));
    expectUnit(iu[1], "FCP_DATA", 1, 1, 65536, false, false);
    expectUnit(iu[2], "FCP_RSP", 1, 7, 24, false, true);
    expectUnit(iu[3], "FCP_CONF", 0, 3, 2, true, true);
    for (const auto* s : iu)
        EXPECT_EQ(s->key, iu[0]->key);
    // The target released the exchange with its response, so its FC-2
    // drops the confirmation.
    EXPECT_FALSE(iu[3]->delivered);
    EXPECT_EQ(fabric->eventsOfKind(RESB_FREE, 1).size(), 1u);
    EXPECT_TRUE(chipCpus[0]->upperOfKind(COMP_CONF_RECVD).empty());

    auto comps = hostCpu->upperOfKind(CMD_COMP_RECVD);
    ASSERT_EQ(comps.size(), 1u);
    auto* comp = static_cast<CmdCompRecvd*>(comps[0]->msg);
    EXPECT_EQ(comp->getIoId(), 1000u);
    EXPECT_EQ(comp->getLun(), 1u);
    EXPECT_EQ(comp->length(), 24);
    EXPECT_EQ(comp->getFcpIndex(), 0);
    EXPECT_EQ(comp->getSnsPtr(), 0);
    // Data before the response: delivered at once, no initiative held.
    EXPECT_TRUE(fabric->eventsOfKind(HOLD_INIT).empty());
    // The end of the originator exchange frees the initiator's path slot.
    auto frees = hostCpu->upperOfKind(FREE_LUNPT_SIO);
    ASSERT_EQ(frees.size(), 1u);
    EXPECT_EQ(frees[0]->msg->par("initiator").longValue(), 0);
    EXPECT_EQ(frees[0]->msg->par("target").longValue(), 0);
}

TEST_F(FcpExchange, TheTargetIsAskedForItsResponseOnceTheDataHasGone)
{
    build();
    hostIssues({{SCSI_READ, 4096}});
    targetsAnswer();
    ASSERT_EQ(run(), "");
    auto iu = units();
    ASSERT_GE(iu.size(), 3u);
    auto asks = chipCpus[0]->upperOfKind(REQ_CMD_COMP);
    ASSERT_EQ(asks.size(), 1u);
    EXPECT_EQ(asks[0]->msg->par("ioId").longValue(), 1000);
    EXPECT_EQ(asks[0]->msg->par("lun").longValue(), 1);
    // KEEP_IU_INIT comes a hop after the data and is looked up in 0.5 us.
    EXPECT_NEAR(asks[0]->time, iu[1]->time + fabric->hop + 5e-7, kTol);

    auto received = chipCpus[0]->upperOfKind(SCSI_CMD_RECVD);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0]->msg->par("recTov").longValue(), 3000);
    EXPECT_FALSE(received[0]->msg->hasPar("xcopy"));
}

TEST_F(FcpExchange, AResponseBeforeItsDataWaitsForTheDataAndHoldsTheInitiative)
{
    build();
    fabric->dataInExtraDelay = 1e-3;
    hostIssues({{SCSI_READ, 65536}});
    targetsAnswer();
    ASSERT_EQ(run(), "");
    auto data = fabric->sequencesNamed("FCP_DATA", 1);
    auto rsp = fabric->sequencesNamed("FCP_RSP", 1);
    ASSERT_EQ(data.size(), 1u);
    ASSERT_EQ(rsp.size(), 1u);
    const double dataArrives = data[0]->time + fabric->hop + 1e-3;
    EXPECT_LT(rsp[0]->time + fabric->hop, dataArrives);

    auto comps = hostCpu->upperOfKind(CMD_COMP_RECVD);
    ASSERT_EQ(comps.size(), 1u);
    EXPECT_NEAR(comps[0]->time, dataArrives + kRecv, kTol);
    auto holds = fabric->eventsOfKind(HOLD_INIT, 0);
    ASSERT_EQ(holds.size(), 1u);
    EXPECT_NEAR(holds[0]->time, comps[0]->time, kTol);
    EXPECT_EQ(fabric->sequencesNamed("FCP_CONF", 0).size(), 1u);
    EXPECT_EQ(layer(host)->submodule("Fcp", 0)->par("plogiDone").boolValue(), true);
}

TEST_F(FcpExchange, AWriteAsksForItsDataWithATransferReady)
{
    build();
    hostIssues({{SCSI_WRITE, 32768}});
    targetsAnswer();
    ASSERT_EQ(run(), "");
    auto iu = units();
    ASSERT_EQ(iu.size(), 4u);
    expectUnit(iu[0], "FCP_CMND", 0, 6, 32, false, true);
    expectUnit(iu[1], "FCP_XFER_RDY", 1, 5, 12, false, true);
    expectUnit(iu[2], "FCP_DATA", 0, 1, 32768, false, true);
    expectUnit(iu[3], "FCP_RSP", 1, 7, 24, true, true);

    auto data = chipCpus[0]->upperOfKind(DATA_OUT_RECVD);
    ASSERT_EQ(data.size(), 1u);
    auto* recvd = static_cast<DataOutRecvd*>(data[0]->msg);
    EXPECT_EQ(recvd->getBurstLen(), 32768u);
    EXPECT_EQ(recvd->length(), 32768);
    EXPECT_EQ(recvd->getDataRo(), 0u);
    EXPECT_EQ(recvd->getIoId(), 1000u);
    // The SCSI initiator takes no part in the data out, and a write is not
    // confirmed.
    EXPECT_TRUE(hostCpu->upperOfKind(FCP_REQ_DATA_OUT).empty());
    EXPECT_EQ(hostCpu->upperOfKind(CMD_COMP_RECVD).size(), 1u);
    EXPECT_TRUE(hostCpu->upperOfKind(FREE_LUNPT_SIO).empty());
    EXPECT_TRUE(fabric->eventsOfKind(RESB_FREE).empty());
}

TEST_F(FcpExchange, AnInquiryIsReadTypeWithDataAndConfirmation)
{
    build();
    hostIssues({{SCSI_INQUIRY, 0}});
    targetsAnswer();
    ASSERT_EQ(run(), "");
    auto iu = units();
    ASSERT_EQ(iu.size(), 4u);
    expectUnit(iu[1], "FCP_DATA", 1, 1, 12, false, false);
    expectUnit(iu[3], "FCP_CONF", 0, 3, 2, true, true);
    EXPECT_EQ(hostCpu->upperOfKind(CMD_COMP_RECVD).size(), 1u);
}

TEST_F(FcpExchange, TheTargetReadsItsOwnCopyOfTheCommandBlock)
{
    build();
    hostIssues({{SCSI_READ, 8192}, {SCSI_WRITE, 512}});
    targetsAnswer();
    ASSERT_EQ(run(), "");
    auto received = chipCpus[0]->upperOfKind(SCSI_CMD_RECVD);
    ASSERT_EQ(received.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        auto* cmd = static_cast<ScsiCmdRecvd*>(received[i]->msg);
        EXPECT_NE(cmd->getCdbPtr(), object_address(cdbs[i].get()));
        EXPECT_EQ(cmd->getIoId(), 1000u + i);
    }
    EXPECT_EQ(hostCpu->upperOfKind(CMD_COMP_RECVD).size(), 2u);
}

TEST_F(FcpExchange, KeysAndUnitNumbersNeverRepeat)
{
    SanOptions options;
    options.targets = 2;
    build(options);
    hostIssues({{SCSI_READ, 1024}, {SCSI_WRITE, 1024}, {SCSI_READ, 2048}});
    targetsAnswer();
    ASSERT_EQ(run(), "");
    std::set<unsigned long> commandKeys;
    for (const auto* s : fabric->sequencesNamed("FCP_CMND"))
        commandKeys.insert(s->key);
    EXPECT_EQ(commandKeys.size(), 3u);
    std::set<unsigned long> originated;
    for (const auto& s : fabric->sequences) {
        if (s.firstSeq) {
            EXPECT_TRUE(originated.insert(s.key).second) << s.unit;
        }
    }
    EXPECT_EQ(root->par("fc4IuIndex").longValue(), static_cast<long>(fabric->sequences.size()));
}

} // namespace
