// LUN discovery over the paths of a host: REPORT LUNS, MODE SENSE and
// INQUIRY over the real port stack, the choice of each LUN's active path
// from the LUN mask, and its record in the path files.

#include <filesystem>
#include <sstream>

#include "messages/MsgKinds.h"
#include "tests/host/ScsiBed.h"

namespace {

class ScsiDiscovery : public ScsiBedTest {
  protected:
    const LunPathTable* pathFrom(int hostPort, unsigned long target) const
    {
        for (const LunPathTable& pt : scsi().lunPaths())
            if (pt.open && pt.initiator == hostPort && pt.tarAddrId == target)
                return &pt;
        return nullptr;
    }
    static const TarLunTable* lunNamed(const LunPathTable* pt, const std::string& wwn)
    {
        for (const TarLunTable& lun : pt->tarLuns)
            if (lun.lunWwn == wwn)
                return &lun;
        return nullptr;
    }
    int readyCount(const std::string& wwn) const
    {
        int n = 0;
        for (const auto& r : iogen().ready)
            n += r.lunWwn == wwn;
        return n;
    }
    static bool answerFilesLeft()
    {
        for (const auto& entry : std::filesystem::directory_iterator("out")) {
            const std::string name = entry.path().filename().string();
            if (name.rfind("LunList", 0) == 0 || name.rfind("LunWwn", 0) == 0)
                return true;
        }
        return false;
    }
};

TEST_F(ScsiDiscovery, TwoPathsFromOnePortFindBothLunsAndTheLowerSlotServesThem)
{
    ScsiBedSetup setup;
    setup.boards = 2;
    setup.maskRows = {"LUN_A 0 - -", "LUN_B 0 - -"};
    build(setup);
    ASSERT_EQ(run(), "");

    ASSERT_EQ(scsi().openPathNum(), 2);
    const LunPathTable* first = pathFrom(0, boardAddress(0));
    const LunPathTable* second = pathFrom(0, boardAddress(1));
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first, &scsi().lunPaths()[0]);
    for (const LunPathTable* pt : {first, second}) {
        EXPECT_TRUE(pt->active);
        EXPECT_EQ(pt->iniAddrId, 0x050200u);
        EXPECT_EQ(pt->maxSio, 8);
        EXPECT_EQ(pt->currSio, 0);
        // LUN 0 has no entry.
        ASSERT_EQ(pt->lunNum(), 2);
        EXPECT_EQ(pt->tarLuns[0].lunId, 1u);
        EXPECT_EQ(pt->tarLuns[1].lunId, 2u);
        EXPECT_EQ(pt->tarLuns[0].blkSize, 512u);
        EXPECT_EQ(pt->tarLuns[0].blkNum, 1048576u);
        EXPECT_GT(pt->tarLuns[0].cost, 0);
    }
    // The first path found serves both LUNs; the second's answers change
    // nothing.
    EXPECT_TRUE(lunNamed(first, "LUN_A")->active);
    EXPECT_TRUE(lunNamed(first, "LUN_B")->active);
    EXPECT_FALSE(lunNamed(second, "LUN_A")->active);
    EXPECT_FALSE(lunNamed(second, "LUN_B")->active);

    // Every path reports each of its LUNs to the generator.
    EXPECT_EQ(readyCount("LUN_A"), 2);
    EXPECT_EQ(readyCount("LUN_B"), 2);
    EXPECT_EQ(iogen().ready.size(), 4u);
    EXPECT_EQ(iogen().ready[0].lunBlkSize, 512);
    EXPECT_EQ(iogen().ready[0].lunBlkNum, 1048576);
    EXPECT_TRUE(iogen().unexpected.empty());

    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(commandsOf(c, SCSI_RPTLUNS).size(), 1u);
        EXPECT_EQ(commandsOf(c, SCSI_MODSNS).size(), 2u);
        EXPECT_EQ(commandsOf(c, SCSI_INQUIRY).size(), 2u);
        EXPECT_EQ(board(c).commands[0].lun, 0u);
    }
    EXPECT_FALSE(answerFilesLeft());

    const auto a = activeRows("LUN_A");
    ASSERT_EQ(a.size(), 1u);
    EXPECT_EQ(a[0][2], "328192");
    EXPECT_EQ(a[0][3], "328193");
    EXPECT_EQ(activeRows("LUN_B").size(), 1u);
    const std::string table = readFile(pathTblFile());
    EXPECT_EQ(table.rfind("Updating Path Tables for Velmora.Host1 ...... \n\n", 0), 0u);
    EXPECT_EQ(countOf(table, "requests updating the path tables"), 2);
    EXPECT_NE(table.find("LUN_WWN [LUN_A] requests updating the path tables ...... \n" + std::string(53, '=') + "\n" +
                         col("IniAddr", 12) + col("TarAddr", 12) + col("MaxSio", 10) + col("RecTov(s)", 13) +
                         col("Active", 8) + "\n" + col("328192", 12) + col("328193", 12) + col("8", 10) +
                         col("3.000", 13) + col("Y", 8) + "\n"),
              std::string::npos);
    EXPECT_NE(table.find(col("LUN_A", 15) + col("1", 10) + col("Y", 8) + "\n" + col("NULL", 15) + col("2", 10) +
                         col("N", 8) + "\n"),
              std::string::npos);
    const std::string warnings = readFile(warningsFile());
    EXPECT_EQ(countOf(warnings, "NOTICE: IT_PATH [328192,328193] has been created."), 1);
    EXPECT_EQ(countOf(warnings, "NOTICE: IT_PATH [328192,328194] has been created."), 1);
    expectCleanEnd();
}

TEST_F(ScsiDiscovery, APrimaryTargetTakesTheLunOverOnceItsInquiryIsAnswered)
{
    ScsiBedSetup setup;
    setup.boards = 2;
    setup.maskRows = {"LUN_A 0 - Dev1.Chip[1].NxPort[0]", "LUN_B 0 - -"};
    build(setup);
    ASSERT_EQ(run(), "");

    const LunPathTable* first = pathFrom(0, boardAddress(0));
    const LunPathTable* second = pathFrom(0, boardAddress(1));
    ASSERT_TRUE(first && second);
    EXPECT_FALSE(lunNamed(first, "LUN_A")->active);
    EXPECT_TRUE(lunNamed(second, "LUN_A")->active);
    EXPECT_TRUE(lunNamed(first, "LUN_B")->active);
    const auto a = activeRows("LUN_A");
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[0][3], "328193");
    EXPECT_EQ(a[1][3], "328194");
    EXPECT_LT(std::stod(a[0][0]), std::stod(a[1][0]));
    EXPECT_EQ(activeRows("LUN_B").size(), 1u);
    EXPECT_EQ(countOf(readFile(pathTblFile()), "requests updating the path tables"), 3);
}

TEST_F(ScsiDiscovery, TheMaskAndAPrimaryInitiatorChooseThePortAndAnUnmaskedLunHasNoPath)
{
    ScsiBedSetup setup;
    setup.hostPorts = 2;
    setup.maskRows = {"LUN_A 0,1 NxPort[1] -", "LUN_B 1 - -"};
    TestProcessor::LunTarget target = two_luns();
    target.luns = {0, 1, 2, 3};
    target.wwns[3] = "LUN_C";
    setup.targets = {target};
    setup.plan = {{0.5, "LUN_C", SCSI_READ, 4096, 8, 7}};
    build(setup);
    ASSERT_EQ(run(), "");

    const LunPathTable* viaPort0 = pathFrom(0, boardAddress(0));
    const LunPathTable* viaPort1 = pathFrom(1, boardAddress(0));
    ASSERT_TRUE(viaPort0 && viaPort1);
    EXPECT_EQ(viaPort1->iniAddrId, 0x050201u);
    EXPECT_TRUE(lunNamed(viaPort1, "LUN_A")->active);
    EXPECT_FALSE(lunNamed(viaPort0, "LUN_A")->active);
    EXPECT_TRUE(lunNamed(viaPort1, "LUN_B")->active);
    EXPECT_FALSE(lunNamed(viaPort0, "LUN_B")->active);
    EXPECT_FALSE(lunNamed(viaPort0, "LUN_C")->active);
    EXPECT_FALSE(lunNamed(viaPort1, "LUN_C")->active);
    // Port 0's answer came first and served the LUN until port 1's came.
    const auto a = activeRows("LUN_A");
    ASSERT_EQ(a.size(), 2u);
    EXPECT_EQ(a[0][2], "328192");
    EXPECT_EQ(a[1][2], "328193");
    EXPECT_EQ(activeRows("LUN_B").size(), 1u);
    EXPECT_EQ(activeRows("LUN_C").size(), 0u);
    // Still reported, once per path.
    EXPECT_EQ(readyCount("LUN_C"), 2);

    // A read to it fails at once, and still counts as a finished I/O.
    const auto fail = rowsOf(ioFailFile(), 2);
    ASSERT_EQ(fail.size(), 1u);
    // After the admission step and the I/O's processor task.
    EXPECT_EQ(fail[0], col("0", 10) + col("500.0202", 15) + col("SCSI_IO", 15) + col("0", 10) + col("-", 10) +
                           col("-", 10) + col("SCSI_IO_ABORT  [IT path(s) unavailable]", 60) +
                           col("Velmora.Host1.Scsi", 60));
    const auto resp = rowsOf(ioRespFile(), 2);
    ASSERT_EQ(resp.size(), 1u);
    EXPECT_EQ(resp[0], col("0", 11) + col("500.0000", 15) + col("-", 15) + col("4.000", 15) + col("7", 8) +
                           col("Rd", 9) + col("0", 14) + col("0", 14) + col("LUN_C", 15) + col("8", 15));
    EXPECT_EQ(scsi().ioAbrtNum(), 1);
    EXPECT_EQ(scsi().readStats().abrt, 1);
    EXPECT_EQ(rootLong("netIoComp"), 1);
    EXPECT_TRUE(rootBool("ioDone"));
    EXPECT_TRUE(rootBool("simDone"));
    for (const auto& cmd : board(0).commands)
        EXPECT_NE(cmd.code, SCSI_READ);
}

// What the mask names and discovery does not find is said once discovery is
// done: a row whose LUN no target offers, and a preferred target port that
// offers the LUN on no path (a port in no zone with the host). A LUN that the
// workload uses and no row names is said at its first I/O, which aborts.
TEST_F(ScsiDiscovery, MaskRowsThatDiscoveryCannotServeAreWarnedOfOnce)
{
    ScsiBedSetup setup;
    setup.boards = 2;
    setup.maskRows = {"LUN_AX 0 - -", "LUN_B 0 - Dev1.Chip[1].NxPort[0]"};
    TestProcessor::LunTarget withB = two_luns();
    TestProcessor::LunTarget withoutB = two_luns();
    withoutB.luns = {0, 1};
    setup.targets = {withB, withoutB};
    setup.plan = {{0.5, "LUN_A", SCSI_READ, 4096, 8, 7}, {0.6, "LUN_A", SCSI_READ, 4096, 16, 7}};
    build(setup);
    testing::internal::CaptureStderr();
    const std::string error = run();
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_EQ(error, "");

    const std::string check = " Please check section [2.1] of the file \"host.conf\"";
    const std::vector<std::string> said = {
        "The LUN mask of host Velmora.Host1 names LUN \"LUN_AX\", which no target it reaches offers." + check,
        "LUN \"LUN_B\" of host Velmora.Host1 prefers the target port Dev1.Chip[1].NxPort[0] (PRI_TAR_WWPN), which "
        "offers it on no path of the host (a port in no zone with the host's ports, or one without the LUN): the LUN's "
        "I/O takes another path." +
            check + " and the ZoneSet file",
        "Host Velmora.Host1 has I/O for LUN \"LUN_A\", which no row of its LUN mask names: every I/O to it aborts." +
            check};
    std::string expected;
    for (const std::string& text : said)
        expected += "<!> Warning in module Velmora.Host1.Scsi: " + text + "\n";
    EXPECT_EQ(err, expected);
    EXPECT_EQ(scsi().ioAbrtNum(), 2);
}

// ---- Section [2.1] ----------------------------------------------------------------------------

class LunMaskSection : public ScsiBedTest {
  protected:
    std::string runWith(std::vector<std::string> rows, int maxTarLun = 8, int maxPeerPort = 2)
    {
        ScsiBedSetup setup;
        setup.maskRows = std::move(rows);
        setup.maxTarLun = maxTarLun;
        setup.maxPeerPort = maxPeerPort;
        build(setup);
        return run();
    }
};

TEST_F(LunMaskSection, RowsAreStoredAsWritten)
{
    ASSERT_EQ(runWith({"LUN_A 0 NxPort[0] Dev1.Chip[0].NxPort[0] ; preferred", "ABCDEFGHIJKLMNOP 0 - -"}), "");
    ASSERT_EQ(scsi().maskNum(), 2);
    const LunMaskTable& a = scsi().lunMask()[0];
    EXPECT_EQ(a.lunWwn, "LUN_A");
    EXPECT_EQ(a.priIniWwpn, "NxPort[0]");
    EXPECT_EQ(a.priTarWwpn, "Dev1.Chip[0].NxPort[0]");
    EXPECT_EQ(a.mask, std::vector<bool>{true});
    EXPECT_FALSE(a.firstRecord); // it found its path
    EXPECT_TRUE(scsi().lunMask()[1].firstRecord);
    // itPathNum 2 x maxTarLun 8 entries.
    EXPECT_EQ(scsi().lunMask().size(), 16u);
}

TEST_F(LunMaskSection, BadRowsStopTheRunNamingTheSectionAndTheFile)
{
    EXPECT_EQ(runWith({"ABCDEFGHIJKLMNOPQ 0 - -"}),
              "---> Invalid LUN_WWN[ABCDEFGHIJKLMNOPQ]. Must not exceed 16 char. Please check section [2.1] of the "
              "file \"host.conf\"");
    EXPECT_EQ(errorModule, "Velmora.Host1.Scsi");
    EXPECT_EQ(runWith({"LUN_A 0 - - 9"}),
              "---> \"LUN_A\" : at most 4 parameters can be setup. Please check section [2.1] of the file "
              "\"host.conf\"");
    EXPECT_EQ(runWith({"LUN_A 0 -"}),
              "---> \"LUN_A\" : missing parameter(s). Please check section [2.1] of the file \"host.conf\"");
    EXPECT_EQ(runWith({"LUN_A 0 - -", "LUN_B 0 - -"}, 1, 1),
              "---> Maximum 1 LUN_WWNs can be setup. Please check section [2.1] of the file  \"host.conf\". Also "
              "please check the settings of MaxTarLun (in section[1]) and MaxPeerPort (in section [2])");
    EXPECT_EQ(runWith({"LUN_A 0 - -", "LUN_A 0 - -"}),
              "---> Found duplicate LUN_WWN \"LUN_A\". Please check section [2.1] of the file  \"host.conf\"");
    EXPECT_EQ(runWith({"LUN_A 0,1 - -"}),
              "---> \"LUN_A\" : at most 1 NxPort(s) can be setup for LUN_MASK. Please check section [2.1] of the "
              "file \"host.conf\"");
    EXPECT_EQ(runWith({"LUN_A 3 - -"}),
              "---> \"LUN_A\" : 3 is not a valid portId for LUN_MASK setting. Please check section [2.1] of the file "
              "\"host.conf\"");
    EXPECT_EQ(runWith({"LUN_A 0 NxPort[4] -"}),
              "---> \"LUN_A\" : Wrong PRI_INI_WWPN setting, NxPort[4] does not exist in module Velmora.Host1. Please "
              "check section [2.1] of the file \"host.conf\"");
    EXPECT_EQ(runWith({"LUN_A 0 - Dev9.Chip[0]"}),
              "---> \"LUN_A\" : Wrong PRI_TAR_WWPN setting, Dev9.Chip[0] does not exist in module Velmora. Please "
              "check section [2.1] of the file \"host.conf\"");
}

// A LUN_MASK that gives a port twice (0,0 meant as 0,1) leaves the LUN a port
// short when the other goes down: it is warned of, naming the row's line.
// What is no port number would read as port 0 and stops the set-up.
TEST_F(LunMaskSection, APortGivenTwiceIsWarnedOfAndWhatIsNoPortNumberIsRefused)
{
    const std::string tail = ". Please check section [2.1] of the file \"host.conf\"";
    const auto twice = [&](const char* mask, int port) {
        return "---> Line 10, field 2 \"" + std::string(mask) + "\" gives port " + std::to_string(port) +
               " twice in the LUN_MASK of \"LUN_A\", so the LUN has fewer ports than the mask lists" + tail;
    };
    const auto noNumber = [&](const char* mask, const char* item) {
        return "---> Line 10, field 2 \"" + std::string(mask) + "\" holds \"" + item +
               "\", which is not a port number, in the LUN_MASK of \"LUN_A\"" + tail;
    };
    const struct {
        const char* mask;
        std::string error;   // "" when the run goes on
        std::string warning; // "" for none
        std::vector<bool> ports;
    } cases[] = {
        {"0,0", "", twice("0,0", 0), {true, false}},
        {"1,1", "", twice("1,1", 1), {false, true}},
        {"1,x", noNumber("1,x", "x"), "", {}},
        {",1", noNumber(",1", ""), "", {}},
        {"0,1a", noNumber("0,1a", "1a"), "", {}},
        // A duplicate still takes one of the host's ports.
        {"1,0,1", "---> \"LUN_A\" : at most 2 NxPort(s) can be setup for LUN_MASK" + tail, "", {}},
        {"2", "---> \"LUN_A\" : 2 is not a valid portId for LUN_MASK setting" + tail, "", {}},
        {"0,1", "", "", {true, true}},
    };
    for (const auto& c : cases) {
        ScsiBedSetup setup;
        setup.hostPorts = 2;
        setup.maskRows = {std::string("LUN_A ") + c.mask + " - -"};
        build(setup);
        testing::internal::CaptureStderr();
        EXPECT_EQ(run(), c.error) << c.mask;
        std::istringstream err(testing::internal::GetCapturedStderr());
        std::string said;
        for (std::string line; std::getline(err, line);)
            if (line.find("LUN_MASK") != std::string::npos)
                said += line + "\n";
        EXPECT_EQ(said, c.warning.empty() ? "" : "<!> Warning in module Velmora.Host1.Scsi: " + c.warning + "\n")
            << c.mask;
        if (c.error.empty()) {
            EXPECT_EQ(scsi().lunMask()[0].mask, c.ports) << c.mask;
        }
        simulation.deleteNetwork();
    }
}

// A preferred port must be a node port: its N_Port identifier is what the
// path choice reads. Any other module ends the set-up, before discovery.
TEST_F(LunMaskSection, APreferredPortThatIsNoNodePortStopsTheSetUp)
{
    EXPECT_EQ(runWith({"LUN_A 0 Cpu -"}),
              "---> \"LUN_A\" : Wrong PRI_INI_WWPN setting, Cpu in module Velmora.Host1 is not a node port. Please "
              "check section [2.1] of the file \"host.conf\"");
    EXPECT_EQ(errorModule, "Velmora.Host1.Scsi");
    EXPECT_EQ(runWith({"LUN_A 0 NxPort[0] Dev1.Chip[0]"}),
              "---> \"LUN_A\" : Wrong PRI_TAR_WWPN setting, Dev1.Chip[0] in module Velmora is not a node port. "
              "Please check section [2.1] of the file \"host.conf\"");
    for (const auto& cmd : board(0).commands)
        EXPECT_NE(cmd.code, SCSI_INQUIRY);
}

} // namespace
