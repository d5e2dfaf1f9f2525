#include <filesystem>

#include "messages/MsgKinds.h"
#include "tests/array/RmtMirrBed.h"
#include "tests/shared/TestHelpers.h"

namespace {

using ScsiRmtMirrTest = RmtMirrBedTest;

TEST_F(ScsiRmtMirrTest, DiscoversTheRemoteLunAnnouncesItOnceAndCarriesTheCopies)
{
    copies = {{1.0, 1, "LUN_A", 40, 100000}, {1.1, 1, "LUN_B", 8, 4096}};
    build();
    ASSERT_EQ(run(), "");

    const ScsiRmtMirr& mirr = initiator(1);
    // One initiator port with two peers: two paths, both to Dev2.
    EXPECT_EQ(mirr.itPathNum(), 2);
    EXPECT_EQ(mirr.openPathNum(), 2);
    EXPECT_EQ(mirr.maskNum(), 1);

    auto ready = heardAtCtrlMem(RMT_IO_GEN_RDY);
    ASSERT_EQ(ready.size(), 1u);
    EXPECT_EQ(ready[0]->gate, "from_chip[1]");
    EXPECT_EQ(std::string(ready[0]->msg->par("lunWwn").stringValue()), "LUN_A");
    EXPECT_EQ(ready[0]->msg->par("chipId").longValue(), 1);
    EXPECT_EQ(ready[0]->msg->par("blkSize").longValue(), 4096);
    EXPECT_EQ(ready[0]->msg->par("blkNum").longValue(), 5000);
    EXPECT_LT(ready[0]->time, 1.0);
    // One recorded change of the active path, the one announced.
    const auto active = rowsOf(actvPathFile(1), 4);
    ASSERT_EQ(active.size(), 1u);
    EXPECT_EQ(active[0][1], "LUN_A");
    // Board 0 has no row for the LUN: it found the LUN on both paths too,
    // and never made it active nor announced it.
    EXPECT_EQ(initiator(0).openPathNum(), 2);
    EXPECT_FALSE(std::filesystem::exists(actvPathFile(0)));

    // Every command reached the targets marked as a copy.
    int commands = 0;
    for (int c : {0, 1})
        for (const TestProcessor::Upper* u : targetBoard(c).upperOfKind(SCSI_CMD_RECVD)) {
            ++commands;
            EXPECT_TRUE(u->msg->hasPar("xcopy"));
        }
    // REPORT LUNS, two MODE SENSE and two INQUIRY per path and board, and
    // the two sub-I/Os of the copy.
    EXPECT_EQ(commands, 2 * 2 * 5 + 2);

    // The copy of LUN_A went as two writes over the active path.
    std::vector<TestProcessor::Command> writes;
    for (int c : {0, 1})
        for (const TestProcessor::Command& cmd : targetBoard(c).commands)
            if (cmd.code == 128)
                writes.push_back(cmd);
    ASSERT_EQ(writes.size(), 2u);
    EXPECT_EQ(writes[0].blkAddr, 40u);
    EXPECT_EQ(writes[0].dataLen, 65536u);
    EXPECT_EQ(writes[1].blkAddr, 56u);
    EXPECT_EQ(writes[1].dataLen, 34464u);
    EXPECT_GE(writes[0].time, 1.0);

    // Both copies finished in the board's own response file: the first
    // written, the second, to a LUN without an active path, aborted at once.
    const auto resp = rowsOf(ioRespFile(1), 2);
    ASSERT_EQ(resp.size(), 2u);
    EXPECT_EQ(resp[0][0], "0");
    EXPECT_NE(resp[0][2], "-");
    EXPECT_EQ(resp[0][4], "-1");
    EXPECT_EQ(resp[0][5], "Wr");
    EXPECT_EQ(resp[0][8], "LUN_A");
    EXPECT_EQ(resp[1][2], "-");
    EXPECT_EQ(resp[1][4], "-1");
    EXPECT_EQ(resp[1][8], "LUN_B");
    const std::string fails = readFile(ioFailFile());
    EXPECT_NE(fails.find("SCSI_IO_ABORT  [IT path(s) unavailable]"), std::string::npos);
    EXPECT_NE(fails.find("Velmora.Dev1.Chip[1].Scsi"), std::string::npos);
    EXPECT_EQ(mirr.writeStats().succ, 1);
    EXPECT_EQ(mirr.writeStats().abrt, 1);
    EXPECT_EQ(mirr.liveCdbs(), 0);
    EXPECT_EQ(mirr.cpuGrants(), mirr.cpuReleases());
    EXPECT_EQ(rootLong("netIoComp"), 2);
    EXPECT_TRUE(root()->par("ioDone").boolValue());
}

TEST_F(ScsiRmtMirrTest, RowsOfAnotherBoardAreCheckedOnlyForTheirLengthAndName)
{
    // Board 0 has no row, board 1 one; a short row for board 0 stops board 0.
    maskRows = {"1 LUN_A 0 - -", "0 LUN_Z 0"};
    build();
    EXPECT_EQ(run(),
              "---> \"LUN_Z\" : missing parameter(s). Please check section [2.1] of the file \"initiator.conf\"");
}

TEST_F(ScsiRmtMirrTest, ASixthFieldOrALongNameStopsTheRunWhicheverBoardTheRowIsFor)
{
    maskRows = {"7 LUN_A 0 - - extra"};
    build();
    EXPECT_EQ(run(), "---> \"LUN_A\" : at most 5 parameters can be setup. Please check section [2.1] of the file "
                     "\"initiator.conf\"");
    TearDown();
    SetUp();
    maskRows = {"7 LUN_NAME_OF_17_CH 0 - -"};
    build();
    EXPECT_EQ(run(), "---> Invalid LUN_WWN[LUN_NAME_OF_17_CH]. Must not exceed 16 char. Please check section [2.1] of "
                     "the file \"initiator.conf\"");
}

// The board's LUN_MASK is read as a host's: what is no port number stops
// the run, naming the row's line and the mask's field, the third here.
TEST_F(ScsiRmtMirrTest, AMaskEntryThatIsNoPortNumberIsRefused)
{
    maskRows = {"1 LUN_A 0,x - -"};
    build();
    EXPECT_EQ(run(), "---> Line 11, field 3 \"0,x\" holds \"x\", which is not a port number, in the LUN_MASK of "
                     "\"LUN_A\". Please check section [2.1] of the file \"initiator.conf\"");
}

// Only writes to the array's own LUNs are copied: a mask row naming a LUN
// that the array does not have is kept, and warned of at set-up.
TEST_F(ScsiRmtMirrTest, AMaskRowForALunTheArrayDoesNotHaveIsWarnedOf)
{
    maskRows = {"1 LUN_A 0 - -", "1 LUN_Q 0 - -"};
    build();
    ::testing::internal::CaptureStderr();
    const std::string error = run();
    const std::string err = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(error, "");
    EXPECT_EQ(initiator(1).maskNum(), 2);
    const std::string text = "\"LUN_Q\" : the LUN mask names a LUN that this array does not have; no write is "
                             "copied to it. Please check sections [2.1] and [6] of the file \"initiator.conf\"";
    const std::string log = readFile("out/Warnings.txt");
    EXPECT_NE(log.find(col("Velmora.Dev1.Chip[1].Scsi", 62) + "WARNING: " + text), std::string::npos) << log;
    EXPECT_EQ(log.find("LUN_A"), std::string::npos) << log;
    EXPECT_NE(err.find("<!> Warning in module Velmora.Dev1.Chip[1].Scsi: " + text + "\n"), std::string::npos) << err;
}

TEST_F(ScsiRmtMirrTest, ABoardWithoutInitiatorPortsHasNoRoomForAMaskRow)
{
    maskRows = {"0 LUN_A 0 - -"};
    targetPorts = {0};
    build();
    EXPECT_EQ(run(),
              "---> Maximum 0 LUN_WWNs can be setup. Please check section [2.1] of the file  \"initiator.conf\". "
              "Also please check the settings of MaxTarLun (in section[1]) and MaxPeerPort (in section [2])");
}

} // namespace
