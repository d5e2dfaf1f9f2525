#include <gtest/gtest.h>

#include <map>

#include "network/LowMemory.h"
#include "network/NetworkTestBed.h"
#include "network/Velmora.h"
#include "sim/Sim.h"
#include "sim/cIniFile.h"

namespace {

// A root type with only the first state parameter, for the set-up's own check.
class BareRoot : public cCompoundModule {
  public:
    using cCompoundModule::cCompoundModule;
};
const sDescrItem bareRootItems[] = {{'M', "default", nullptr, 0}, {'P', "rootFlag", "B", 0}, {'E', nullptr, nullptr, 0}};

// The root's parameters in declaration order, and the first values of the
// state parameters ('b' bool, 'l' long); the rest come from "omnetpp.ini".
const char* const declared[96] = {
    "linkEventFile", "zoneSetFile", "progDataDir", "ioGenDir", "ioRespDir", "actvPathDir", "ctrlMemDir",
    "diskDrvDir", "lunConfDir", "busUtilDir", "portThruDir", "cpuUtilDir", "finishDir", "pathTblDir", "ioOpenDir",
    "fc2EeStatDir", "swTrafficDir", "swCtrUpdDir", "swTimingDir", "nxPortMapFile", "zoneSetConfFile",
    "linkEvConfFile", "warningsFile", "ioFailFile", "timingFile", "ioGenTimeScale", "cpuUtilTimeScale",
    "busUtilTimeScale", "cchUtilTimeScale", "ioOpenTimeScale", "eeStatTimeScale", "dskStatTimeScale",
    "swStatTimeScale", "swCtrUpdTimeScale", "rootFlag", "scsiIniFinishFileNew", "ctrlMemFinishFileNew",
    "globalLunsFileNew", "lunIoFinishFileNew", "dskStatFinishFileNew", "nxPortMapNew", "linkEvConfFileNew",
    "warnFileNew", "ioFailFileNew", "timingFileNew", "tmpFilesDeleted", "skipScsiIo", "netIoToGenFlag", "ioDone",
    "evDone", "simDone", "writePhySecMap", "writeLogSecMap", "maxLinkEv", "minEvInt", "defConCurrSeq", "trunkId",
    "maxIoGen", "netIoToGen", "netIoNum", "netIoComp", "rawIoNum", "lastEvTime", "lastEvModId", "evEndDelay",
    "evEndMsgDone", "nsDbOutCol", "actvNxPortNum", "realNxPortNum", "light_speed", "link_1G_cost", "link_2G_cost",
    "s_fact_km", "hostNum", "frmGid", "equipId", "iniEqName", "maxDomNum", "realDomNum", "maxSwPortNum",
    "maxNsDbEntry", "lunListFileId", "lunWwnFileId", "lsuFileId", "gidFtFileId", "ioId", "gbIoId", "fc4MemAddr",
    "fc4IuIndex", "maxZoneMem", "maxZoneNum", "warningsCnt", "ioFailCnt", "distC1C2", "distC2C3", "distC1C3"};

const std::map<std::string, std::pair<char, long>> firstValues = {
    {"rootFlag", {'b', 1}}, {"scsiIniFinishFileNew", {'b', 1}}, {"ctrlMemFinishFileNew", {'b', 1}},
    {"globalLunsFileNew", {'b', 1}}, {"lunIoFinishFileNew", {'b', 1}}, {"dskStatFinishFileNew", {'b', 1}},
    {"nxPortMapNew", {'b', 1}}, {"linkEvConfFileNew", {'b', 1}}, {"warnFileNew", {'b', 1}},
    {"ioFailFileNew", {'b', 1}}, {"timingFileNew", {'b', 1}}, {"tmpFilesDeleted", {'b', 0}},
    {"netIoToGenFlag", {'b', 0}}, {"ioDone", {'b', 0}}, {"evDone", {'b', 0}}, {"simDone", {'b', 0}},
    {"evEndMsgDone", {'b', 0}}, {"trunkId", {'l', 0}}, {"netIoToGen", {'l', 1}}, {"netIoNum", {'l', 0}},
    {"netIoComp", {'l', 0}}, {"rawIoNum", {'l', 0}}, {"lastEvTime", {'l', 0}}, {"lastEvModId", {'l', -1}},
    {"actvNxPortNum", {'l', 0}}, {"realNxPortNum", {'l', 0}}, {"hostNum", {'l', 0}}, {"frmGid", {'l', 0}},
    {"equipId", {'l', 0}}, {"iniEqName", {'l', 100000}}, {"realDomNum", {'l', 0}}, {"lunListFileId", {'l', 10000}},
    {"lunWwnFileId", {'l', 20000}}, {"lsuFileId", {'l', 30000}}, {"gidFtFileId", {'l', 50000}}, {"ioId", {'l', 0}},
    {"gbIoId", {'l', 0}}, {"fc4MemAddr", {'l', 0}}, {"fc4IuIndex", {'l', 0}}, {"warningsCnt", {'l', 0}},
    {"ioFailCnt", {'l', 0}}};

class VelmoraSetup : public ::testing::Test {
  protected:
    void SetUp() override { simulation.deleteNetwork(); }
    void TearDown() override
    {
        simulation.deleteNetwork();
        simulation.setIniFile(nullptr);
    }
    // Sets the network up from the test bed's ini, these lines taking precedence.
    void setUpNetwork(const std::string& lines = "")
    {
        ini.clear();
        ini.readText("[Parameters]\n" + lines + "\n");
        ini.readFile(VELMORA_TEST_DATA "/omnetpp.ini");
        simulation.setIniFile(&ini);
        simulation.setupNetwork("Velmora");
    }
    std::string setupError(const std::string& lines)
    {
        try {
            setUpNetwork(lines);
        } catch (const cRuntimeError& e) {
            return e.what();
        }
        return "(set up without error)";
    }

    cIniFile ini;
};

TEST_F(VelmoraSetup, RootDeclaresItsParametersInOrderAndStartsTheStateAtItsFirstValues)
{
    setUpNetwork();
    cModule* root = simulation.systemModule();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->fullPath(), "Velmora");
    EXPECT_STREQ(root->moduleType()->name(), "NetworkTestBed");
    EXPECT_EQ(root->parentModule(), nullptr);
    ASSERT_EQ(root->params(), 96);
    int inputs = 0;
    for (int i = 0; i < 96; ++i) {
        const cPar& p = root->par(i);
        EXPECT_STREQ(p.name(), declared[i]) << "#" << i + 1;
        EXPECT_FALSE(p.isInput()) << p.name();
        auto first = firstValues.find(p.name());
        if (first == firstValues.end()) {
            ++inputs;
            continue;
        }
        EXPECT_EQ(p.type(), first->second.first == 'b' ? cPar::BOOL : cPar::LONG) << p.name();
        EXPECT_EQ(p.longValue(), first->second.second) << p.name();
    }
    EXPECT_EQ(inputs, 55);
    EXPECT_EQ(root->par("light_speed").declaredType(), "LDXFT");
    EXPECT_EQ(root->par("warningsFile").declaredType(), "S");
}

TEST_F(VelmoraSetup, ReadsTheSettingsFromTheIniAndIgnoresItForStateParameters)
{
    setUpNetwork("Velmora.trunkId = 7\nVelmora.iniEqName = 5\nVelmora.rootFlag = false\nVelmora.ioDone = true");
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
        EXPECT_EQ(setupError(std::string("Velmora.") + d + " = -0.5"),
                  std::string("---> Wrong ") + d + " setup. Must >= 0km. Please check the file \"omnetpp.ini\"");
    EXPECT_EQ(setupError("Velmora.distC1C2 = 0"), "(set up without error)") << "a zero distance is accepted";
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
        setUpNetwork();
        ADD_FAILURE();
    } catch (const cRuntimeError& e) {
        EXPECT_EQ(e.errorCode(), eNOMEM);
    }
    restore_memory_reserve();
}

} // namespace

Define_Module_Interface(BareRoot, bareRootItems);
Define_Compound_Module(BareRoot);
