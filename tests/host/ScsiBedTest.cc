#include <filesystem>
#include <sstream>

#include "messages/MsgKinds.h"
#include "tests/host/ScsiBed.h"
#include "tests/host/ScsiBedFabric.h"
#include "tests/shared/TestHelpers.h"

namespace {

// No scenario needs this long; a run still going then has hung.
constexpr double RUN_LIMIT = 20;

std::string host_conf(const ScsiBedSetup& s)
{
    std::string text = "[1]\nHpcBusWidth HpcBusClock CpuModel MaxTarLun MaxRdWrIo MaxCtrlIo\n64 100 HostCpu " +
                       std::to_string(s.maxTarLun) + " " + std::to_string(s.maxRdWrIo) + " " +
                       std::to_string(s.maxCtrlIo) +
                       "\n[2]\nNxPortIdx portSpeed R_T_TOV FCP RxBuf TxBuf C3Seq MaxSeqTry MaxPeerPort FcCtrl\n";
    for (int i = 0; i < s.hostPorts; ++i)
        text += std::to_string(i) + " 2 100 I 8 2 " + std::to_string(s.c3Seq) + " " + std::to_string(s.maxSeqTry) +
                " " + std::to_string(s.maxPeerPort) + " FcCtrlN\n";
    text += "[2.1]\nLUN_WWN LUN_MASK PRI_INI_WWPN PRI_TAR_WWPN\n";
    for (const std::string& row : s.maskRows)
        text += row + "\n";
    return text + (s.workload.empty() ? "[3]\n" : s.workload);
}

std::string array_conf(const ScsiBedSetup& s)
{
    std::string text = "[2]\nChipIdx NxPortIdx portSpeed R_T_TOV FCP RxBuf TxBuf C3Seq MaxSeqTry MaxPeerPort FcCtrl\n";
    for (int c = 0; c < s.boards; ++c)
        text += std::to_string(c) + " 0 2 100 T 8 2 8 3 2 FcCtrlN\n";
    return text + "[2.1]\n";
}

} // namespace

void ScsiBedTest::SetUp()
{
    ASSERT_NO_FATAL_FAILURE(scratch_.enter("/tmp/velmora_scsi_XXXXXX", VELMORA_TEST_DATA "/scsi"));
    for (const char* d : {"out", "out/cpu", "out/bus", "out/ee"})
        std::filesystem::create_directory(d);
    ev.setDisabled(true);
    simulation.deleteNetwork();
    simulation.setSimTimeLimit(RUN_LIMIT);
}

void ScsiBedTest::TearDown()
{
    simulation.deleteNetwork();
    simulation.setIniFile(nullptr);
    simulation.setSimTimeLimit(MAXTIME);
    ev.setDisabled(false);
    scratch_.leave();
}

TestProcessor::LunTarget ScsiBedTest::two_luns()
{
    TestProcessor::LunTarget t;
    t.luns = {0, 1, 2};
    t.wwns = {{1, "LUN_A"}, {2, "LUN_B"}};
    return t;
}

void ScsiBedTest::build(const ScsiBedSetup& setup)
{
    setup_ = setup;
    const int switchPorts = setup.hostPorts + setup.boards;
    writeFile("host.conf", host_conf(setup));
    writeFile("array.conf", array_conf(setup));
    writeFile("switch.conf", fabric_switch_conf(switchPorts));
    const char* events = "NoLinkEvents.txt";
    if (!setup.linkEvents.empty()) {
        writeFile("LinkEvents.txt", setup.linkEvents);
        events = "LinkEvents.txt";
    }
    std::ostringstream lines;
    lines << "[Parameters]\nVelmora.linkEventFile = \"" << events << "\"\n"
          << "Velmora.Host1.confFile = \"host.conf\"\nVelmora.Host1.nxPortNum = " << setup.hostPorts << "\n"
          << "Velmora.Dev1.confFile = \"array.conf\"\nVelmora.Dev1.chipNum = " << setup.boards << "\n"
          << fabric_switch_ini("Velmora.Sw1", "switch.conf", switchPorts);
    ini_.clear();
    ini_.readText(lines.str());
    ini_.readFile("omnetpp.ini");
    simulation.setIniFile(&ini_);
    simulation.setupNetwork(scsi_bed_network(setup.hostPorts, setup.boards, setup.clientHost));
    if (!setup.clientHost)
        iogen().plan = setup.plan;
    for (int c = 0; c < setup.boards; ++c) {
        const TestProcessor::LunTarget target =
            c < static_cast<int>(setup.targets.size()) ? setup.targets[c] : two_luns();
        board(c).answerAsLunControllers(&target);
    }
}

std::string ScsiBedTest::run()
{
    return errorOf([] { runToFinish(); }, errorModule);
}

cModule* ScsiBedTest::host() const
{
    return root()->submodule("Host1");
}
ScsiLayer& ScsiBedTest::scsi() const
{
    return *static_cast<ScsiLayer*>(host()->submodule("Scsi"));
}
IoGeneratorStandIn& ScsiBedTest::iogen() const
{
    return *static_cast<IoGeneratorStandIn*>(host()->submodule("IoGen"));
}
TestProcessor& ScsiBedTest::board(int c) const
{
    return target_board_cpu(root()->submodule("Dev1"), c);
}
cModule* ScsiBedTest::hostCpu() const
{
    return host()->submodule("Cpu");
}

std::vector<TestProcessor::Command> ScsiBedTest::commandsOf(int c, unsigned char code) const
{
    std::vector<TestProcessor::Command> out;
    for (const auto& cmd : board(c).commands)
        if (cmd.code == code)
            out.push_back(cmd);
    return out;
}

std::vector<std::vector<std::string>> ScsiBedTest::activeRows(const std::string& wwn) const
{
    std::vector<std::vector<std::string>> rows;
    for (const std::string& row : rowsOf(actvPathFile(), 4)) {
        std::vector<std::string> f = fields(row);
        if (f.size() == 4 && f[1] == wwn)
            rows.push_back(f);
    }
    return rows;
}

void ScsiBedTest::expectCleanEnd() const
{
    EXPECT_EQ(scsi().cpuGrants(), scsi().cpuReleases());
    EXPECT_EQ(scsi().openIoNum(), 0);
    EXPECT_EQ(scsi().openSioNum(), 0);
    for (const LunPathTable& pt : scsi().lunPaths())
        EXPECT_EQ(pt.currSio, 0);
    EXPECT_EQ(scsi().liveCdbs(), 0);
}

int ScsiBedTest::countOf(const std::string& text, const std::string& what)
{
    int n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

std::vector<std::string> ScsiBedTest::rowsOf(const std::string& file, size_t headerLines)
{
    std::vector<std::string> lines = readLines(file);
    if (lines.size() <= headerLines)
        return {};
    return std::vector<std::string>(lines.begin() + static_cast<long>(headerLines), lines.end());
}

std::vector<std::string> ScsiBedTest::fields(const std::string& row)
{
    std::istringstream in(row);
    std::vector<std::string> out;
    for (std::string f; in >> f;)
        out.push_back(f);
    return out;
}
