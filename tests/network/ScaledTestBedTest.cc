// The benchmarks' scaled copy of the shipped configuration, k = 2: the copy
// that the generator writes sets up with the scaled sites in place, every
// host's new node ports are cabled to new switch ports, and a short run
// brings them up and logs them in to the fabric there.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "bench/ConfigText.h"
#include "bench/ScaledConfiguration.h"
#include "bench/ScaledSites.h"
#include "env/cmd/Cmdenv.h"
#include "sim/Sim.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestHelpers.h"

namespace {

const char* const shipped = VELMORA_SOURCE_DIR "/examples/default";

// The command-line environment stopped at `limit` simulated seconds, with a
// look at the network before it is torn down.
class LookingCmdenv : public Cmdenv {
  public:
    LookingCmdenv(double limit, std::function<void()> look) : limit_(limit), look_(std::move(look)) {}

  protected:
    int runNetwork() override
    {
        simulation.setSimTimeLimit(limit_);
        int rc = Cmdenv::runNetwork();
        look_();
        return rc;
    }

  private:
    double limit_;
    std::function<void()> look_;
};

int run_quietly(double limit, std::function<void()> look)
{
    std::vector<std::string> args{"velmora_cmd", "-q", "-x"};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(&a[0]);
    testing::internal::CaptureStdout();
    int rc = LookingCmdenv(limit, std::move(look)).main(static_cast<int>(argv.size()), argv.data());
    testing::internal::GetCapturedStdout();
    ev.setDisabled(false);
    return rc;
}

std::vector<std::string> section_rows(const std::string& file, const std::string& marker)
{
    ConfigText text = ConfigText::read(file);
    std::vector<std::string> rows;
    for (size_t i : text.data_lines(marker))
        rows.push_back(text.lines()[i]);
    return rows;
}

std::string far_end(cModule* root, const std::string& module, int port)
{
    cModule* m = root->moduleByRelativePath(module.c_str());
    if (!m)
        return "no module " + module;
    cGate* to = m->gate("link_out", port)->toGate();
    return to ? to->ownerModule()->fullName() + std::string(".link_in[") + std::to_string(to->index()) + "]"
              : "not connected";
}

TEST(ScaledTestBed, TwiceThePortsAndLunsSetUpAndLogIn)
{
    ScratchDirectory scratch;
    ASSERT_NO_FATAL_FAILURE(scratch.enter("/tmp/velmora_scaled_XXXXXX"));
    HostScaledTestBed bed(shipped, 2);
    bed.write_copy(scratch.path());

    // What the copy's files say.
    EXPECT_EQ(4, bed.port_counts().at("DataCtr1.Host1"));
    EXPECT_EQ(2, bed.port_counts().at("DataCtr1.Host5"));
    EXPECT_EQ(8, bed.port_counts().at("DataCtr1.Sw1"));
    EXPECT_EQ(2, bed.port_counts().at("DataCtr2.Sw9")); // no host on it
    const std::vector<std::string> ports = section_rows("Host1.conf", "[2]");
    ASSERT_EQ(4u, ports.size());
    EXPECT_EQ("3", fields_of(ports[3])[0]);
    const std::vector<std::string> masks = section_rows("Host1.conf", "[2.1]");
    ASSERT_EQ(4u, masks.size());
    EXPECT_EQ((std::vector<std::string>{"DC1_ORA_DATA_2", "0,1,2,3", "NxPort[2]", "DataCtr1.Dev1.Chip[0].NxPort[0]"}),
              fields_of(masks[2]));
    const std::vector<std::string> streams = section_rows("Host1.conf", "[3]");
    ASSERT_EQ(4u, streams.size());
    EXPECT_EQ((std::vector<std::string>{"DC1_ORA_DATA", "250", "0", "OltpRead"}), fields_of(streams[0]));
    EXPECT_EQ((std::vector<std::string>{"DC1_ORA_LOG_2", "75", "0", "RedoLog"}), fields_of(streams[3]));
    EXPECT_EQ("75", fields_of(section_rows("Host5.conf", "[3]")[3])[1]);
    const std::vector<std::string> luns = section_rows("Dev1.conf", "[6]");
    ASSERT_EQ(10u, luns.size());
    EXPECT_EQ((std::vector<std::string>{"DC1_ORA_DATA_2", "4", "8", "64", "64", "200,210,220,230", "300,310,320,330"}),
              fields_of(luns[5]));
    EXPECT_EQ("-", fields_of(luns[9])[6]);
    EXPECT_EQ("11", fields_of(section_rows("Dev1.conf", "[3]")[0])[0]);
    EXPECT_EQ(4u, section_rows("Dev1.conf", "[4]").size());
    EXPECT_EQ(16u, section_rows("Dev1.conf", "[5]").size());
    EXPECT_EQ("32", fields_of(section_rows("Dev1.conf", "[2]")[0])[9]);
    EXPECT_EQ((std::vector<std::string>{"5", "5", "2", "100", "n", "16", "8", "0", "FcSwAsic"}),
              fields_of(section_rows("Sw1.conf", "[2]")[5]));
    const std::string zones = readFile("ZoneSet.txt");
    EXPECT_NE(std::string::npos, zones.find("DataCtr1.Host1.NxPort[1]\nDataCtr1.Host1.NxPort[2]\n"
                                            "DataCtr1.Host1.NxPort[3]\n"));
    EXPECT_NE(std::string::npos, zones.find("DataCtr2.Host10.NxPort[1]\n"));

    // The network that the copy sets up, and what a short run makes of it.
    std::map<std::string, int> gateSizes;
    std::map<std::string, std::string> cables;
    int acps = 0;
    long arrLuns = 0;
    ScaledSitesInPlace sites(bed);
    const int rc = run_quietly(0.11, [&] {
        cModule* root = simulation.systemModule();
        ASSERT_NE(nullptr, root);
        for (const char* m : {"DataCtr1.Host1", "DataCtr1.Host5", "DataCtr1.Sw1", "DataCtr1.Sw5", "DataCtr2.Host7",
                              "DataCtr2.Sw8", "DataCtr3.Sw11"})
            gateSizes[m] = root->moduleByRelativePath(m)->gateSize("link_in");
        cables["Host1/2"] = far_end(root, "DataCtr1.Host1", 2);
        cables["Host1/3"] = far_end(root, "DataCtr1.Host1", 3);
        cables["Host5/1"] = far_end(root, "DataCtr1.Host5", 1);
        cables["Host10/1"] = far_end(root, "DataCtr2.Host10", 1);
        cables["Host1/0"] = far_end(root, "DataCtr1.Host1", 0);
        cModule* dev1 = root->moduleByRelativePath("DataCtr1.Dev1");
        for (cModule* sub : dev1->submodules())
            acps += std::string(sub->name()) == "Acp";
        arrLuns = dev1->submodule("CtrlMemCch")->par("arrLunNum").longValue();
    });
    EXPECT_EQ(0, rc);
    EXPECT_EQ(4, gateSizes["DataCtr1.Host1"]);
    EXPECT_EQ(2, gateSizes["DataCtr1.Host5"]);
    EXPECT_EQ(8, gateSizes["DataCtr1.Sw1"]);
    EXPECT_EQ(4, gateSizes["DataCtr1.Sw5"]);
    EXPECT_EQ(4, gateSizes["DataCtr2.Host7"]);
    EXPECT_EQ(10, gateSizes["DataCtr2.Sw8"]);
    EXPECT_EQ(6, gateSizes["DataCtr3.Sw11"]);
    EXPECT_EQ("Sw1.link_in[5]", cables["Host1/2"]);
    EXPECT_EQ("Sw2.link_in[5]", cables["Host1/3"]);
    EXPECT_EQ("Sw5.link_in[3]", cables["Host5/1"]);
    EXPECT_EQ("Sw8.link_in[9]", cables["Host10/1"]);
    EXPECT_EQ("Sw1.link_in[0]", cables["Host1/0"]);
    EXPECT_EQ(4, acps);
    EXPECT_EQ(11, arrLuns);

    // By 0.11 s every initiator port has logged in to the fabric, the new
    // ones at the new switch ports (domain 11 is Sw1, 15 is Sw5).
    const std::string map = readFile("progData/NxPortMap.txt");
    for (const char* row : {"722181 +Velmora.DataCtr1.Host1.NxPort\\[2\\] +Velmora.DataCtr1.Sw1.SwPort\\[5\\]",
                            "Velmora.DataCtr1.Host1.NxPort\\[3\\] +Velmora.DataCtr1.Sw2.SwPort\\[5\\]",
                            "983811 +Velmora.DataCtr1.Host5.NxPort\\[1\\] +Velmora.DataCtr1.Sw5.SwPort\\[3\\]",
                            "Velmora.DataCtr2.Host10.NxPort\\[1\\] +Velmora.DataCtr2.Sw8.SwPort\\[9\\]"})
        EXPECT_TRUE(std::regex_search(map, std::regex(row))) << row << " not in\n" << map;
}

TEST(ScaledTestBed, IoScaledCopyMultipliesEveryHostsStreamsAndTheLimits)
{
    ScratchDirectory scratch;
    ASSERT_NO_FATAL_FAILURE(scratch.enter("/tmp/velmora_ioscaled_XXXXXX"));
    write_io_scaled_copy(shipped, scratch.path(), 4);
    const std::vector<std::string> host1 = section_rows("Host1.conf", "[3]");
    ASSERT_EQ(2u, host1.size());
    EXPECT_EQ("2000", fields_of(host1[0])[1]);
    EXPECT_EQ("600", fields_of(host1[1])[1]);
    EXPECT_EQ("800", fields_of(section_rows("Host10.conf", "[3]")[0])[1]);
    // An array's section [3] is its control memory, not a workload.
    EXPECT_EQ("6", fields_of(section_rows("Dev1.conf", "[3]")[0])[0]);
    const std::string ini = readFile("omnetpp.ini");
    EXPECT_NE(std::string::npos, ini.find("\nsim-time-limit = 480s\n"));
    EXPECT_NE(std::string::npos, ini.find("\ncpu-time-limit = 40min\n"));
    EXPECT_EQ(readFile(std::string(shipped) + "/LinkEvents.txt"), readFile("LinkEvents.txt"));
}

} // namespace
