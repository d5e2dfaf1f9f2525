// The FC-port files shipped under examples/fcport read as they are meant to.

#include <filesystem>

#include "device/CpuTimingFile.h"
#include "fcport/FcPortTiming.h"
#include "fcport/PortCodes.h"
#include "messages/MsgKinds.h"
#include "network/CompoundBuilder.h"
#include "network/SiteLayout.h"
#include "tests/fcport/Fc1Fixture.h"

namespace {

const std::filesystem::path shipped = std::filesystem::path(VELMORA_TEST_DATA) / "../../../examples/fcport";

class Fc1ShippedFilesTest : public Fc1Test {
  protected:
    void useShipped(const char* file) { std::filesystem::copy(shipped / file, file); }
};

TEST_F(Fc1ShippedFilesTest, TheTimingModelHasTheClocksAndEveryFcPortTask)
{
    useShipped("FcPortAsic.ini");
    root->addPar("timingFile").setStringValue("Timing.txt");
    root->addPar("timingFileNew").setBoolValue(true);
    cModule* ctrl = new cCompoundModule("Fc2Ctrl", root);
    CpuTiming timing = CpuTimingFile(ctrl, "FcPortAsic", "FC_Ports", false).read(fcPortTasks);
    EXPECT_DOUBLE_EQ(timing.cpuClock, 200);
    EXPECT_DOUBLE_EQ(timing.memClock, 100);
    ASSERT_EQ(timing.tasks.size(), fcPortTasks.size());
    EXPECT_DOUBLE_EQ(timing.tasks[0]->instrNumMean, 1500);
    EXPECT_DOUBLE_EQ(timing.tasks[5]->memRefInsStddev, 0.05);
}

TEST_F(Fc1ShippedFilesTest, TheLinkEventFileTakesTheFirstHostPortDownAndUp)
{
    useShipped("LinkEvents.txt");
    root->par("linkEventFile").setStringValue("LinkEvents.txt");
    cModule* site = new cCompoundModule("DataCtr1", root);
    CompoundDescription desc;
    desc.submodules = {{"Host1", "TestHost", {}, {}, {{"link_in", 1}, {"link_out", 1}}, "i=host"},
                       {"Sw1", "TestSwitch", {}, {}, {{"link_in", 1}, {"link_out", 1}}, "i=fcsw"}};
    desc.connections = cables({{"Host1", 0, "Sw1", 0, "o=#008080", Expr(1e-5)}});
    build_compound(site, desc);
    for (const char* p : {"Host1.NxPort[0]", "Sw1.SwPort[0]"}) {
        cModule* port = site->moduleByRelativePath(p);
        port->addPar("maxPortSpeed").setLongValue(2);
        port->addPar("currPortSpeed").setDoubleValue(twoGigBaud);
        port->addPar("rtTov").setDoubleValue(100);
        port->addPar("rxBufSize").setLongValue(4);
        port->addPar("currBbCredit").setLongValue(4);
        port->addPar("currBbCnt").setLongValue(0);
        port->addPar("addressId").setLongValue(0);
    }
    run();
    EXPECT_DOUBLE_EQ(root->par("lastEvTime").doubleValue(), 3.0);
    EXPECT_TRUE(root->par("evDone").boolValue());
    auto* host = dynamic_cast<Fc2Stub*>(site->moduleByRelativePath("Host1.NxPort[0].Fc2"));
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(host->times(LINK_UP).size(), 2u);
    EXPECT_EQ(host->times(LINK_DOWN).size(), 1u);
    EXPECT_NE(readFile("LinkEvConf.txt").find("WWPN : Velmora.DataCtr1.Host1.NxPort[0]"), std::string::npos);
}

} // namespace
