#include "tests/switch/SwitchPairTest.h"

#include <filesystem>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "network/CompoundBuilder.h"
#include "network/RootModule.h"
#include "network/SiteLayout.h"
#include "network/Velmora.h"
#include "tests/shared/TestHelpers.h"
#include "tests/shared/TestRoot.h"

namespace {

const CompoundDescription pairDesc = {
    {
        {"Sw1",
         "StandInFcSwitch",
         {},
         {},
         {{"link_in", Expr::own("swPortNum")}, {"link_out", Expr::own("swPortNum")}},
         "i=switch"},
        {"Sw2",
         "StandInFcSwitch",
         {},
         {},
         {{"link_in", Expr::own("swPortNum")}, {"link_out", Expr::own("swPortNum")}},
         "i=switch"},
    },
    cables({{"Sw1", 0, "Sw2", 0, "o=#ffffff", Expr(1e-6)}}),
    "",
    false,
};

void set_up_pair()
{
    setup_root("SwitchPair");
}

cNetworkType pairNetwork("SwitchPairNetwork", set_up_pair);

// No scenario needs this long; a run still going then has hung.
constexpr double RUN_LIMIT = 4;

} // namespace

Define_Module_Interface(SwitchPair, test_root_items());
Define_Described_Compound(SwitchPair, pairDesc);

void SwitchPairTest::SetUp()
{
    ASSERT_NO_FATAL_FAILURE(scratch_.enter("/tmp/velmora_switch_XXXXXX", VELMORA_TEST_DATA));
    std::filesystem::create_directory("out");
    ev.setDisabled(true);
    simulation.deleteNetwork();
    simulation.setSimTimeLimit(RUN_LIMIT);
}

void SwitchPairTest::TearDown()
{
    simulation.deleteNetwork();
    simulation.setIniFile(nullptr);
    simulation.setSimTimeLimit(MAXTIME);
    ev.setDisabled(false);
    scratch_.leave();
}

void SwitchPairTest::build(const std::string& ini)
{
    ini_.clear();
    ini_.readText("[Parameters]\n" + ini + "\n");
    ini_.readFile("omnetpp.ini");
    simulation.setIniFile(&ini_);
    simulation.setupNetwork(&pairNetwork);
    for (int s : {1, 2}) {
        cModule* p = port(s);
        ups_[s - 1] = MessageTap::splice(p, "UpTap", p->submodule("Fc2")->gate("to_fc4"));
        downs_[s - 1] = MessageTap::splice(p, "DownTap", p->submodule("Fc4")->gate("to_fc2"));
    }
}

void SwitchPairTest::initialise()
{
    simulation.callInitialize();
    initialised_ = true;
}

std::string SwitchPairTest::run()
{
    return errorOf(
        [this] {
            if (!initialised_)
                simulation.callInitialize();
            simulation.run();
            simulation.callFinish();
        },
        errorModule);
}

std::string SwitchPairTest::runToError()
{
#if defined(__SANITIZE_ADDRESS__)
    __lsan::ScopedDisabler leaksOfTheStoppedRun;
#endif
    return run();
}

cModule* SwitchPairTest::sw(int s) const
{
    return simulation.systemModule()->submodule(s == 1 ? "Sw1" : "Sw2");
}

cModule* SwitchPairTest::port(int s, int p) const
{
    return sw(s)->submodule("SwPort", p);
}

SwitchCentreStandIn& SwitchPairTest::centre(int s) const
{
    return *static_cast<SwitchCentreStandIn*>(sw(s)->submodule("SwCtrlCtr"));
}

int SwitchPairTest::warningCount(const std::string& text)
{
    const std::string log = readFile("out/Warnings.txt");
    int n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
        ++n;
    return n;
}
