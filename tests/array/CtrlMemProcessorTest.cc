#include "tests/array/CtrlMemFixture.h"

namespace {

using Outgoing = ArrayTest::Outgoing;

Outgoing fromChip(double t, cMessage* (*make)())
{
    return {t, make};
}

cMessage* scsiCmdForLun2()
{
    auto* cmd = new ScsiCmdRecvd("SCSI_CMD_RECVD", SCSI_CMD_RECVD);
    cmd->setLun(2);
    cmd->setIoId(77);
    return cmd;
}

cMessage* devDown()
{
    auto* m = new cMessage("DEV_DOWN", DEV_DOWN, 0);
    m->addPar("fc4Index").setLongValue(1);
    return m;
}

// Set-up, the LUN table and the router: commands go to the controller of
// their LUN, a port event to every controller in LUN order, one task at a
// time; whatever a controller is given holds the processor, and its time is
// charged to that LUN, until the controller's NEXT_MSG.
TEST_F(CtrlMemTest, RoutesTasksOneAtATimeAndChargesEachLun)
{
    chipOut = {
        fromChip(0.001, scsiCmdForLun2),
        fromChip(0.001, devDown),
        fromChip(0.001, [] { return new cMessage("CREATE_IT_PATH", CREATE_IT_PATH, 0); }),
        fromChip(0.004, [] { return new cMessage("RMT_IO_GEN_RDY", RMT_IO_GEN_RDY, 0); }),
    };
    lunPlay(1, "LunOne", {}, 0.0005);
    lunPlay(2, "LunTwo",
            {{0.005, "to_cpu", -1,
              [] {
                  auto* rsp = new SendCmdComp("SEND_CMD_COMP", SEND_CMD_COMP);
                  rsp->setChipId(0);
                  rsp->setIoId(77);
                  return static_cast<cMessage*>(rsp);
              }}},
            0.0005);
    lunPlay(0, "", {}, 0.0005);
    build(conf(3, "1", false));
    endRunAt(0.025);
    ASSERT_EQ(runAll(), RunOutcome::EVENTS_EXHAUSTED) << console.str();

    // Set-up: what the processor publishes.
    EXPECT_EQ(array->par("pfName").longValue(), 100000);
    EXPECT_EQ(array->par("pfType").longValue(), 2);
    EXPECT_EQ(root->par("equipId").longValue(), 1);
    EXPECT_DOUBLE_EQ(array->par("cswBusWidth").doubleValue(), 64);
    EXPECT_DOUBLE_EQ(array->par("cswDlyUS").doubleValue(), 2);
    EXPECT_EQ(std::string(array->par("cpuModel").stringValue()), "CtrlMemCpu");
    EXPECT_FALSE(array->par("cchWriteThru").boolValue());
    EXPECT_EQ(std::string(array->par("cchUpdName").stringValue()), "None");
    EXPECT_FALSE(array->par("enableCchCln").boolValue());
    EXPECT_EQ(cmc->par("arrLunNum").longValue(), 3);
    EXPECT_TRUE(cmc->par("allDone").boolValue());
    for (int i = 0; i < 3; ++i) {
        cModule* ctrl = cmc->submodule("LunCtrl", i);
        ASSERT_NE(ctrl, nullptr);
        EXPECT_EQ(ctrl->gate("to_cpu")->toGate(), cpu->gate("from_lunctrl", i));
    }

    // The command, then the event's three copies, each after the last
    // controller released; the announcement reaches all three at once.
    const auto lun0 = heardBy(0), lun1 = heardBy(1), lun2 = heardBy(2);
    ASSERT_EQ(lun2.size(), 3u);
    EXPECT_EQ(lun2[0]->name, "SCSI_CMD_RECVD");
    EXPECT_DOUBLE_EQ(lun2[0]->time, 0.001);
    EXPECT_EQ(lun2[0]->msg->par("chipId").longValue(), 0);
    ASSERT_EQ(lun0.size(), 2u);
    ASSERT_EQ(lun1.size(), 2u);
    EXPECT_EQ(lun0[0]->name, "DEV_DOWN");
    EXPECT_DOUBLE_EQ(lun0[0]->time, 0.0015);
    EXPECT_EQ(lun0[0]->msg->par("lunCtrlIdx").longValue(), 0);
    EXPECT_EQ(lun0[0]->msg->par("chipId").longValue(), 0);
    EXPECT_DOUBLE_EQ(lun1[0]->time, 0.002);
    EXPECT_EQ(lun2[1]->name, "DEV_DOWN");
    EXPECT_DOUBLE_EQ(lun2[1]->time, 0.0025);
    for (const auto* h : {lun0[1], lun1[1], lun2[2]}) {
        EXPECT_EQ(h->name, "RMT_IO_GEN_RDY");
        EXPECT_DOUBLE_EQ(h->time, 0.004);
    }
    // The response goes to its board at once; the path event changed nothing.
    const auto chip = at("Chip");
    ASSERT_EQ(chip.size(), 1u);
    EXPECT_EQ(chip[0]->name, "SEND_CMD_COMP");
    EXPECT_DOUBLE_EQ(chip[0]->time, 0.005);

    // Utilisation: LUN 2 held the processor 1 ms, LUNs 0 and 1 0.5 ms each,
    // all in the first period.
    const auto util = rows("out/cpu/Velmora.Arr.CtrlMemCch.CpuUtil", 3);
    const std::vector<std::string> header = readLines("out/cpu/Velmora.Arr.CtrlMemCch.CpuUtil");
    ASSERT_GE(header.size(), 3u);
    EXPECT_EQ(header[0],
              col("SimTime(ms)", 15) + col("LUN[0]", 25) + col("LUN[1]", 25) + col("LUN[2]", 25) + col("Caching", 25));
    EXPECT_EQ(header[2], std::string(15 + 25 * 4, '-'));
    ASSERT_GE(util.size(), 3u);
    EXPECT_EQ(util[0][0], "0.0000");
    EXPECT_EQ(util[1][0], "10.0000");
    EXPECT_EQ(util[1][1], "5.0000");   // LUN 0: 0.5 ms of 10
    EXPECT_EQ(util[1][2], "0.500000"); // ms
    EXPECT_EQ(util[1][4], "0.500000");
    EXPECT_EQ(util[1][5], "10.0000");
    EXPECT_EQ(util[1][6], "1.000000");
    EXPECT_EQ(util[1][8], "0.000000"); // routing the response takes no time
    EXPECT_EQ(util[2][2], "0.000000");
}

// Bad settings end the run at initialisation with their message; an
// unrecognised write-through flag gives a write-back cache.
TEST_F(CtrlMemTest, BadSettingsStopTheRun)
{
    const std::string file = " Please check section [3] of the file \"cm.conf\"";
    const std::string flushFile = " Please check section [3.1] of the file \"cm.conf\"";
    const std::string cleanFile = " Please check section [3.2] of the file \"cm.conf\"";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {conf(0, "1", false), "---> MaxArrLun setup incorrect. At least one LUN (LUN0) must be setup." + file},
        {conf(-1, "1", false), "---> MaxArrLun setup incorrect. At least one LUN (LUN0) must be setup." + file},
        {conf(1, "0.06", false), "---> CacheSize setup incorrect. At least 64 KB cache must be setup." + file},
        {conf(1, "-", false), "---> CacheSize setup incorrect. At least 64 KB cache must be setup." + file},
        {"[3]\nheader\n1 1 64 100 2 CtrlMemCpu N extra\n",
         "---> At most 7 parameters can be setup for CtrlMem setting." + file},
        {"[3]\nheader\n1 1 64 100 2 CtrlMemCpu\n", "---> Missing parameter(s) for CtrlMem setting." + file},
        {"[3]\nheader\n[3.1]\n", "---> Missing MaxArrLun setup." + file},
        {conf(1, "1", false, "Often 0.5 0.1 10 0.5 0.1 0.1 0.5 1"),
         "---> Incorrect CCH_UPD name. Must be one of the three: None, Fixed, or Adapt." + flushFile},
        {conf(1, "1", false, "Fixed 0.5 0.1 10 1.5 0.1 0.1 0.5 1"),
         "---> FBR_max setup incorrect. Must be within [0,1]." + flushFile},
        {conf(1, "1", false, "Adapt 0.5 0.1 10 0.5 0.1 0.1 0 1"),
         "---> TOL_fact setup incorrect. Must > zero." + flushFile},
        {conf(1, "1", false, "None 0.5 0.1 0 0.5 0.1 0.1 0.5 1"),
         "---> INT_flush setup incorrect. Must > 0ms." + flushFile},
        {conf(1, "1", false, "None 0.5 0.1 10 0.5 0.1 0.1 0.5 1", "N 10 0.5 0.5 0.5 - 0.5"),
         "---> CTH_N_actv setup incorrect. Must be within [0,1]." + cleanFile},
        {conf(1, "1", false, "None 0.5 0.1 10 0.5 0.1 0.1 0.5 1", "N 10 0.5 0.5 0.5 0.5"),
         "---> Missing parameter(s) for Cache Cleaning setting." + cleanFile},
    };
    for (const auto& [text, message] : cases) {
        renew();
        build(text);
        EXPECT_EQ(errorOf([] { simulation.callInitialize(); }), message) << text;
    }

    renew();
    std::string yes = conf(1, "0.0625", false);
    yes.replace(yes.find("CtrlMemCpu N"), 12, "CtrlMemCpu Yes");
    build(yes);
    EXPECT_EQ(errorOf([] { simulation.callInitialize(); }), "");
    EXPECT_FALSE(array->par("cchWriteThru").boolValue());
    ASSERT_NE(cmc->submodule("LunCtrl", 0), nullptr);
    EXPECT_EQ(cmc->submodule("LunCtrl", 1), nullptr);
}

// A file saved with a byte-order mark reads as one without. The settings keep
// the leading-number reading stored files rely on, and what it cuts off is
// told with its line; a field's own unit is no loss.
TEST_F(CtrlMemTest, SettingsCutShortAreReadAsBeforeAndToldWithTheirLines)
{
    root->addPar("warningsFile").setStringValue("Warnings.txt");
    root->addPar("warnFileNew").setBoolValue(true);
    root->addPar("warningsCnt").setLongValue(0);
    build("\xEF\xBB\xBF" + conf(1, "1MB", false, "None 0,5 0.1 10ms 0.5 0.1 0.1 0.5 1", "N 10ms 0.5 0.5 0.5 1,0 0.5"));
    ASSERT_EQ(errorOf([] { simulation.callInitialize(); }), "");
    const std::vector<std::string> told = {
        "---> Line 6, field 2 \"0,5\" reads as 0: the text after the number is ignored. Please check section "
        "[3.1] of the file \"cm.conf\"",
        "---> Line 9, field 6 \"1,0\" reads as 1: the text after the number is ignored. Please check section "
        "[3.2] of the file \"cm.conf\"",
    };
    const auto log = readLines("Warnings.txt");
    ASSERT_EQ(log.size(), 2 + told.size()) << readFile("Warnings.txt");
    for (size_t i = 0; i < told.size(); ++i)
        EXPECT_EQ(log[2 + i].substr(log[2 + i].find("WARNING: ")), "WARNING: " + told[i]);
}

// A command for a LUN the array does not have ends the run; so does a
// release from a controller that does not hold the processor.
TEST_F(CtrlMemTest, IllegalLunAndReleaseWhileIdleStopTheRun)
{
    chipOut = {{0.001, [] {
                    auto* cmd = new ScsiCmdRecvd("SCSI_CMD_RECVD", SCSI_CMD_RECVD);
                    cmd->setLun(2);
                    return static_cast<cMessage*>(cmd);
                }}};
    build(conf(2, "1", false));
    EXPECT_EQ(runError(), "---> task_router : found illegal LUN_ID for this IO task!");

    renew();
    lunPlay(1, "LunOne", {{0.002, "to_cpu", -1, [] { return new cMessage("NEXT_MSG", NEXT_MSG, 0); }}});
    build(conf(2, "1", false));
    EXPECT_EQ(runError(),
              "ERROR: Velmora.Arr.CtrlMemCch.CtrlMemCpu got NEXT_MSG from LunCtrl[1] while its processor was idle");
}

} // namespace
