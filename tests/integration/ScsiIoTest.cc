// One 64 KB read and one 64 KB write from the host's SCSI side to the board's
// LUN controllers, carried as FCP information units over the real ports and
// seen at the switch, at both SCSI sides and in the end-to-end statistics.

#include <numeric>
#include <string>
#include <vector>

#include "fcport/SequenceFrames.h"
#include "messages/MsgKinds.h"
#include "tests/integration/SanBedTest.h"

namespace {

constexpr unsigned long IO_BYTES = 65536;

class FabricScsiIo : public SanBedTest {
  protected:
    void SetUp() override
    {
        SanBedTest::SetUp();
        build({{{SCSI_READ, IO_BYTES}, {SCSI_WRITE, IO_BYTES}}, 1e-3});
        ASSERT_EQ(run(), "");
    }
    // The FCP frames of one routing control that the switch forwarded from
    // port `from`, split at `split`: those before it, or (after) those after.
    std::vector<const CentreProbe::Frame*> fcp(unsigned rCtl, int from, bool after) const
    {
        std::vector<const CentreProbe::Frame*> out;
        for (const auto* f : centre().framesOf(TYPE_SCSI_FCP, rCtl))
            if (f->from == from && (f->time > split()) == after)
                out.push_back(f);
        return out;
    }
    // The write was issued 1 ms after the read, when the read was done.
    double split() const { return scsi().completions.at(1).issuedAt; }
    static unsigned long bytes(const std::vector<const CentreProbe::Frame*>& frames)
    {
        return std::accumulate(frames.begin(), frames.end(), 0ul,
                               [](unsigned long n, const CentreProbe::Frame* f) { return n + f->payLen; });
    }
};

TEST_F(FabricScsiIo, AReadBringsItsDataBackBeforeTheResponseAndIsConfirmedToAClosedExchange)
{
    const auto cmnd = fcp(RCTL_FCP_CMND, 0, false);
    const auto data = fcp(RCTL_FCP_DATA, 1, false);
    const auto rsp = fcp(RCTL_FCP_RSP, 1, false);
    const auto conf = fcp(RCTL_FCP_CONF, 0, false);
    ASSERT_EQ(cmnd.size(), 1u);
    EXPECT_EQ(cmnd[0]->payLen, 32u);
    EXPECT_EQ(cmnd[0]->sId, HOST_ADDRESS);
    EXPECT_EQ(cmnd[0]->dId, TARGET_ADDRESS);
    EXPECT_TRUE(fcp(RCTL_FCP_XFER_RDY, 1, false).empty());
    // The data in 2048-byte frames, then the response, then the confirmation.
    ASSERT_EQ(data.size(), IO_BYTES / 2048);
    EXPECT_EQ(bytes(data), IO_BYTES);
    ASSERT_EQ(rsp.size(), 1u);
    EXPECT_EQ(rsp[0]->payLen, 24u);
    EXPECT_GT(data.front()->time, cmnd[0]->time);
    EXPECT_GT(rsp[0]->time, data.back()->time);
    ASSERT_EQ(conf.size(), 1u);
    EXPECT_EQ(conf[0]->payLen, 2u);
    EXPECT_GT(conf[0]->time, rsp[0]->time);

    // The board's LUN side got the command and was asked for the response
    // once the data had gone. The target's exchange ended with its response,
    // so its FC-2 dropped the confirmation: none reached the LUN side.
    ASSERT_EQ(boardCpu().upperOfKind(SCSI_CMD_RECVD).size(), 2u);
    EXPECT_EQ(boardCpu().upperOfKind(REQ_CMD_COMP).size(), 1u);
    EXPECT_GT(boardCpu().upperOfKind(REQ_CMD_COMP)[0]->time, data.back()->time);
    EXPECT_TRUE(boardCpu().upperOfKind(COMP_CONF_RECVD).empty());
    // The host's SCSI side got a good completion, and the end of the read's
    // exchange freed its path slot.
    const auto& done = scsi().completions.at(0);
    EXPECT_EQ(done.code, SCSI_READ);
    EXPECT_EQ(done.status, 0);
    EXPECT_GT(done.time, rsp[0]->time);
    EXPECT_EQ(scsi().freed, 1);
    EXPECT_EQ(scsi().unexpectedFrees, 0);
}

TEST_F(FabricScsiIo, AWriteSendsItsDataOnTransferReadyAndEndsWithTheResponseAlone)
{
    const auto cmnd = fcp(RCTL_FCP_CMND, 0, true);
    const auto ready = fcp(RCTL_FCP_XFER_RDY, 1, true);
    const auto data = fcp(RCTL_FCP_DATA, 0, true);
    const auto rsp = fcp(RCTL_FCP_RSP, 1, true);
    ASSERT_EQ(cmnd.size(), 1u);
    ASSERT_EQ(ready.size(), 1u);
    EXPECT_EQ(ready[0]->payLen, 12u);
    EXPECT_GT(ready[0]->time, cmnd[0]->time);
    ASSERT_EQ(data.size(), IO_BYTES / 2048);
    EXPECT_EQ(bytes(data), IO_BYTES);
    EXPECT_GT(data.front()->time, ready[0]->time);
    ASSERT_EQ(rsp.size(), 1u);
    EXPECT_GT(rsp[0]->time, data.back()->time);
    EXPECT_TRUE(fcp(RCTL_FCP_CONF, 0, true).empty());

    // The board got all the data in one piece.
    const auto received = boardCpu().upperOfKind(DATA_OUT_RECVD);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(static_cast<const DataOutRecvd*>(received[0]->msg)->getBurstLen(), IO_BYTES);
    const auto& done = scsi().completions.at(1);
    EXPECT_EQ(done.code, SCSI_WRITE);
    EXPECT_EQ(done.status, 0);
    // A completed write frees its path slot at the SCSI side itself.
    EXPECT_EQ(scsi().freed, 1);
    EXPECT_EQ(scsi().blocksHeld(), 0u);
}

TEST_F(FabricScsiIo, BothEndsWriteTheirEndToEndStatisticsWithTheRouteThroughTheSwitch)
{
    // Each end received 35 frames from the other in the first period with
    // traffic: the host the read's 32 data frames, the transfer ready and
    // two responses; the board two commands, the confirmation and the
    // write's 32 data frames. The run ended with that period.
    const std::string names[] = {"out/ee/From_328193_To_328192.EeStat", "out/ee/From_328192_To_328193.EeStat"};
    const unsigned long received[] = {2 * IO_BYTES / 2 + 12 + 24 + 24, 32 + 2 + 32 + IO_BYTES};
    for (int i = 0; i < 2; ++i) {
        const auto lines = readLines(names[i]);
        ASSERT_EQ(lines.size(), 3u) << names[i];
        EXPECT_EQ(lines[0].substr(0, 30), "SimTime(ms)       ExchNew     ");
        EXPECT_EQ(lines[1], std::string(144, '-'));
        const std::string& row = lines[2];
        EXPECT_EQ(row.substr(0, 54), "200.0000          2           2           35          ") << names[i];
        char frmLen[32];
        std::snprintf(frmLen, sizeof frmLen, "%.3f", double(received[i]) / 35 / 1024);
        EXPECT_EQ(row.substr(69, 15).substr(0, std::string(frmLen).size()), frmLen) << names[i];
        EXPECT_EQ(row.substr(row.size() - 1), "5") << names[i]; // Domain_ID of the switch
    }
}

} // namespace
