#include "messages/MsgKinds.h"
#include "tests/fc4/SanTestBed.h"

namespace {

class Abort : public SanTest {
  protected:
    // The host sends one read and aborts it `after` seconds later; a second
    // read follows when `thenRead`.
    void hostReadsAndAborts(double after, bool thenRead)
    {
        hostCpu->onUpper = [this, after, thenRead](TestProcessor& cpu, cMessage* msg, int fc4) {
            if (msg->kind() == CREATE_IT_PATH) {
                const int fcp = static_cast<int>(msg->par("fcpIndex").longValue());
                cpu.sendDown(newCommand(SCSI_READ, 4096, fcp, 1000), fc4);
                auto* abort = new cMessage("REQ_ABT_SIO", REQ_ABT_SIO, 0);
                abort->addPar("ioId").setLongValue(1000);
                abort->addPar("initiator").setLongValue(0);
                abort->addPar("target").setLongValue(fcp);
                cpu.sendDown(abort, fc4, after);
                if (thenRead)
                    cpu.sendDown(newCommand(SCSI_READ, 4096, fcp, 1001), fc4, 2 * after);
            } else if (msg->kind() == CMD_COMP_RECVD) {
                auto* comp = static_cast<CmdCompRecvd*>(msg);
                auto* conf = new CmdCompConf("CMD_COMP_CONF", CMD_COMP_CONF);
                conf->setLength(0);
                conf->setFcpIndex(comp->getFcpIndex());
                conf->setLun(comp->getLun());
                conf->setIoId(comp->getIoId());
                cpu.sendDown(conf, fc4);
            }
        };
    }
};

TEST_F(Abort, AnAbortedReadIsClosedAtBothEnds)
{
    build();
    hostReadsAndAborts(0.01, false);
    // The board's LUN controller sits on the command.
    ASSERT_EQ(run(), "");

    auto esb = fabric->eventsOfKind(ABT_SIO_REQ_ESB, 0);
    ASSERT_EQ(esb.size(), 1u);
    auto abtx = fabric->sequencesNamed("FC_ELS_ABTX", 0);
    ASSERT_EQ(abtx.size(), 1u);
    EXPECT_EQ(abtx[0]->length, 44);
    EXPECT_EQ(abtx[0]->sId, kHostAddress);
    EXPECT_EQ(abtx[0]->dId, chipAddress(0));
    EXPECT_EQ(fabric->eventsOfKind(ABORT_EXCHANGE, 1).size(), 1u);
    auto acc = fabric->sequencesNamed("FC_ELS_ABTX_ACC", 1);
    ASSERT_EQ(acc.size(), 1u);
    EXPECT_EQ(acc[0]->length, 4);
    EXPECT_EQ(acc[0]->dId, kHostAddress);

    auto aborted = chipCpus[0]->upperOfKind(ABORT_LUNIO);
    ASSERT_EQ(aborted.size(), 1u);
    EXPECT_EQ(aborted[0]->msg->par("ioId").longValue(), 1000);
    EXPECT_EQ(aborted[0]->msg->par("lun").longValue(), 1);
    EXPECT_EQ(aborted[0]->msg->par("fc4Index").longValue(), 0);
    EXPECT_EQ(aborted[0]->msg->par("fcpIndex").longValue(), 0);
    EXPECT_EQ(aborted[0]->msg->par("chipId").longValue(), 0);

    auto frees = hostCpu->upperOfKind(FREE_LUNPT_SIO);
    ASSERT_EQ(frees.size(), 1u);
    EXPECT_EQ(frees[0]->msg->par("initiator").longValue(), 0);
    EXPECT_EQ(frees[0]->msg->par("target").longValue(), 0);
    EXPECT_EQ(layer(host)->submodule("FcEls")->par("currConCurrIu").longValue(), 0);
    EXPECT_TRUE(hostCpu->grantsBalanced());
    EXPECT_TRUE(chipCpus[0]->grantsBalanced());
}

TEST_F(Abort, LateWorkOfAnAbortedIoIsDroppedWithAWarning)
{
    build();
    hostReadsAndAborts(0.01, true);
    targetsAnswer();
    // The board answers the first read only after it was aborted: its data
    // was already queued for the FCP engine.
    auto answer = chipCpus[0]->onUpper;
    chipCpus[0]->onUpper = [answer](TestProcessor& cpu, cMessage* msg, int fc4) {
        if (msg->kind() == SCSI_CMD_RECVD && static_cast<ScsiCmdRecvd*>(msg)->getIoId() == 1000)
            return;
        if (msg->kind() == ABORT_LUNIO) {
            auto* data = new SendDataIn("SEND_DATA_IN", SEND_DATA_IN);
            data->setLength(4096);
            data->setReqSize(4096);
            data->setFcpIndex(0);
            data->setIoId(1000);
            cpu.sendDown(data, fc4);
            return;
        }
        answer(cpu, msg, fc4);
    };
    ASSERT_EQ(run(), "");
    EXPECT_NE(warningsLog().find("WARNING: SEND_DATA_IN belongs to an aborted I/O, dropped!"), std::string::npos);
    auto comps = hostCpu->upperOfKind(CMD_COMP_RECVD);
    ASSERT_EQ(comps.size(), 1u);
    EXPECT_EQ(static_cast<CmdCompRecvd*>(comps[0]->msg)->getIoId(), 1001u);
}

TEST_F(Abort, AnAbortForAnUnknownIoOnlyWarns)
{
    build();
    hostCpu->onUpper = [](TestProcessor& cpu, cMessage* msg, int fc4) {
        if (msg->kind() != CREATE_IT_PATH)
            return;
        auto* abort = new cMessage("REQ_ABT_SIO", REQ_ABT_SIO, 0);
        abort->addPar("ioId").setLongValue(4242);
        abort->addPar("initiator").setLongValue(0);
        abort->addPar("target").setLongValue(msg->par("fcpIndex").longValue());
        cpu.sendDown(abort, fc4);
    };
    ASSERT_EQ(run(), "");
    EXPECT_NE(warningsLog().find("WARNING: REQ_ABT_SIO found no requested FCP IO Table!"), std::string::npos);
    EXPECT_TRUE(fabric->eventsOfKind(ABT_SIO_REQ_ESB).empty());
}

} // namespace
