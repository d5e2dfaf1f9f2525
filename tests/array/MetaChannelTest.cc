#include "tests/array/DataPathMessages.h"
#include "tests/shared/ArrayFixture.h"

namespace {

class MetaChannelTest : public ArrayTest {
  protected:
    // A meta channel `MC` on a board with ends on its three sides.
    void build(std::vector<Outgoing> cpu, std::vector<Outgoing> meta, std::vector<Outgoing> scsi)
    {
        cModule* board = compound("Chip", device, 0, 1);
        cModule* mc = findModuleType("MetaChannel")->create("MC", board);
        wire(mc, "to_cpu", "from_cpu", -1, end("Cpu", board, std::move(cpu)));
        wire(mc, "to_meta", "from_meta", -1, end("Meta", board, std::move(meta)));
        wire(mc, "to_scsi", "from_scsi", -1, end("Scsi", board, std::move(scsi)));
    }
    static Outgoing msg(double t, const char* name, int kind)
    {
        return {t, [name, kind] { return new cMessage(name, kind); }};
    }
    std::vector<std::string> names(const char* where) const
    {
        std::vector<std::string> out;
        for (const Arrival* a : at(where))
            out.push_back(a->name + "@" + std::to_string(a->time));
        return out;
    }
};

TEST_F(MetaChannelTest, CommandsRunBetweenProcessorAndFarEndCopiesToTheInitiatorReportsAway)
{
    build({msg(1, "SEND_CMD_COMP", SEND_CMD_COMP), msg(2, "SCSI_RDWR_IO", SCSI_RDWR_IO),
           msg(3, "REQ_PHY_BLK_READ", REQ_PHY_BLK_READ)},
          {msg(1, "SCSI_CMD_RECVD", SCSI_CMD_RECVD), msg(2, "SCSI_RDWR_IO", SCSI_RDWR_IO),
           msg(3, "RMT_IO_GEN_RDY", RMT_IO_GEN_RDY), msg(4, "PHY_BLK_WRITE_COMP", PHY_BLK_WRITE_COMP)},
          {msg(5, "RMT_IO_GEN_RDY", RMT_IO_GEN_RDY)});
    runAll();
    // No delay of its own: everything leaves in the instant it came.
    EXPECT_EQ(names("Meta"), (std::vector<std::string>{"SEND_CMD_COMP@1.000000", "SCSI_RDWR_IO@2.000000",
                                                       "REQ_PHY_BLK_READ@3.000000", "RMT_IO_GEN_RDY@5.000000"}));
    EXPECT_EQ(names("Cpu"), (std::vector<std::string>{"SCSI_CMD_RECVD@1.000000", "RMT_IO_GEN_RDY@3.000000",
                                                      "PHY_BLK_WRITE_COMP@4.000000"}));
    EXPECT_EQ(names("Scsi"), (std::vector<std::string>{"SCSI_RDWR_IO@2.000000"}));
    EXPECT_NE(console.str().find("Velmora.Dev1.Chip[0].MC --> SCSI_RDWR_IO\n"), std::string::npos);
}

TEST_F(MetaChannelTest, AKnownKindFromTheWrongSideStopsTheRun)
{
    build({msg(0, "RMT_IO_GEN_RDY", RMT_IO_GEN_RDY)}, {}, {});
    EXPECT_EQ(runError(), "---> Message \"RMT_IO_GEN_RDY\" came from wrong place");
}

TEST_F(MetaChannelTest, TheInitiatorMaySendOnlyItsReadinessReports)
{
    build({}, {}, {msg(0, "SEND_CMD_COMP", SEND_CMD_COMP)});
    EXPECT_EQ(runError(), "---> Message \"SEND_CMD_COMP\" came from wrong place");
}

TEST_F(MetaChannelTest, DataIsNotForTheControlPath)
{
    build({{0, [] { return data_in(512); }}}, {}, {});
    EXPECT_EQ(runError(), "---> No idea know how to handle message: SEND_DATA_IN");
}

TEST_F(MetaChannelTest, BlockRequestsToTheCacheAreNotForTheControlPath)
{
    build({}, {msg(0, "REQ_BLK_READ", REQ_BLK_READ)}, {});
    EXPECT_EQ(runError(), "---> No idea know how to handle message: REQ_BLK_READ");
}

} // namespace
