#include "tests/integration/SanBedTest.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

#include "network/Velmora.h"

namespace {

void setUpSan()
{
    setup_root("SanBed");
}

cNetworkType sanNetwork("SanBedNetwork", setUpSan);

// No scenario needs this long; a run still going then has hung.
constexpr double RUN_LIMIT = 10;

} // namespace

void SanBedTest::SetUp()
{
    char tmpl[] = "/tmp/velmora_integ_XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir_ = tmpl;
    oldDir_ = std::filesystem::current_path();
    for (const auto& f : std::filesystem::directory_iterator(VELMORA_TEST_DATA))
        std::filesystem::copy(f.path(), dir_ / f.path().filename());
    std::filesystem::current_path(dir_);
    for (const char* d : {"out", "out/cpu", "out/bus", "out/ee"})
        std::filesystem::create_directory(d);
    ev.setDisabled(true);
    simulation.deleteNetwork();
    simulation.setSimTimeLimit(RUN_LIMIT);
}

void SanBedTest::TearDown()
{
    simulation.deleteNetwork();
    simulation.setIniFile(nullptr);
    simulation.setSimTimeLimit(MAXTIME);
    ev.setDisabled(false);
    std::filesystem::current_path(oldDir_);
    std::filesystem::remove_all(dir_);
}

void SanBedTest::build(const Scenario& scenario)
{
    ini_.clear();
    ini_.readText(std::string("[Parameters]\nVelmora.linkEventFile = \"") + scenario.linkEventFile + "\"\n");
    ini_.readFile("omnetpp.ini");
    simulation.setIniFile(&ini_);
    simulation.setupNetwork(&sanNetwork);
    scsi().plan = scenario.plan;
    scsi().spacing = scenario.spacing;
    scsi().startAt = scenario.startAt;
    scsi().window = scenario.window;
    boardCpu().answerAsLunControllers();
}

std::string SanBedTest::run()
{
    try {
        simulation.callInitialize();
        outcome_ = simulation.run();
        simulation.callFinish();
    } catch (const cRuntimeError& e) {
        errorModule = e.modulePath();
        return e.what();
    }
    return "";
}

cModule* SanBedTest::host() const
{
    return simulation.systemModule()->submodule("Host1");
}
cModule* SanBedTest::hostPort() const
{
    return host()->submodule("NxPort", 0);
}
cModule* SanBedTest::hostFc4() const
{
    return host()->submodule("Fc4", 0);
}
cModule* SanBedTest::targetPort() const
{
    return simulation.moduleByPath("Velmora.Dev1.Chip[0].NxPort[0]");
}
cModule* SanBedTest::switchPort(int i) const
{
    return simulation.systemModule()->submodule("Sw1")->submodule("SwPort", i);
}
ScsiInitiatorStandIn& SanBedTest::scsi() const
{
    return *static_cast<ScsiInitiatorStandIn*>(host()->submodule("Scsi"));
}
TestProcessor& SanBedTest::boardCpu() const
{
    return *static_cast<TestProcessor*>(simulation.moduleByPath("Velmora.Dev1.Chip[0].ChipCpu"));
}
SwitchCentreStandIn& SanBedTest::centre() const
{
    return *static_cast<SwitchCentreStandIn*>(simulation.systemModule()->submodule("Sw1")->submodule("SwCtrlCtr"));
}
SwitchFc4StandIn& SanBedTest::switchFc4(int i) const
{
    return *static_cast<SwitchFc4StandIn*>(switchPort(i)->moduleByRelativePath("Fc4.Fc4Ctrl"));
}

std::string SanBedTest::readFile(const std::string& name)
{
    std::ifstream in(name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> SanBedTest::readLines(const std::string& name)
{
    std::ifstream in(name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

int SanBedTest::warningCount(const std::string& text)
{
    const std::string log = readFile("out/Warnings.txt");
    int n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
        ++n;
    return n;
}
