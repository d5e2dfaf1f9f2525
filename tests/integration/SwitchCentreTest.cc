// The switch's control centre seen from the small SAN: its processor
// queue and forwarding times, zoning, its statistics files, the run's
// temporary files at the end, and its set-up checks.

#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "fc4/FcCodes.h"
#include "messages/MsgKinds.h"
#include "tests/integration/SanBedTest.h"

namespace {

using SwitchCentre = SanBedTest;

// One 64 KiB read, 0.3 s into the run.
Scenario one_read(const std::string& settings = "")
{
    Scenario s;
    s.plan = {{SCSI_READ, 65536}};
    s.startAt = 0.3;
    s.settings = settings;
    return s;
}

std::vector<std::string> fields(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string f; in >> f;)
        out.push_back(f);
    return out;
}

// The data rows of a statistics file: the lines after its rule of '-'.
std::vector<std::string> rows(const std::string& path)
{
    const auto lines = readLines(path);
    size_t first = 0;
    while (first < lines.size() && lines[first].rfind("---", 0) != 0)
        ++first;
    return std::vector<std::string>(lines.begin() + static_cast<long>(std::min(first + 1, lines.size())), lines.end());
}

bool exists(const std::string& path)
{
    return std::filesystem::exists(path);
}

TEST_F(SwitchCentre, HeadsAreRoutedOneTaskAfterTheyArriveAndTheRestIsRelayedAtOnce)
{
    build(one_read());
    ASSERT_EQ(run(), "") << errorModule;

    // The PLOGI's head: asked for by the host's port, routed 2 us later
    // (FRM_FWD: 100 instructions of 2 cycles at 100 MHz), marked with the
    // Domain_ID; the board's port took it and the acceptance went back at
    // once, as did the completion.
    const auto asked = centre().toCentre(REQ_FRM_FWD);
    const auto routed = centre().fromCentre(REQ_FRM_FWD);
    ASSERT_FALSE(asked.empty());
    ASSERT_EQ(asked.size(), routed.size());
    EXPECT_EQ(asked[0].port, 0);
    EXPECT_EQ(routed[0].port, 1);
    EXPECT_EQ(routed[0]->srcPort, 0);
    EXPECT_EQ(routed[0]->hops, std::vector<long>{5});
    EXPECT_NEAR(routed[0]->time - asked[0]->time, 2e-6, 1e-12);
    const auto acks = centre().toCentre(ACK_FRM_FWD);
    const auto relayed = centre().fromCentre(ACK_FRM_FWD);
    ASSERT_EQ(acks.size(), relayed.size());
    EXPECT_EQ(acks[0].port, 1);
    EXPECT_EQ(relayed[0].port, 0);
    EXPECT_DOUBLE_EQ(relayed[0]->time, acks[0]->time);
    const auto coms = centre().toCentre(COM_FRM_FWD);
    ASSERT_EQ(coms.size(), centre().fromCentre(COM_FRM_FWD).size());
    EXPECT_EQ(coms.size(), asked.size());

    // Every frame's payload and tail followed through the centre: the read's
    // 64 KiB came back in 32 frames of 2 KiB from the board's port.
    EXPECT_EQ(centre().fromCentre(FC_FRAME_PAYLOAD).size(), asked.size());
    EXPECT_EQ(centre().fromCentre(FC_FRAME_TAIL).size(), asked.size());
    const auto data = centre().framesOf(TYPE_SCSI_FCP, RCTL_FCP_DATA);
    ASSERT_EQ(data.size(), 32u);
    for (const auto* f : data) {
        EXPECT_EQ(f->from, 1);
        EXPECT_EQ(f->payLen, 2048u);
    }
    EXPECT_TRUE(centre().fromCentre(RJT_FRM_FWD).empty());

    // Nothing stays open at the centre.
    auto* centreMod = centreModule();
    EXPECT_EQ(centreMod->par("frmFwdDelta").longValue(), 0); // zeroed by the last traffic row
}

TEST_F(SwitchCentre, WritesItsFiveStatisticsFilesFromTimeZero)
{
    build(one_read());
    ASSERT_EQ(run(), "") << errorModule;

    // Traffic: the row at 0 has no frames and shows 0, not a division by
    // zero; the period with the read shows its frames and a latency of at
    // least the routing task's 2 us.
    const auto traffic = rows("out/swTraffic/Velmora.Sw1.SwTraffic");
    ASSERT_GE(traffic.size(), 5u);
    EXPECT_EQ(traffic[0].substr(0, 36), "0.0000         0.000    0           ");
    const auto period = fields(traffic[4]); // 300 ms to 400 ms
    ASSERT_EQ(period.size(), 11u);
    EXPECT_EQ(period[0], "400.0000");
    EXPECT_GE(std::stod(period[1]), 2.0);
    EXPECT_GE(std::stol(period[2]), 33); // command, 32 data frames, response
    // Port 0 received the command (32 bytes) and the confirmation (2):
    // 34 / 2 / 1024 KB a frame; port 1 the 32 data frames and the response
    // (24 bytes): 65560 / 33 / 1024.
    EXPECT_EQ(period[5], "0.017");
    EXPECT_EQ(period[6], "2");
    EXPECT_EQ(period[9], "1.940");
    EXPECT_EQ(period[10], "33");
    const auto header = readLines("out/swTraffic/Velmora.Sw1.SwTraffic");
    EXPECT_EQ(header[0].substr(0, 36), "SimTime(ms)    SwCtrlCtr            ");
    EXPECT_EQ(header[2], std::string(37 * 2 + 36, '-'));

    // Throughput: 64 KiB of payload in 100 ms is 0.625 MB/s and a little
    // more with the heads, tails and the other frames.
    const auto thru = rows("out/portThru/Velmora.Sw1.PortThru");
    ASSERT_GE(thru.size(), 5u);
    const auto busy = fields(thru[4]);
    ASSERT_EQ(busy.size(), 5u);
    EXPECT_GT(std::stod(busy[1]), 0.625); // port 0 sent the data to the host
    EXPECT_LT(std::stod(busy[1]), 0.7);
    EXPECT_EQ(fields(thru[0])[1], "0.000000");

    // The processor: in the first 100 ms the target's three name-server
    // tasks of 10 us each, nothing else.
    const auto util = rows("out/swTiming/Velmora.Sw1.AsicUtil");
    ASSERT_GE(util.size(), 2u);
    const auto first = fields(util[1]);
    ASSERT_EQ(first.size(), 11u);
    EXPECT_EQ(first[0], "100.0000");
    EXPECT_EQ(first[1], "0.0300");   // percent of the period
    EXPECT_EQ(first[2], "0.030000"); // ms
    EXPECT_EQ(fields(util[0])[2], "0.000000");

    // Snapshots: no routes on a switch of its own; at the end one initiator
    // and one target registered.
    const auto rt = readLines("out/swCtrUpd/Velmora.Sw1.RtTbl");
    ASSERT_GE(rt.size(), 3u);
    EXPECT_EQ(rt[0], "Velmora.Sw1 (Domain_ID: 5) Routing Table updates ...... ");
    EXPECT_EQ(rt[2], "SimTime ---> 0.000 ms ... 0 entries found ...");
    const auto ns = readLines("out/swCtrUpd/Velmora.Sw1.NsDb");
    EXPECT_EQ(ns[0], "Velmora.Sw1 (Domain_ID: 5) Name Server Database updates ...... ");
    EXPECT_EQ(ns[2], "SimTime ---> 0.000 ms ... 0 FCP entries found ...");
    size_t last = ns.size() - 1;
    while (last > 0 && ns[last].rfind("SimTime", 0) != 0)
        --last;
    ASSERT_GE(ns.size(), last + 10);
    EXPECT_EQ(ns[last].substr(ns[last].find(" ms ... ")), " ms ... 2 FCP entries found ...");
    EXPECT_EQ(ns[last + 4].substr(0, 37), "FCP_INITIATOR - 1      : 328192      ");
    EXPECT_EQ(ns[last + 6].substr(0, 37), "FCP_TARGET    - 1      : 328193      ");
    EXPECT_EQ(ns[last + 8].substr(0, 25), "UNIDENTIFIED  - 0      : ");
}

TEST_F(SwitchCentre, NameServerListsWrapAfterNsDbOutColIdentifiers)
{
    build(one_read("Velmora.nsDbOutCol = 1"));
    ASSERT_EQ(run(), "") << errorModule;
    const auto ns = readLines("out/swCtrUpd/Velmora.Sw1.NsDb");
    // With one identifier per line the rules are 37 characters long.
    EXPECT_EQ(ns[3], std::string(37, '='));
}

TEST_F(SwitchCentre, ZeroIdentifiersPerLineIsRefused)
{
    build(one_read("Velmora.nsDbOutCol = 0"));
    EXPECT_EQ(run(), "---> Invalid \"nsDbOutCol\". Must >= 1. Please check the file \"omnetpp.ini\"");
}

TEST_F(SwitchCentre, AtTheEndOnlyTheRunsTemporaryFilesAreRemoved)
{
    // A program-data prefix with a blank and a partial file name in it.
    const std::string prefix = "out/my run_";
    writeFile("out/keep.txt", "kept\n");
    writeFile("out/x.tmp", "another prefix\n");
    writeFile(prefix + "stale.tmp", "of this run's prefix, not of its kinds\n");
    writeFile(prefix + "Lsu30099.tmp", "left by a run that died\n");
    std::filesystem::create_directory(prefix + "dir.tmp");
    build(one_read("Velmora.progDataDir = \"" + prefix + "\""));
    ASSERT_EQ(run(), "") << errorModule;

    EXPECT_EQ(centre().fromCentre(ACC_GID_FT).size(), 2u);
    EXPECT_TRUE(exists(prefix + "swTraffic/Velmora.Sw1.SwTraffic"));
    EXPECT_TRUE(exists(prefix + "swTiming/Velmora.Sw1.AsicUtil"));
    for (const std::string gone : {"GidFt50000.tmp", "GidFt50001.tmp", "PfOut.tmp", "Lsu30099.tmp"})
        EXPECT_FALSE(exists(prefix + gone)) << gone;
    EXPECT_TRUE(exists("out/keep.txt"));
    EXPECT_TRUE(exists("out/x.tmp"));
    EXPECT_TRUE(exists(prefix + "stale.tmp"));
    EXPECT_TRUE(exists(prefix + "dir.tmp"));
    EXPECT_TRUE(simulation.systemModule()->par("tmpFilesDeleted").boolValue());
}

TEST_F(SwitchCentre, AnInterruptedRunRemovesTheTemporaryFilesAndWritesNoSummaries)
{
    build(one_read());
    simulation.callInitialize();
    simulation.setSimTimeLimit(0.35); // the read is under way
    simulation.run();
    EXPECT_TRUE(exists("out/PfOut.tmp"));
    cSimulation::interrupt(SIGINT);
    EXPECT_EQ(simulation.run(), RunOutcome::INTERRUPTED);
    EXPECT_EQ(simulation.stopReason(), "Interrupted");
    simulation.callAbandonRun();

    EXPECT_FALSE(exists("out/PfOut.tmp"));
    for (const auto& entry : std::filesystem::directory_iterator("out"))
        EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
    EXPECT_FALSE(exists("out/finish"));
    EXPECT_TRUE(simulation.systemModule()->par("tmpFilesDeleted").boolValue());
}

TEST_F(SwitchCentre, AtSetUpOnlyTheSharedFilesAnEarlierRunLeftAreCleared)
{
    const std::vector<std::string> stale = {"out/IoFail.txt",
                                            "out/Warnings.txt",
                                            "out/Timing.txt",
                                            "out/NxPortMap.txt",
                                            "out/LinkEvConf.txt",
                                            "out/ZoneSetConf.txt",
                                            "out/finish/ScsiInitiator.Finish",
                                            "out/finish/CtrlMemCch.Finish",
                                            "out/finish/DeviceLUNs.Finish",
                                            "out/finish/DiskStat.Finish"};
    std::filesystem::create_directories("out/finish");
    for (const std::string& f : stale)
        writeFile(f, "an earlier run's\n");
    writeFile("out/keep.txt", "kept\n");
    writeFile("out/finish/Other.Finish", "kept\n");
    build(one_read());
    for (const std::string& f : stale)
        EXPECT_FALSE(exists(f)) << f;
    EXPECT_TRUE(exists("out/keep.txt"));
    EXPECT_TRUE(exists("out/finish/Other.Finish"));

    // The read fails nowhere, so the run leaves no I/O-failure log.
    ASSERT_EQ(run(), "") << errorModule;
    EXPECT_FALSE(exists("out/IoFail.txt"));
    EXPECT_TRUE(exists("out/NxPortMap.txt"));
    EXPECT_EQ(readFile("out/keep.txt"), "kept\n");
}

// ---- Zoning ---------------------------------------------------------------------------

TEST_F(SwitchCentre, AnNPortInNoZoneIsListedNothingAndCannotBeAskedAbout)
{
    writeFile("zoneSet.txt", "; only the board's port is zoned\n[Storage]\n  Dev1.Chip[0].NxPort[0]\n");
    build();
    ASSERT_EQ(run(), "") << errorModule;

    // The host hears of nobody, not even itself, and logs in to nobody.
    const auto lists = centre().fromCentre(ACC_GID_FT);
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(lists[0].port, 1);
    EXPECT_EQ(lists[0]->entryNum, 1);
    EXPECT_EQ(lists[1].port, 0);
    EXPECT_EQ(lists[1]->entryNum, 0);
    EXPECT_TRUE(centre().framesOf(TYPE_ELS, RCTL_ELS_REQUEST).empty());
    EXPECT_TRUE(scsi().paths.empty());

    // The board was told of the host's registration, but asking about it
    // across zones is refused although it is registered.
    const auto rscn = centre().fromCentre(ISSUE_RSCN);
    ASSERT_EQ(rscn.size(), 1u);
    EXPECT_EQ(rscn[0]->portId, long(HOST_ADDRESS));
    const auto refused = centre().fromCentre(RJT_GFF_ID);
    ASSERT_EQ(refused.size(), 1u);
    EXPECT_EQ(refused[0].port, 1);
    EXPECT_EQ(refused[0]->portId, long(HOST_ADDRESS));

    const auto conf = readLines("out/ZoneSetConf.txt");
    ASSERT_EQ(conf.size(), 7u);
    EXPECT_EQ(conf[0], "Velmora ZoneSet Configuration ... ");
    EXPECT_EQ(conf[1], std::string(70, '='));
    EXPECT_EQ(conf[2], "[Storage]");
    EXPECT_EQ(conf[3], std::string(70, '-'));
    EXPECT_EQ(conf[4], "NxPort_AddrID       NxPort_ModuleName(WWPN)                           ");
    EXPECT_EQ(conf[5], "328193              Velmora.Dev1.Chip[0].NxPort[0]                    ");
    EXPECT_EQ(conf[6], std::string(70, '='));
}

TEST_F(SwitchCentre, ZoneSetFilesThatNameNoZoneOrNoNPortEndTheRun)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Host1.NxPort[0]\n[Late]\n",
         "---> build_zone_set : expecting zone name presented before building zone set. Please check ZoneSet file"},
        {"; no zone yet\n",
         "---> build_zone_set : expecting zone name presented before building zone set. Please check ZoneSet file"},
        {"[Z]\nHost9.NxPort[0]\n", "---> Zone[Z] : found no module Velmora.Host9.NxPort[0]"},
        {"[Z]\nHost1.Fc4[0]\n", "---> Zone[Z] : Velmora.Host1.Fc4[0]  is not an N_Port"},
    };
    for (const auto& [text, error] : cases) {
        writeFile("zoneSet.txt", text);
        build();
        EXPECT_EQ(run(), error) << text;
        simulation.deleteNetwork();
    }
}

// What the zone-set file is, when it is no text of zones, is said.
TEST_F(SwitchCentre, AZoneSetFileThatIsAFolderEmptyOrOfCrLineEndsEndsTheRunSayingSo)
{
    std::filesystem::create_directory("zones");
    build(one_read("Velmora.zoneSetFile = \"zones\""));
    EXPECT_EQ(run(), "---> Couldn't open ZoneSet file \"zones\": it is a folder, not a file");
    simulation.deleteNetwork();

    writeFile("zoneSet.txt", "");
    build();
    EXPECT_EQ(run(), "---> The file \"zoneSet.txt\" is empty");
    simulation.deleteNetwork();

    writeFile("zoneSet.txt", "[Z]\rHost1.NxPort[0]\rDev1.Chip[0].NxPort[0]\r");
    build();
    EXPECT_EQ(run(), "---> The file \"zoneSet.txt\" ends its lines with CR alone, as old Mac editors save them, so "
                     "that they read as one line. Please save it with LF line ends");
}

// A zone name or member is read as written or refused with its line: a note
// after a zone name, text after a member's index and a line whose end would
// be cut off. Blanks beyond the longest line read are lost harmlessly.
TEST_F(SwitchCentre, ZoneNamesAndMembersAreReadAsWrittenOrRefusedWithTheirLine)
{
    const std::string tooLong = "[Z]\nHost1.NxPort[0]" + std::string(250, ' ') + "x\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"; zones\n[Z] ; the host's zone\nHost1.NxPort[0]\n",
         "---> ZoneSet file \"zoneSet.txt\" line 2 : the zone name line \"[Z] ; the host's zone\" must end with ']'; a "
         "comment needs a line of its own, beginning with ';'"},
        {"[Z]\nDev1.Chip[0].NxPort[0]\nHost1.NxPort[0]junk\n",
         "---> Zone[Z] : \"Host1.NxPort[0]junk\" on line 3 of the ZoneSet file \"zoneSet.txt\" names no module "
         "exactly; "
         "the nearest is Velmora.Host1.NxPort[0]"},
        {tooLong, "---> ZoneSet file \"zoneSet.txt\" line 2 is longer than 255 characters. Please check ZoneSet file"},
    };
    for (const auto& [text, error] : cases) {
        writeFile("zoneSet.txt", text);
        build();
        EXPECT_EQ(run(), error) << text;
        simulation.deleteNetwork();
    }

    writeFile("zoneSet.txt", "[Z]\nHost1.NxPort[0]" + std::string(300, ' ') + "\nDev1.Chip[0].NxPort[0]\n");
    build();
    ASSERT_EQ(run(), "") << errorModule;
    const auto conf = readLines("out/ZoneSetConf.txt");
    ASSERT_EQ(conf.size(), 8u);
    EXPECT_EQ(conf[2], "[Z]");
    EXPECT_EQ(conf[5].substr(20), "Velmora.Host1.NxPort[0]                           ");
    EXPECT_EQ(conf[6].substr(20), "Velmora.Dev1.Chip[0].NxPort[0]                    ");
}

// A zone name given twice makes one zone of the members under both lines, as
// the file is read, which may join ports two zones were to keep apart: the
// first switch says so once, naming both lines.
TEST_F(SwitchCentre, AZoneNamedTwiceIsWarnedOfNamingBothLines)
{
    const struct {
        const char* text;
        std::string warning; // "" for none
        size_t confLines;    // of the zone configuration file
    } cases[] = {
        {"[A]\nHost1.NxPort[0]\n[B]\nHost1.NxPort[0]\n; the other site\n[A]\nDev1.Chip[0].NxPort[0]\n",
         "---> Zone[A] : the zone name on line 6 of the ZoneSet file \"zoneSet.txt\" repeats that of line 1, so the "
         "members under both lines make one zone",
         13},
        {"[A]\nHost1.NxPort[0]\nDev1.Chip[0].NxPort[0]\n[B]\nHost1.NxPort[0]\n", "", 13},
    };
    for (const auto& c : cases) {
        writeFile("zoneSet.txt", c.text);
        build();
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(run(), "") << c.text;
        const std::string err = ::testing::internal::GetCapturedStderr();
        std::istringstream lines(err);
        std::vector<std::string> said;
        for (std::string line; std::getline(lines, line);)
            if (line.find("zone name") != std::string::npos)
                said.push_back(line.substr(line.find(": ") + 2));
        EXPECT_EQ(said, c.warning.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.warning}) << err;
        // Zone A holds the host and the board either way.
        const auto conf = readLines("out/ZoneSetConf.txt");
        ASSERT_EQ(conf.size(), c.confLines) << c.text;
        EXPECT_EQ(conf[2], "[A]");
        EXPECT_EQ(conf[6].substr(20, 30), "Velmora.Dev1.Chip[0].NxPort[0]");
        simulation.deleteNetwork();
    }
}

TEST_F(SwitchCentre, TooFewZonesOrMembersEndTheRun)
{
    writeFile("zoneSet.txt", "[A]\nHost1.NxPort[0]\n[B]\nHost1.NxPort[0]\nDev1.Chip[0].NxPort[0]\n");
    build(one_read("Velmora.maxZoneNum = 1"));
    EXPECT_EQ(run(), "---> maxZoneNum[1] is exceeded. Please check the file \"omnetpp.ini\"");
    simulation.deleteNetwork();
    build(one_read("Velmora.maxZoneMem = 1"));
    EXPECT_EQ(run(), "---> Zone[B] : maximum 1 zone members can be setup for each zone. Please consider a larger "
                     "value for \"maxZoneMem\" in the file \"omnetpp.ini\"");
}

// ---- Set-up ------------------------------------------------------------------------------

TEST_F(SwitchCentre, SectionOneOfTheSwitchFileIsChecked)
{
    const std::string rest = "[2]\nSwPortIdx AreaId portSpeed R_T_TOV B_Port RxBuf TxBuf Reserved FcCtrl\n"
                             "0 2 2 100 n 8 2 0 FcCtrlS\n1 2 2 100 n 8 2 0 FcCtrlS\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"[1]\nDomainId RA_TOV ED_TOV CpuModel\n",
         "Missing Domain_ID setup. Please check section [1] of the file \"switch.conf\""},
        {"[1]\nDomainId RA_TOV ED_TOV CpuModel\n240 10000 2000 SwCpu\n",
         "---> Invalid Domain_ID 240. Must within [1,239]. Please check section [1] of the file \"switch.conf\""},
        {"[1]\nDomainId RA_TOV ED_TOV CpuModel\n5 0 2000 SwCpu\n",
         "---> Domain[5] : R_A_TOV setup incorrect. Must >= 1ms. Please check section [1] of the file "
         "\"switch.conf\""},
        {"[1]\nDomainId RA_TOV ED_TOV CpuModel\n5 10000 2000 SwCpu x\n",
         "---> Switch Construct setting : at most 4 parameters can be setup. Please check section [1] of the file "
         "\"switch.conf\""},
        {"[1]\nDomainId RA_TOV ED_TOV CpuModel\n5 10000 2000\n",
         "---> Switch Construct setting : missing parameter(s). Please check section [1] of the file "
         "\"switch.conf\""},
        {"[1]\nDomainId RA_TOV ED_TOV CpuModel\n5 10000 2000 NoSuchCpu\n",
         "---> Couldn't open file \"NoSuchCpu.ini\": No such file or directory"},
    };
    for (const auto& [text, error] : cases) {
        writeFile("switch.conf", text + rest);
        build();
        EXPECT_EQ(run(), error) << text;
        EXPECT_EQ(errorModule, "Velmora.Sw1.SwCtrlCtr");
        simulation.deleteNetwork();
    }
}

// A switch file and a zone set saved with a byte-order mark read as ones
// without. Section [1] keeps its first row and the leading digits of its
// numbers; what that leaves out is told with its lines. A Domain_ID that the
// decimal reading cannot take is shown as written.
TEST_F(SwitchCentre, SectionOneAndTheZoneSetAreReadAsOtherEditorsSaveThem)
{
    const std::string head = "DomainId RA_TOV ED_TOV CpuModel\n";
    const std::string rest = "[2]\nSwPortIdx AreaId portSpeed R_T_TOV B_Port RxBuf TxBuf Reserved FcCtrl\n"
                             "0 2 2 100 n 8 2 0 FcCtrlS\n1 2 2 100 n 8 2 0 FcCtrlS\n";
    writeFile("switch.conf",
              "\xEF\xBB\xBF[1]\n" + head + "5 10,000 2000ms SwCpu\n[1]\n" + head + "6 10000 2000 SwCpu\n" + rest);
    writeFile("zoneSet.txt", "\xEF\xBB\xBF" + readFile("zoneSet.txt"));
    build();
    ASSERT_EQ(run(), "") << errorModule;
    cModule* sw = simulation.systemModule()->submodule("Sw1");
    EXPECT_EQ(sw->par("domainId").longValue(), 5);
    EXPECT_EQ(sw->par("raTov").longValue(), 10);
    EXPECT_EQ(sw->par("edTov").longValue(), 2000);
    const std::string log = readFile("out/Warnings.txt");
    for (const char* text :
         {"---> Line 3, field 2 \"10,000\" reads as 10: the text after the number is ignored. Please check section "
          "[1] of the file \"switch.conf\"",
          "---> Section [1] on line 4 repeats the one on line 1 and is ignored. Please check the file "
          "\"switch.conf\""})
        EXPECT_NE(log.find("Velmora.Sw1.SwCtrlCtr" + std::string(62 - 21, ' ') + "WARNING: " + text + "\n"),
                  std::string::npos)
            << log;
    EXPECT_EQ(log.find("2000ms"), std::string::npos) << log;
    simulation.deleteNetwork();

    writeFile("switch.conf", "[1]\n" + head + "0x0B 10000 2000 SwCpu\n" + rest);
    build();
    EXPECT_EQ(run(), "---> Invalid Domain_ID 0x0B. Must within [1,239]. Please check section [1] of the file "
                     "\"switch.conf\"");
}

TEST_F(SwitchCentre, TheSwitchIsGivenItsSettingsAndAPlatformName)
{
    build(one_read());
    ASSERT_EQ(run(), "") << errorModule;
    cModule* sw = simulation.systemModule()->submodule("Sw1");
    EXPECT_EQ(sw->par("domainId").longValue(), 5);
    EXPECT_EQ(sw->par("domainCtrl").longValue(), 0xFFFC05);
    EXPECT_EQ(sw->par("pfType").longValue(), 3);
    EXPECT_EQ(sw->par("raTov").longValue(), 10000);
    EXPECT_STREQ(sw->par("cpuModel").stringValue(), "SwCpu");
    const long host = simulation.systemModule()->submodule("Host1")->par("pfName").longValue();
    EXPECT_GT(sw->par("swName").longValue(), host); // the host came first
    EXPECT_DOUBLE_EQ(centreModule()->par("cpuClock").doubleValue(), 100);
    const std::string timing = readFile("out/Timing.txt");
    EXPECT_NE(timing.find("SwCpu"), std::string::npos);
    EXPECT_NE(timing.find("NS_ZONE"), std::string::npos);
}

// Output paths are the prefix with the rest added: without its '/', the
// run's folders land beside the folder meant, and the run says so once.
TEST_F(SwitchCentre, AProgramDataPrefixWithoutItsSlashIsWarnedOfOnce)
{
    build(one_read("Velmora.progDataDir = \"out\""));
    testing::internal::CaptureStderr();
    const std::string error = run();
    const std::string err = testing::internal::GetCapturedStderr();
    ASSERT_EQ(error, "") << errorModule;
    const std::string text = "progDataDir \"out\" does not end with '/': the run's folders and files are named by "
                             "adding to it, as \"outioGen/\", and lie beside a folder of its name, not in it. Please "
                             "check the file \"omnetpp.ini\"";
    EXPECT_EQ(err, "<!> Warning in module Velmora.Sw1.SwCtrlCtr: " + text + "\n");
    EXPECT_NE(readFile("out/Warnings.txt").find("WARNING: " + text), std::string::npos);
    EXPECT_TRUE(exists("outswTiming"));
    simulation.deleteNetwork();

    build(one_read());
    testing::internal::CaptureStderr();
    ASSERT_EQ(run(), "") << errorModule;
    EXPECT_EQ(testing::internal::GetCapturedStderr().find("progDataDir"), std::string::npos);
}

TEST_F(SwitchCentre, MoreSwitchesThanDomainsEndTheRun)
{
    build(one_read("Velmora.maxDomNum = 0"));
    EXPECT_EQ(run(), "---> maxDomNum must be within [1,239]. Please check the file \"omnetpp.ini\"");
}

} // namespace

namespace {

// The host's switch port reported up and lost before the N_Port registered:
// its unregistered entry stays, and the real report adds a second one.
void flap_before_registration(const CentreProbe& probe)
{
    auto* up = new cMessage("F_PORT_UP", F_PORT_UP, 0);
    up->addPar("portId").setLongValue(0x050200);
    probe.sendToCentre(0, 0.01, up);
    probe.sendToCentre(0, 0.02, new cMessage("DEV_DOWN", DEV_DOWN, 0));
}

TEST_F(SwitchCentre, AFlapBeforeRegistrationLeavesASecondEntryForThePort)
{
    build(one_read());
    flap_before_registration(centre());
    ASSERT_EQ(run(), "") << errorModule;

    // The host's list names it twice, the stale entry first; the stale one
    // stays unidentified to the end.
    const auto lists = centre().fromCentre(ACC_GID_FT);
    ASSERT_EQ(lists.size(), 2u);
    EXPECT_EQ(lists[1]->entryNum, 3);
    const auto ns = readLines("out/swCtrUpd/Velmora.Sw1.NsDb");
    size_t last = ns.size() - 1;
    while (last > 0 && ns[last].rfind("SimTime", 0) != 0)
        --last;
    ASSERT_GE(ns.size(), last + 10);
    EXPECT_EQ(ns[last + 8].substr(0, 37), "UNIDENTIFIED  - 1      : 328192      ");
    // The read still went through.
    EXPECT_EQ(scsi().completions.size(), 1u);
}

TEST_F(SwitchCentre, AFlapBeforeRegistrationCanUseUpTheNameServer)
{
    // Room for the two N_Ports only: the board's port finds none left.
    build(one_read("Velmora.maxNsDbEntry = 2"));
    flap_before_registration(centre());
    EXPECT_EQ(run(), "---> Couldn't get a free NsDB record");
}

} // namespace

namespace {

// The board's cable fails at 1 s in the middle of 64 KiB reads and writes:
// a data frame from it had been accepted by the host's switch port, so
// the centre ends that frame towards the host with an aborting tail and
// drops the host port's completion, the board's port being gone.
TEST_F(SwitchCentre, ASourceLostAfterAcceptanceEndsItsFrameWithEOFa)
{
    build(alternating_io(65536, 1e-4, 0.99, 4, "TargetLinkDrop.txt"));
    ASSERT_EQ(run(), "") << errorModule;

    EXPECT_EQ(warningCount("WARNING: SrcPort FwdTbl open and ACK already received ... issuing EOFa"), 1);
    EXPECT_EQ(warningCount("COM_FRM_FWD found srcPort down ... Deleting message!"), 1);
    EXPECT_EQ(warningCount("WARNING: FC2 received frame with EOFa, abort it!"), 1);
    // One tail more went to the host's port than came from the board's.
    std::vector<CentreProbe::Seen> fromBoard;
    for (const auto& t : centre().toCentre(FC_FRAME_TAIL))
        if (t.port == 1)
            fromBoard.push_back(t);
    std::vector<CentreProbe::Seen> toHost;
    for (const auto& t : centre().fromCentre(FC_FRAME_TAIL))
        if (t.port == 0)
            toHost.push_back(t);
    EXPECT_EQ(toHost.size(), fromBoard.size() + 1);
    // The board's switch port told the centre of the loss at once; one
    // routing task (10 us) later the host was told the board had gone.
    const auto downs = centre().toCentre(DEV_DOWN);
    ASSERT_EQ(downs.size(), 1u);
    EXPECT_EQ(downs[0].port, 1);
    EXPECT_NEAR(downs[0]->time, 1.0, 1e-5);
    std::vector<CentreProbe::Seen> told;
    for (const auto& r : centre().fromCentre(ISSUE_RSCN))
        if (r->time > 1.0)
            told.push_back(r);
    ASSERT_GE(told.size(), 1u);
    EXPECT_EQ(told[0].port, 0);
    EXPECT_EQ(told[0]->portId, long(TARGET_ADDRESS));
    EXPECT_NEAR(told[0]->time - downs[0]->time, 10e-6, 1e-9);
}

} // namespace
