#include "tests/integration/SanBedTest.h"

#include <filesystem>

#include "network/Velmora.h"
#include "tests/shared/TestHelpers.h"

namespace {

void setUpSan()
{
    setup_root("SanBed");
}

cNetworkType sanNetwork("SanBedNetwork", setUpSan);

const char* rootType = "SanBed";

void setUpChosenRoot()
{
    setup_root(rootType);
}

cNetworkType chosenNetwork("SanBedChosenNetwork", setUpChosenRoot);

// No scenario needs this long; a run still going then has hung.
constexpr double RUN_LIMIT = 10;

} // namespace

void SanBedTest::SetUp()
{
    ASSERT_NO_FATAL_FAILURE(scratch_.enter("/tmp/velmora_integ_XXXXXX", VELMORA_TEST_DATA));
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
    scratch_.leave();
}

void SanBedTest::build(const Scenario& scenario)
{
    ini_.clear();
    ini_.readText(std::string("[Parameters]\nVelmora.linkEventFile = \"") + scenario.linkEventFile + "\"\n" +
                  scenario.settings + "\n");
    if (scenario.network != "SanBed")
        ini_.readFile("fabric.ini");
    ini_.readFile("omnetpp.ini");
    simulation.setIniFile(&ini_);
    if (scenario.network == "SanBed") {
        simulation.setupNetwork(&sanNetwork);
    } else {
        rootType = scenario.network.c_str();
        simulation.setupNetwork(&chosenNetwork);
        rootType = "SanBed";
    }
    for (int i : {0, 1}) {
        MessageTap::splice(switchPort(i), "Fc4Tap", switchPort(i)->submodule("Fc2")->gate("to_fc4"));
        MessageTap::splice(switchPort(i), "Fc2Tap", switchPort(i)->submodule("Fc4")->gate("to_fc2"));
    }
    probe_ = CentreProbe{};
    probe_.attach(simulation.systemModule()->submodule("Sw1"));
    scsi().plan = scenario.plan;
    scsi().spacing = scenario.spacing;
    scsi().startAt = scenario.startAt;
    scsi().window = scenario.window;
    boardCpu().answerAsLunControllers();
}

Scenario alternating_io(unsigned long bytes, double spacing, double startAt, size_t window, const char* linkEventFile)
{
    Scenario s;
    for (int i = 0; i < 200; ++i)
        s.plan.push_back({static_cast<unsigned char>(i % 2 ? SCSI_WRITE : SCSI_READ), bytes});
    s.spacing = spacing;
    s.startAt = startAt;
    s.window = window;
    s.linkEventFile = linkEventFile;
    return s;
}

std::string SanBedTest::run()
{
    return errorOf([this] { outcome_ = runToFinish(); }, errorModule);
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
cModule* SanBedTest::centreModule() const
{
    return centreOf(1);
}
cModule* SanBedTest::switchModule(int s) const
{
    return simulation.systemModule()->submodule(("Sw" + std::to_string(s)).c_str());
}
cModule* SanBedTest::centreOf(int s) const
{
    return switchModule(s)->submodule("SwCtrlCtr");
}
MessageTap& SanBedTest::switchFc2(int i) const
{
    return *static_cast<MessageTap*>(switchPort(i)->submodule("Fc2Tap"));
}
MessageTap& SanBedTest::switchFc4(int i) const
{
    return *static_cast<MessageTap*>(switchPort(i)->submodule("Fc4Tap"));
}

int SanBedTest::warningCount(const std::string& text)
{
    const std::string log = readFile("out/Warnings.txt");
    int n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
        ++n;
    return n;
}
