#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>

#include "network/LowMemory.h"
#include "network/NetworkTestBed.h"
#include "network/RunFolderLock.h"
#include "network/Velmora.h"
#include "tests/network/VelmoraNetworkTest.h"
#include "tests/shared/TestHelpers.h"

namespace {

// A root type with only the first state parameter, for the set-up's own check.
class BareRoot : public cCompoundModule {
  public:
    using cCompoundModule::cCompoundModule;
};
const sDescrItem bareRootItems[] = {
    {'M', "default", nullptr, 0}, {'P', "rootFlag", "B", 0}, {'E', nullptr, nullptr, 0}};

using VelmoraSetup = VelmoraNetworkTest;

TEST_F(VelmoraSetup, RootDeclaresUniqueParametersAndGivesEveryStateParameterAFirstValueTheIniCannotChange)
{
    setUp();
    cModule* root = simulation.systemModule();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->fullPath(), "Velmora");
    EXPECT_STREQ(root->moduleType()->name(), "NetworkTestBed");
    EXPECT_EQ(root->parentModule(), nullptr);
    ASSERT_EQ(root->params(), 96);
    EXPECT_STREQ(root->par(0).name(), "linkEventFile");
    EXPECT_STREQ(root->par(95).name(), "distC1C3");

    // A second set-up with the ini setting every parameter to another value
    // of its type tells the settings, which follow it, from the state.
    std::set<std::string> names;
    std::map<std::string, long> before;
    std::string everything;
    for (int i = 0; i < root->params(); ++i) {
        const cPar& p = root->par(i);
        EXPECT_TRUE(names.insert(p.name()).second) << p.name() << " is declared twice";
        EXPECT_FALSE(p.isInput()) << p.name();
        if (p.type() == cPar::BOOL || p.type() == cPar::LONG)
            before[p.name()] = p.longValue();
        const std::string other = p.type() == cPar::STRING ? "\"elsewhere/\""
                                  : p.type() == cPar::BOOL ? (p.boolValue() ? "false" : "true")
                                                           : "4321";
        everything += "Velmora." + std::string(p.name()) + " = " + other + "\n";
    }
    simulation.deleteNetwork();
    setUp(everything);
    root = simulation.systemModule();
    std::set<std::string> state;
    for (int i = 0; i < root->params(); ++i) {
        const cPar& p = root->par(i);
        const bool followed = p.type() == cPar::STRING ? std::string(p.stringValue()) == "elsewhere/"
                              : p.type() == cPar::BOOL ? p.boolValue() != (before.at(p.name()) != 0)
                                                       : p.doubleValue() == 4321;
        if (!followed) {
            state.insert(p.name());
            EXPECT_NE(p.type(), cPar::STRING) << p.name();
            EXPECT_EQ(p.longValue(), before.at(p.name())) << p.name();
        }
    }
    EXPECT_EQ(state.size(), 41u);
    // Every first-writer flag starts set, so that the first writer truncates.
    for (const std::string& name : names)
        if (name.size() > 3 && name.compare(name.size() - 3, 3, "New") == 0) {
            EXPECT_TRUE(state.count(name)) << name;
            EXPECT_TRUE(root->par(name.c_str()).boolValue()) << name;
        }
    const std::pair<const char*, long> firsts[] = {
        {"rootFlag", 1},        {"simDone", 0},           {"netIoToGen", 1},       {"lastEvModId", -1},
        {"iniEqName", 100000},  {"lunListFileId", 10000}, {"lunWwnFileId", 20000}, {"lsuFileId", 30000},
        {"gidFtFileId", 50000}, {"warningsCnt", 0}};
    for (const auto& [name, value] : firsts) {
        EXPECT_TRUE(state.count(name)) << name;
        EXPECT_EQ(root->par(name).longValue(), value) << name;
    }
    EXPECT_EQ(root->par("light_speed").declaredType(), "LDXFT");
    EXPECT_EQ(root->par("warningsFile").declaredType(), "S");
}

TEST_F(VelmoraSetup, ReadsTheSettingsFromTheIniAndIgnoresItForStateParameters)
{
    setUp("Velmora.trunkId = 7\nVelmora.iniEqName = 5\nVelmora.rootFlag = false\nVelmora.ioDone = true");
    cModule* root = simulation.systemModule();
    EXPECT_EQ(root->par("trunkId").longValue(), 0);
    EXPECT_EQ(root->par("iniEqName").longValue(), 100000);
    EXPECT_TRUE(root->par("rootFlag").boolValue());
    EXPECT_FALSE(root->par("ioDone").boolValue());
    EXPECT_STREQ(root->par("progDataDir").stringValue(), "progData/");
    EXPECT_DOUBLE_EQ(root->par("evEndDelay").doubleValue(), 50.5);
    EXPECT_EQ(root->par("defConCurrSeq").longValue(), 16);
    EXPECT_TRUE(root->par("writePhySecMap").boolValue());
    EXPECT_FALSE(root->par("skipScsiIo").boolValue());
    EXPECT_EQ(root->par("distC1C3").longValue(), 600);
}

TEST_F(VelmoraSetup, StopsOnAMissingSettingOrANegativeDistance)
{
    // The root's settings are read in declaration order: the first missing one is named.
    ini.clear();
    ini.readText("[Parameters]\nVelmora.linkEventFile = \"x\"\n");
    simulation.setIniFile(&ini);
    try {
        simulation.setupNetwork("Velmora");
        ADD_FAILURE() << "a missing setting must stop the set-up";
    } catch (const cRuntimeError& e) {
        EXPECT_NE(std::string(e.what()).find("Velmora.zoneSetFile"), std::string::npos) << e.what();
    }
    for (const char* d : {"distC1C2", "distC2C3", "distC1C3"})
        EXPECT_EQ(setUpError(std::string("Velmora.") + d + " = -0.5"),
                  std::string("---> Wrong ") + d + " setup. Must >= 0km. Please check the file \"omnetpp.ini\"");
    EXPECT_EQ(setUpError("Velmora.distC1C2 = 0"), "(set up without error)") << "a zero distance is accepted";
}

TEST_F(VelmoraSetup, FailsOnAnUnknownRootTypeOrAMissingStateParameterOrLowMemory)
{
    EXPECT_NE(findNetwork("Velmora"), nullptr);
    try {
        setup_root("NoSuchTestBed");
        ADD_FAILURE();
    } catch (const cRuntimeError& e) {
        EXPECT_STREQ(e.what(), "Simple module type definition NoSuchTestBed not found");
    }
    try {
        setup_root("BareRoot");
        ADD_FAILURE();
    } catch (const cRuntimeError& e) {
        EXPECT_STREQ(e.what(), "Unknown parameter named scsiIniFinishFileNew");
    }
    release_memory_reserve();
    try {
        setUp();
        ADD_FAILURE();
    } catch (const cRuntimeError& e) {
        EXPECT_EQ(e.errorCode(), eNOMEM);
    }
    restore_memory_reserve();
}

// A run takes its program-data folder for itself: while one holds it, a
// second run there (or anything that asks for the folder) is refused with a
// message naming it; a run in another folder is not held up, and the folder
// is free again once the network is gone.
TEST_F(VelmoraSetup, ARunHoldsItsProgramDataFolderUntilItsNetworkIsDeleted)
{
    ASSERT_NE(setUp(), nullptr);
    EXPECT_TRUE(std::filesystem::is_directory("progData"));
    try {
        RunFolderLock::take("progData/");
        ADD_FAILURE() << "a second run in the folder must be refused";
    } catch (const cRuntimeError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "---> The program-data folder \"progData/\" is in use by another run. Please give each run a folder "
                  "of its own (\"progDataDir\") or wait for the other run to end. Please check the file "
                  "\"omnetpp.ini\"");
    }
    // The same folder named another way is the same folder.
    EXPECT_NE(errorOf([] { RunFolderLock::take("progData/run1_"); }), "");
    EXPECT_EQ(errorOf([] { RunFolderLock::take("elsewhere/"); }), "");

    // Set up again in place of the first run: the old lock goes first.
    ASSERT_NE(setUp(), nullptr);
    simulation.deleteNetwork();
    EXPECT_EQ(errorOf([] { RunFolderLock::take("progData/"); }), "");
}

// A run with a program-data folder of its own still writes its logs where
// they are named: it holds their folders too, so a second run whose logs
// would land there is refused, told every setting that leads there, and no
// two locks of one run on one folder refuse each other. A log that is no
// plain file (/dev/null) takes no folder.
TEST_F(VelmoraSetup, ARunHoldsTheFoldersOfItsLogsAsWellAsItsProgramDataFolder)
{
    ASSERT_NE(setUp("Velmora.progDataDir = \"runA/\"\nVelmora.timingFile = \"timing/Timing.txt\"\n"
                    "Velmora.ioFailFile = \"/dev/null\""),
              nullptr);
    const std::vector<RunFolderLock::Output> sameLogs = {{"warningsFile", "progData/Warnings.txt"},
                                                         {"ioFailFile", "progData/IoFail.txt"},
                                                         {"nxPortMapFile", "./progData/NxPortMap.txt"},
                                                         {"linkEvConfFile", "elsewhere/LinkEvConf.txt"},
                                                         {"timingFile", "timing/Timing.txt"}};
    EXPECT_EQ(
        errorOf([&] { RunFolderLock::take("runB/", sameLogs); }),
        "---> The folders \"progData/\", \"timing/\" are in use by another run. Please give each run a folder of "
        "its own (\"warningsFile\", \"ioFailFile\", \"nxPortMapFile\", \"timingFile\") or wait for the other run to "
        "end. Please check the file \"omnetpp.ini\"");
    EXPECT_EQ(errorOf([] {
                  RunFolderLock::take("runB/", {{"zoneSetConfFile", "progData/ZoneSetConf.txt"}});
              }),
              "---> The folder \"progData/\" is in use by another run. Please give each run a folder of its own "
              "(\"zoneSetConfFile\") or wait for the other run to end. Please check the file \"omnetpp.ini\"");
    EXPECT_EQ(errorOf([] {
                  RunFolderLock::take("progData/", {{"warningsFile", "runA/Warnings.txt"}});
              }),
              "---> The folders \"progData/\", \"runA/\" are in use by another run. Please give each run a folder of "
              "its own (\"progDataDir\", \"warningsFile\") or wait for the other run to end. Please check the file "
              "\"omnetpp.ini\"");
    EXPECT_EQ(errorOf([] {
                  RunFolderLock::take("runB/", {{"ioFailFile", "/dev/null"}, {"timingFile", "t/T.txt"}});
              }),
              "");
    simulation.deleteNetwork();
    EXPECT_EQ(errorOf([&] { RunFolderLock::take("runB/", sameLogs); }), "");
}

} // namespace

Define_Module_Interface(BareRoot, bareRootItems);
Define_Compound_Module(BareRoot);
