#include <iomanip>

#include "fcport/NxPortMap.h"
#include "device/OutputFile.h"
#include "device/WarningsLog.h"
#include "tests/fcport/FcportFixture.h"
#include "tests/sim/TestModules.h"

namespace {

class RunLogsTest : public FcportTest {
  protected:
    const std::string warnHeader =
        col("Count", 10) + col("SimTime(ms)", 15) + col("Module", 62) + "Message\n" + std::string(140, '-') + "\n";
    static std::string warnRow(int n, const char* ms, const std::string& path, const std::string& text)
    {
        return col(std::to_string(n), 10) + col(ms, 15) + col(path, 62) + text + "\n";
    }
    // A node port whose transmitter's link reaches the receiver of `peer`.
    cModule* linkedPort(const char* device, cModule* peer, bool initiator)
    {
        cModule* nx = compound("NxPort", compound(device, root), 0, 1);
        nx->addPar("fcpIni").setBoolValue(initiator);
        cModule* tx = compound("Tx", compound("Fc1", nx));
        tx->addGate("link_out", 'O');
        if (peer) {
            cModule* rx = compound("Rx", compound("Fc1", peer));
            rx->addGate("link_in", 'I');
            tx->gate("link_out")->connectTo(rx->gate("link_in"));
        }
        return nx;
    }
};

TEST_F(RunLogsTest, FirstWarningStartsTheLogAndRowsCountOnWithSimulatedMilliseconds)
{
    cModule* host = compound("Host", root);
    new LambdaModule("IoGen", host, [](LambdaModule& self) {
        warnings(&self, "WARNING: first", OpenFailText::QUOTED);
        self.wait(0.0123456);
        warnings(&self, "NOTICE: second", OpenFailText::ERROR_BANG);
    });
    simulation.callInitialize();
    simulation.run();
    // The log's directory did not exist before the first warning.
    EXPECT_EQ(readFile("logs/Warnings.log"), warnHeader + warnRow(0, "0.0000", "Velmora.Host.IoGen", "WARNING: first") +
                                                 warnRow(1, "12.3456", "Velmora.Host.IoGen", "NOTICE: second"));
    EXPECT_EQ(root->par("warningsCnt").longValue(), 2);
    EXPECT_FALSE(root->par("warnFileNew").boolValue());
}

TEST_F(RunLogsTest, WithTheFlagClearedRowsAreAppendedAndLongPathsPushTheTextRight)
{
    root->par("warnFileNew").setBoolValue(false);
    root->par("warningsCnt").setLongValue(7);
    root->par("warningsFile").setStringValue("old.log");
    writeFile("old.log", "kept\n");
    cModule* deep = compound("AVeryLongSubmoduleNameThatGoesOnAndOn", compound("DataCentre1", root));
    deep = compound("ControlMemoryAndCacheProcessor", deep);
    ASSERT_GT(deep->fullPath().size(), 62u);
    warnings(deep, "ALERT: x", OpenFailText::QUOTED);
    EXPECT_EQ(readFile("old.log"), "kept\n" + col("7", 10) + col("0.0000", 15) + deep->fullPath() + "ALERT: x\n");
}

TEST_F(RunLogsTest, ALogThatCannotBeOpenedStopsTheRunWithTheCallersText)
{
    cModule* m = compound("Sw", root);
    root->par("warningsFile").setStringValue(".");
    EXPECT_EQ(errorOf([&] { warnings(m, "WARNING: w", OpenFailText::QUOTED); }), "---> Couldn't open file \".\"");
    EXPECT_EQ(errorOf([&] { warnings(m, "WARNING: w", OpenFailText::ERROR_BANG); }), "ERROR: Couldn't open file . !");
    EXPECT_TRUE(root->par("warnFileNew").boolValue());
    writeFile("plain", "a file, not a directory");
    const std::string e = errorOf([&] { open_output_file(m, "plain/sub/x.txt", true); });
    EXPECT_EQ(e.rfind("---> Couldn't create the directory \"plain/sub\" for the file \"plain/sub/x.txt\": ", 0), 0u)
        << e;
}

TEST_F(RunLogsTest, StatisticsPathsConcatenateTheirPartsAndStreamsAreFixedPointLeftJustified)
{
    cModule* m = compound("Hpc", compound("Host", root));
    const std::string path = output_path(root, "cpuUtilDir", m->fullPath(), ".CpuUtil");
    EXPECT_EQ(path, "out/cpu/Velmora.Host.Hpc.CpuUtil");
    {
        std::ofstream out = open_output_file(m, path, true);
        out << std::setw(10) << 12.5 << std::setprecision(0) << 3.0 << "|" << std::setprecision(2) << 1.0 / 3 << "\n";
    }
    EXPECT_EQ(readFile(path), "12.500000 3.|0.33\n");
    open_output_file(m, path, false) << "more\n";
    EXPECT_EQ(readFile(path), "12.500000 3.|0.33\nmore\n");
}

TEST_F(RunLogsTest, PeriodsComeFromRootMillisecondsAndMustBePositive)
{
    cModule* m = compound("EeStat", root);
    root->addPar("eeStatTimeScale").setDoubleValue(250);
    EXPECT_DOUBLE_EQ(time_scale_seconds(m, root, "eeStatTimeScale"), 0.25);
    root->par("eeStatTimeScale").setLongValue(0);
    EXPECT_EQ(errorOf([&] { time_scale_seconds(m, root, "eeStatTimeScale"); }),
              "---> Invalid \"eeStatTimeScale\". Must > 0ms. Please check the file \"omnetpp.ini\"");
}

TEST_F(RunLogsTest, NxPortMapNumbersRowsAndNamesBothEndsOfTheLink)
{
    cModule* swPort = compound("SwPort", compound("Switch", root), 2, 4);
    cModule* ini = linkedPort("Host", swPort, true);
    cModule* tar = linkedPort("Array", swPort, false);
    write_nx_port_map_row(ini, ini, 0x010200);
    write_nx_port_map_row(tar, tar, 0xEFFFFF);
    const std::string banner(59, '=');
    EXPECT_EQ(readFile("NxPortMap.txt"),
              banner + "\n*** Only connected NxPorts will be assigned AddressId ! ***\n" + banner + "\n\n" +
                  col("Cnt", 7) + col("Feature", 13) + col("AddrId", 15) + col("NxPortFullPath", 55) +
                  col("FPortFullPath", 45) + "\n" + std::string(135, '-') + "\n" + col("1", 7) +
                  col("Initiator", 13) + col("66048", 15) + col("Velmora.Host.NxPort[0]", 55) +
                  col("Velmora.Switch.SwPort[2]", 45) + "\n" + col("2", 7) + col("Target", 13) +
                  col("15728639", 15) + col("Velmora.Array.NxPort[0]", 55) + col("Velmora.Switch.SwPort[2]", 45) +
                  "\n");
    EXPECT_EQ(root->par("actvNxPortNum").longValue(), 2);
    cModule* lone = linkedPort("Lone", nullptr, true);
    EXPECT_EQ(far_end_port(lone), nullptr);
    EXPECT_EQ(far_end_port(ini), swPort);
}

} // namespace
