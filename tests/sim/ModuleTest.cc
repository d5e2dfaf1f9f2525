#include <gtest/gtest.h>

#include <fstream>

#include "sim/cIniFile.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestModules.h"

namespace {

class Port : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
};
const sDescrItem portItems[] = {{'M', "default", nullptr, 0},    {'P', "speed", "LD", 0},
                                {'P', "portName", "S", 0},       {'G', "link_in", nullptr, 'I'},
                                {'G', "link_out", nullptr, 'O'}, {'G', "to_eepair[]", nullptr, 'O'},
                                {'E', nullptr, nullptr, 0}};
Define_Module_Interface(Port, portItems);
Define_Module(Port, 8192);

TEST_F(KernelTest, ModuleTypeGivesTheInterfacesParametersAsInputsAndItsGates)
{
    cModuleType* type = findModuleType("Port");
    ASSERT_NE(type, nullptr);
    cModule* port = type->create("SwPort", root);
    port->setIndex(3, 8);
    EXPECT_EQ(port->fullName(), "SwPort[3]");
    EXPECT_EQ(port->fullPath(), "Net.SwPort[3]");
    EXPECT_TRUE(port->par("speed").isInput());
    EXPECT_EQ(port->par("portName").declaredType(), "S");
    EXPECT_EQ(port->gateSize("to_eepair"), 0);
    EXPECT_TRUE(port->hasGate("link_in"));
    EXPECT_EQ(port->findGate("to_eepair", 0), -1);
    EXPECT_EQ(static_cast<cSimpleModule*>(port)->declaredStackSize(), 8192u);
    EXPECT_GE(static_cast<cSimpleModule*>(port)->stackSize(), 64u * 1024);
}

// Each parameter remembers the line that gave its value, in the file that
// holds it, an included one too.
TEST_F(KernelTest, InputParametersComeFromTheIniByFullPathAndAMissingOneIsNamed)
{
    ScratchDirectory scratch;
    ASSERT_NO_FATAL_FAILURE(scratch.make("ini"));
    {
        std::ofstream(scratch.file("main.ini")) << "[Parameters]\nNet.SwPort[0].speed = 2\ninclude names.ini\n";
        std::ofstream(scratch.file("names.ini")) << "[Parameters]\n; every port\n**.portName = \"p0\"\n";
    }
    cIniFile ini;
    ini.readFile(scratch.file("main.ini"));
    simulation.setIniFile(&ini);
    cModule* port = findModuleType("Port")->create("SwPort", root);
    port->setIndex(0, 2);
    EXPECT_EQ(port->par("speed").iniLine().file, nullptr);
    port->readInputParams();
    EXPECT_EQ(port->par("speed").longValue(), 2);
    EXPECT_STREQ(port->par("portName").stringValue(), "p0");
    EXPECT_EQ(port->par("speed").iniLine().file, scratch.file("main.ini"));
    EXPECT_EQ(port->par("speed").iniLine().line, 2);
    EXPECT_EQ(port->par("portName").iniLine().file, scratch.file("names.ini"));
    EXPECT_EQ(port->par("portName").iniLine().line, 3);
    // A value the model sets was given by no line; a copy is not either.
    EXPECT_EQ(root->addPar("counter").setLongValue(1).iniLine().file, nullptr);
    EXPECT_EQ(cPar(port->par("speed")).iniLine().file, nullptr);
    cModule* other = findModuleType("Port")->create("SwPort", root);
    other->setIndex(1, 2);
    try {
        other->readInputParams();
        FAIL() << "a missing value must end the set-up";
    } catch (const cRuntimeError& e) {
        EXPECT_NE(std::string(e.what()).find("Net.SwPort[1].speed"), std::string::npos) << e.what();
    }
}

TEST_F(KernelTest, GateIdsSurviveResizingAnotherVectorAtRunTime)
{
    cModule* m = findModuleType("Port")->create("p", root);
    m->setGateSize("to_eepair", 2);
    int linkOut = m->findGate("link_out");
    int second = m->findGate("to_eepair", 1);
    m->setGateSize("to_eepair", 5);
    EXPECT_EQ(m->findGate("link_out"), linkOut);
    EXPECT_EQ(m->findGate("to_eepair", 1), second);
    EXPECT_EQ(m->gate(second)->fullName(), "to_eepair[1]");
    EXPECT_EQ(m->gate("to_eepair", 4)->index(), 4);
    EXPECT_EQ(m->gate("to_eepair", 5), nullptr);
    EXPECT_EQ(m->gate(-1), nullptr);
}

TEST_F(KernelTest, LooksModulesUpByRelativePathAndSubmoduleIndex)
{
    auto* dc = new cCompoundModule("DataCtr1", root);
    auto* dev = new cCompoundModule("Dev1", dc);
    for (int i = 0; i < 2; ++i) {
        auto* chip = new cCompoundModule("Chip", dev);
        chip->setIndex(i, 2);
        auto* port = new cCompoundModule("NxPort", chip);
        port->setIndex(0, 1);
    }
    cModule* found = root->moduleByRelativePath("DataCtr1.Dev1.Chip[1].NxPort[0]");
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->fullPath(), "Net.DataCtr1.Dev1.Chip[1].NxPort[0]");
    EXPECT_EQ(simulation.moduleByPath("Net.DataCtr1.Dev1.Chip[1].NxPort[0]"), found);
    EXPECT_EQ(root->moduleByRelativePath("DataCtr1.Dev1.Chip[2]"), nullptr);
    EXPECT_EQ(root->moduleByRelativePath("DataCtr1.Nowhere.Chip[0]"), nullptr);
    EXPECT_EQ(dev->submodule("Chip"), nullptr); // a vector element needs its index
    EXPECT_EQ(dev->submodule("Chip", 0)->index(), 0);
}

TEST_F(KernelTest, ParametersAddedAtRunTimeAreFoundByNameAmongMany)
{
    for (int i = 0; i < 100; ++i)
        root->addPar(("p" + std::to_string(i)).c_str()) = static_cast<long>(i);
    EXPECT_EQ(root->par("p57").longValue(), 57);
    EXPECT_EQ(root->findPar("p100"), -1);
    EXPECT_EQ(&root->addPar("p3"), &root->par("p3")); // adding twice returns the same one
    EXPECT_THROW(root->par("absent"), cRuntimeError);
    EXPECT_EQ(root->par("p9").fullPath(), "Net.p9");
}

TEST_F(KernelTest, CheckInternalConnectionsLooksOnlyInsideTheCompound)
{
    auto* box = new cCompoundModule("Box", root);
    box->addGate("in", 'I');
    LambdaModule* inner = addModule("inner", nullptr, box);
    inner->setGateSize("in", 1);
    box->gate("in")->connectTo(inner->gate("in", 0));
    EXPECT_NO_THROW(box->checkInternalConnections()); // box's own outside is not its business
    inner->setGateSize("out", 1);
    try {
        box->checkInternalConnections();
        FAIL();
    } catch (const cRuntimeError& e) {
        EXPECT_NE(std::string(e.what()).find("Net.Box.inner.out[0]"), std::string::npos) << e.what();
    }
}

TEST_F(KernelTest, DisplayStringsOfModulesAndConnectionsAreKeptAndSettable)
{
    LambdaModule* a = addModule("a", nullptr);
    LambdaModule* b = addModule("b", nullptr);
    connect(a, 0, b, 0);
    a->setDisplayString("i=switch;p=100,50");
    root->setBackgroundDisplayString("b=400,300");
    a->gate("out", 0)->setDisplayString("m=m,50,50,50,50;o=blue,2");
    EXPECT_STREQ(a->displayString(), "i=switch;p=100,50");
    EXPECT_STREQ(root->backgroundDisplayString(), "b=400,300");
    EXPECT_STREQ(b->gate("in", 0)->fromGate()->displayString(), "m=m,50,50,50,50;o=blue,2");
}

} // namespace
