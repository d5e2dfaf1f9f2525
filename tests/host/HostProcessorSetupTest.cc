#include "device/TaskTiming.h"
#include "host/HostProcessor.h"
#include "sim/ObjectAddress.h"
#include "tests/shared/HostFixture.h"

namespace {

class HostSetupTest : public HostTest {
  protected:
    // The error that initialising a new host with configuration `text` stops
    // with; its file is "Host<n>.conf" for the n-th host.
    std::string setupErrorFor(const std::string& text)
    {
        const std::string name = "Host" + std::to_string(++hostCount);
        writeFile(name + ".conf", text);
        cModule* host = buildHost(name.c_str(), 1, (name + ".conf").c_str());
        return errorOf([&] { cpuOf(host)->callInitialize(); });
    }
    static std::string section1(const std::string& line)
    {
        return "[1]\nHpcBusWidth HpcBusClock CpuModel MaxTarLun MaxRdWrIo MaxCtrlIo\n" + line + "\n[2]\n";
    }
    int hostCount = 0;
};

TEST_F(HostSetupTest, InitialisationPublishesSectionOneOnTheHostItsBusAndItsProcessor)
{
    cModule* host = buildHost("Host1", 2);
    simulation.callInitialize();
    cModule* cpu = cpuOf(host);
    EXPECT_DOUBLE_EQ(host->submodule("Hpc")->par("busWidth").doubleValue(), 32);
    EXPECT_DOUBLE_EQ(host->submodule("Hpc")->par("busClock").doubleValue(), 66);
    EXPECT_STREQ(host->par("cpuModel").stringValue(), "HostCpu");
    EXPECT_EQ(host->par("maxTarLun").longValue(), 8);
    EXPECT_EQ(host->par("maxRdWrIo").longValue(), 64);
    EXPECT_EQ(host->par("maxCtrlIo").longValue(), 16);
    EXPECT_EQ(host->par("pfType").longValue(), 1);
    EXPECT_DOUBLE_EQ(cpu->par("cpuClock").doubleValue(), 500);
    EXPECT_DOUBLE_EQ(cpu->par("memClock").doubleValue(), 250);
    ASSERT_EQ(hostTasks.size(), 9u);
    for (const std::string& task : hostTasks)
        EXPECT_NE(object_at<TaskTiming>(cpu->par(task.c_str()).longValue()), nullptr) << task;
    EXPECT_EQ(object_at<TaskTiming>(cpu->par("FC4_IU_SEND").longValue())->instrNumStddev, 100);
    EXPECT_EQ(object_at<TaskTiming>(cpu->par("COM_SCSI_IO").longValue())->cpuCylInsMean, 3);
    EXPECT_FALSE(cpu->hasPar("SW_ROUTE"));
}

TEST_F(HostSetupTest, HostsTakeEquipmentNumbersAndPlatformNamesAndADuplicateNameStopsTheRun)
{
    std::filesystem::create_directories("out");
    writeFile("out/PfOut.tmp", "left from an earlier run\n");
    cModule* h1 = buildHost("Host1", 1);
    cModule* h2 = buildHost("Host2", 1);
    cpuOf(h1)->callInitialize();
    cpuOf(h2)->callInitialize();
    EXPECT_EQ(static_cast<HostProcessor*>(cpuOf(h2))->equipId(), 1);
    EXPECT_EQ(h1->par("pfName").longValue(), 100000);
    EXPECT_EQ(h2->par("pfName").longValue(), 100001);
    EXPECT_EQ(root->par("equipId").longValue(), 2);
    EXPECT_EQ(root->par("iniEqName").longValue(), 100002);
    // The first device of the run starts the registry afresh.
    EXPECT_EQ(readLines("out/PfOut.tmp"), (std::vector<std::string>{"100000", "100001"}));

    root->par("iniEqName").setLongValue(100001);
    EXPECT_EQ(errorOf([&] { cpuOf(buildHost("Host3", 1))->callInitialize(); }),
              "---> reg_pfname : found duplicate Pf_Name: 100001");
    root->par("iniEqName").setLongValue(0);
    EXPECT_EQ(errorOf([&] { cpuOf(buildHost("Host4", 1))->callInitialize(); }),
              "---> reg_pfname : invalid Pf_Name [0]");
    root->par("iniEqName").setLongValue(100005);
    std::filesystem::remove("out/PfOut.tmp");
    EXPECT_EQ(errorOf([&] { cpuOf(buildHost("Host5", 1))->callInitialize(); }),
              "---> Couldn't open file \"out/PfOut.tmp\" for read: No such file or directory");
}

TEST_F(HostSetupTest, OnlyTheFirstHostOfACpuModelWritesItsTimingRows)
{
    cpuOf(buildHost("Host1", 1))->callInitialize();
    const std::string expected = timingHeader() + timingRow("FC4_IU_SEND", "6.000", "HostCpu", "Node") +
                                 timingRow("FC4_IU_RECV", "6.000") + timingRow("FCP_IU_SEND", "8.000") +
                                 timingRow("FCP_IU_RECV", "6.000") + timingRow("CRE_IT_PATH", "50.000") +
                                 timingRow("RMV_IT_PATH", "20.000") + timingRow("INI_SCSI_IO", "2.000") +
                                 timingRow("INI_SCSI_SIO", "6.000") + timingRow("COM_SCSI_IO", "2.500") + timingRule();
    EXPECT_EQ(readFile("Timing.txt"), expected);
    cModule* h2 = buildHost("Host2", 1);
    cpuOf(h2)->callInitialize();
    EXPECT_EQ(readFile("Timing.txt"), expected);
    EXPECT_DOUBLE_EQ(cpuOf(h2)->par("cpuClock").doubleValue(), 500);
}

TEST_F(HostSetupTest, EveryCheckOfSectionOneStopsTheRunWithItsMessageInFieldOrder)
{
    const std::string width = "---> Invalid HpcBusWidth. Must >= 1-bit. Normally should choose 16, 32, or 64-bit.";
    const std::string clock = "---> Invalid HpcBusClock. Must >= 1-MHz. Normally should choose 33, 66, 100 or "
                              "133-MHz.";
    struct Case {
        std::string text;
        std::string message;
        bool aboutSection; // the message ends by naming section [1] of the file
    };
    const Case cases[] = {
        {section1("32 66 HostCpu 8 64 16 9"), "---> Host General Configuration : at most 6 parameters can be setup.",
         true},
        {section1("32 66 HostCpu 8 64"), "---> Host General Configuration : missing parameter(s).", true},
        {section1("0.5 0 HostCpu 0 0 0"), width, true},
        {section1("32 0 NoSuchCpu 0 0 0"), clock, true},
        // The CPU model's file is read before the limits are checked.
        {section1("32 66 NoSuchCpu 0 0 0"), "---> Couldn't open file \"NoSuchCpu.ini\": No such file or directory",
         false},
        {section1("32 66 HostCpu 0 0 0"),
         "---> Invalid MaxTarLun. At least one LUN must be setup for each Target Port.", true},
        {section1("32 66 HostCpu 8 0 0"), "---> Invalid MaxRdWrIo. Must >= 1.", true},
        {section1("32 66 HostCpu 8 64 -1"), "---> Invalid MaxCtrlIo. Must >= 1.", true},
        // Counts that size the I/O tables have an upper bound too.
        {section1("32 66 HostCpu 8 10000000000 16"), "---> Invalid MaxRdWrIo. Must be within [1,1000000].", true},
        {section1("32 66 HostCpu 8 64 1000001"), "---> Invalid MaxCtrlIo. Must be within [1,1000000].", true},
        {"[1]\nheader only\n[2]\n0 2 0.1 I 8 2 8 2 1 FcCtrlA\n", "Missing PeriBusWid setup.", true},
        {"[2]\nno section [1] at all\n", "Missing PeriBusWid setup.", true},
    };
    for (const Case& c : cases) {
        const std::string file = "Host" + std::to_string(hostCount + 1) + ".conf";
        const std::string expected =
            c.aboutSection ? c.message + " Please check section [1] of the file \"" + file + "\"" : c.message;
        EXPECT_EQ(setupErrorFor(c.text), expected) << c.text;
    }
    cModule* host = buildHost("Absent", 1, "absent.conf");
    // Named by the setting of the host that gave it.
    EXPECT_EQ(
        errorOf([&] { cpuOf(host)->callInitialize(); }),
        "---> Couldn't open file \"absent.conf\", the value of Velmora.Absent.confFile: No such file or directory");
}

} // namespace
