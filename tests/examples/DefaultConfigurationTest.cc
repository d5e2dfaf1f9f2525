#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "sim/Sim.h"
#include "sim/cIniFile.h"
#include "switch/SwitchConstruct.h"
#include "tests/shared/ArrayStandIns.h"
#include "tests/shared/ScratchDirectory.h"
#include "tests/shared/TestHelpers.h"

namespace {

const char* const HOSTS[] = {"DataCtr1.Host1", "DataCtr1.Host2", "DataCtr1.Host3", "DataCtr1.Host4", "DataCtr1.Host5",
                             "DataCtr1.Host6", "DataCtr2.Host7", "DataCtr2.Host8", "DataCtr2.Host9", "DataCtr2.Host10"};

// The shipped test bed in a copy of examples/default, with the array modules
// that are built elsewhere stood in for. It runs for the first half second:
// every port comes up and every N_Port logs in to its switch.
class DefaultConfiguration : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(scratch_.enter("/tmp/velmora_default_XXXXXX", VELMORA_EXAMPLE_DATA));
        ArrayStandIn::clear();
        ev.setDisabled(true);
        simulation.deleteNetwork();
        ini_.readFile("omnetpp.ini");
        simulation.setIniFile(&ini_);
    }
    void TearDown() override
    {
        simulation.deleteNetwork();
        simulation.setIniFile(nullptr);
        simulation.setSimTimeLimit(MAXTIME);
        ev.setDisabled(false);
        ArrayStandIn::clear();
        scratch_.leave();
    }
    // The error that stops the first `seconds` of the run, or "".
    std::string runFor(double seconds)
    {
        simulation.setSimTimeLimit(seconds);
        return errorOf([] {
            simulation.setupNetwork("Velmora");
            // What the control-memory processor publishes on its device from
            // section [3] before the cache-switch buses read it.
            for (const char* device : {"DataCtr1.Dev1", "DataCtr2.Dev2", "DataCtr3.Dev3", "DataCtr3.Dev4"}) {
                at(device)->addPar("cswBusWidth").setDoubleValue(64);
                at(device)->addPar("cswBusClock").setDoubleValue(133);
                at(device)->addPar("cswDlyUS").setDoubleValue(0.5);
            }
            simulation.callInitialize();
            simulation.run();
            simulation.callFinish();
        });
    }
    static cModule* at(const std::string& path) { return simulation.moduleByPath(("Velmora." + path).c_str()); }
    static bool mentions(const std::string& text, const std::string& word)
    {
        return text.find(word) != std::string::npos;
    }

    ArrayStandInsInPlace standIns_;
    ScratchDirectory scratch_;
    cIniFile ini_;
};

TEST_F(DefaultConfiguration, EveryDeviceReadsItsFilesAndEveryCabledNodePortLogsIn)
{
    ASSERT_EQ(runFor(0.5), "");
    EXPECT_EQ(simulation.simTime(), 0.5);

    // Hosts: section [1], the port lines and the workload tables.
    const std::vector<size_t> streams = {2, 2, 1, 1, 2, 1, 2, 2, 1, 1};
    for (size_t h = 0; h < 10; ++h) {
        SCOPED_TRACE(HOSTS[h]);
        cModule* host = at(HOSTS[h]);
        ASSERT_NE(host, nullptr);
        EXPECT_STREQ(host->par("cpuModel").stringValue(), "HostCpu");
        EXPECT_EQ(host->par("maxRdWrIo").longValue(), 64);
        EXPECT_EQ(host->submodule("Hpc")->par("busClock").doubleValue(), 133);
        cModule* port = host->submodule("NxPort", 0);
        EXPECT_TRUE(port->par("fcpIni").boolValue());
        EXPECT_STREQ(port->par("fcCtrl").stringValue(), "FcHba2G");
        const std::string dump = readFile("progData/ioGen/Velmora." + std::string(HOSTS[h]) + ".IoGen.IoGenTbl");
        ASSERT_FALSE(dump.empty());
        size_t tables = 0;
        for (size_t at = dump.find("IoNum"); at != std::string::npos; at = dump.find("IoNum", at + 1))
            ++tables;
        EXPECT_EQ(tables, streams[h]);
    }
    const std::string host3 = readFile("progData/ioGen/Velmora.DataCtr1.Host3.IoGen.IoGenTbl");
    EXPECT_TRUE(mentions(host3, "self_sim")) << host3;
    EXPECT_TRUE(mentions(host3, "DC1_MAIL"));
    EXPECT_EQ(simulation.systemModule()->par("hostNum").longValue(), 10);

    // Switches: their domains and their port lines.
    const std::vector<std::pair<const char*, long>> domains = {
        {"DataCtr1.Sw1", 11}, {"DataCtr1.Sw2", 12},  {"DataCtr1.Sw3", 13},  {"DataCtr1.Sw4", 14},
        {"DataCtr1.Sw5", 15}, {"DataCtr1.Sw6", 16},  {"DataCtr2.Sw7", 21},  {"DataCtr2.Sw8", 22},
        {"DataCtr2.Sw9", 23}, {"DataCtr2.Sw10", 24}, {"DataCtr3.Sw11", 31}, {"DataCtr3.Sw12", 32}};
    for (const auto& [path, domain] : domains) {
        SCOPED_TRACE(path);
        cModule* sw = at(path);
        ASSERT_NE(sw, nullptr);
        EXPECT_EQ(sw->par("domainId").longValue(), domain);
        EXPECT_EQ(sw->par("raTov").longValue(), 10000);
    }
    EXPECT_EQ(at("DataCtr1.Sw6.SwPort[3]")->par("rxBufSize").longValue(), 128);
    EXPECT_EQ(at("DataCtr1.Sw6.SwPort[2]")->par("rxBufSize").longValue(), 16);

    // Arrays: the boards' section [1] and their port lines; board 1 of each
    // production array carries the mirror initiators.
    for (const char* board : {"DataCtr1.Dev1.Chip[1]", "DataCtr2.Dev2.Chip[1]"}) {
        SCOPED_TRACE(board);
        EXPECT_STREQ(at(board)->par("cpuModel").stringValue(), "ChipCpu");
        EXPECT_FALSE(at(std::string(board) + ".NxPort[1]")->par("fcpIni").boolValue());
        EXPECT_TRUE(at(std::string(board) + ".NxPort[2]")->par("fcpIni").boolValue());
        EXPECT_TRUE(at(std::string(board) + ".NxPort[3]")->par("fcpIni").boolValue());
    }
    EXPECT_FALSE(at("DataCtr3.Dev3.Chip[0].NxPort[2]")->par("fcpIni").boolValue());
    EXPECT_EQ(at("DataCtr3.Dev4.Chip[0]")->par("maxRdWrIo").longValue(), 64);

    // Every processor and port model used has its rows in the timing listing.
    const std::string timing = readFile("progData/Timing.txt");
    for (const char* model : {"HostCpu", "ChipCpu", "SwCpu", "FcHba2G", "FcArrayPort", "FcSwAsic"})
        EXPECT_TRUE(mentions(timing, model)) << model;

    // The zone set and the link events as the run read them.
    const std::string zones = readFile("progData/ZoneSetConf.txt");
    for (const char* word :
         {"Dc1Hosts", "Dc2Hosts", "RemoteMirror", "DataCtr3.Dev4.Chip[0].NxPort[2]", "DataCtr1.Host6.NxPort[0]"})
        EXPECT_TRUE(mentions(zones, word)) << word << "\n" << zones;
    const std::string events = readFile("progData/LinkEvConf.txt");
    for (const char* port : {"DataCtr1.Host1.NxPort[0]", "DataCtr1.Sw6.SwPort[3]", "DataCtr2.Dev2.Chip[0].NxPort[1]",
                             "DataCtr2.Host8.NxPort[0]"})
        EXPECT_TRUE(mentions(events, port)) << port << "\n" << events;
    EXPECT_EQ(simulation.systemModule()->par("lastEvTime").doubleValue(), 2.8);

    // Every cabled N_Port has logged in by now: 16 host ports, 6 target and
    // 2 initiator ports on each production array, 3 on each recovery array.
    std::vector<std::string> map = readLines("progData/NxPortMap.txt");
    const auto rows = std::count_if(
        map.begin(), map.end(), [](const std::string& l) { return l.find("Velmora.DataCtr") != std::string::npos; });
    EXPECT_EQ(rows, 38 - 4);
    EXPECT_EQ(simulation.systemModule()->par("actvNxPortNum").longValue(), 34);
    EXPECT_EQ(simulation.systemModule()->par("realDomNum").longValue(), 12);
}

// With no link event the fabric settles within a second: every switch holds
// the record of every domain and a route to each of them. In this bed a
// neighbour of Sw11 accepts a record after sending Sw11 its database and
// before their link is adjacent; Sw11 still gets it.
TEST_F(DefaultConfiguration, OnceSettledEverySwitchRoutesToEveryDomain)
{
    writeFile("LinkEvents.txt", "; no link events\n");
    ASSERT_EQ(runFor(1.0), "");
    const char* const switches[] = {"DataCtr1.Sw1", "DataCtr1.Sw2",  "DataCtr1.Sw3",  "DataCtr1.Sw4",
                                    "DataCtr1.Sw5", "DataCtr1.Sw6",  "DataCtr2.Sw7",  "DataCtr2.Sw8",
                                    "DataCtr2.Sw9", "DataCtr2.Sw10", "DataCtr3.Sw11", "DataCtr3.Sw12"};
    std::vector<unsigned> domains = {11, 12, 13, 14, 15, 16, 21, 22, 23, 24, 31, 32};
    for (const char* path : switches) {
        SCOPED_TRACE(path);
        const auto* centre = static_cast<const SwitchConstruct*>(at(std::string(path) + ".SwCtrlCtr"));
        EXPECT_EQ(centre->routing().records().count(), 12);
        std::vector<unsigned> reached;
        for (const RoutingEntry& e : centre->routing().table().entries())
            if (e.valid)
                reached.push_back(e.dest);
        std::sort(reached.begin(), reached.end());
        EXPECT_EQ(reached, domains);
    }
}

// A file that the file system refuses to take (here: /dev/full in its
// place, as on a full disk) ends the run with a message that names the file
// and the reason, whichever kind of file it is: a shared log written at
// set-up or at login, a temporary file, the zone configuration, or a
// statistics file kept open for the run.
TEST_F(DefaultConfiguration, AWriteTheFileSystemRefusesEndsTheRunNamingTheFile)
{
    const char* const files[] = {"progData/Timing.txt", "progData/PfOut.tmp", "progData/ZoneSetConf.txt",
                                 "progData/NxPortMap.txt", "progData/portThru/Velmora.DataCtr1.Sw1.PortThru"};
    for (const char* file : files) {
        SCOPED_TRACE(file);
        simulation.deleteNetwork();
        std::filesystem::remove_all("progData");
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        std::filesystem::create_symlink("/dev/full", file);
        const std::string error = runFor(0.5);
        EXPECT_TRUE(mentions(error, std::string("Couldn't write file \"") + file + "\"")) << error;
        EXPECT_TRUE(mentions(error, "No space left on device")) << error;
        EXPECT_LT(simulation.simTime(), 0.5) << "the run must stop at the failed write";
    }
    // The same run with every file in place goes the whole half second.
    simulation.deleteNetwork();
    std::filesystem::remove_all("progData");
    EXPECT_EQ(runFor(0.5), "");
    const std::vector<std::string> thru = readLines("progData/portThru/Velmora.DataCtr1.Sw1.PortThru");
    ASSERT_GE(thru.size(), 3u + 2u);
    EXPECT_EQ(thru[3].rfind("0.0000", 0), 0u) << thru[3];
    EXPECT_EQ(thru[4].rfind("250.0000", 0), 0u) << thru[4];
}

// A device file that cannot be opened is named with the setting that gave
// it and that setting's line, although a module deep in the device reads it.
TEST_F(DefaultConfiguration, AMisspeltDeviceFileIsNamedWithTheSettingThatGaveIt)
{
    for (const char* device : {"DataCtr1.Host1", "DataCtr2.Sw7", "DataCtr1.Dev1"}) {
        SCOPED_TRACE(device);
        simulation.deleteNetwork();
        ini_.clear();
        ini_.readText(std::string("[Parameters]\nVelmora.") + device + ".confFile = \"Host1.con\"\n", "first.ini");
        ini_.readFile("omnetpp.ini");
        EXPECT_EQ(runFor(0.1), std::string("---> Couldn't open file \"Host1.con\", the value of Velmora.") + device +
                                   ".confFile in \"first.ini\" line 2: No such file or directory");
    }
}

// Settings that make work go nowhere are not silent: link events for a
// module that is not a port and for a port without a cable, a host without a
// LUN mask (all its I/Os would abort) and a host port that no zone holds
// (it finds no target), each leave a WARNING row in
// the warnings log and a line on standard error, and the run goes on.
TEST_F(DefaultConfiguration, SettingsThatDropWorkAreWarnedOfInTheLogAndOnStandardError)
{
    // A port of the bed that has no cable.
    ASSERT_EQ(runFor(0.001), "");
    std::string uncabled;
    for (const char* device : {"DataCtr1.Dev1", "DataCtr2.Dev2", "DataCtr3.Dev3", "DataCtr3.Dev4"})
        for (int chip = 0; chip < 4 && uncabled.empty(); ++chip)
            for (int port = 0; port < 4 && uncabled.empty(); ++port) {
                const std::string path =
                    std::string(device) + ".Chip[" + std::to_string(chip) + "].NxPort[" + std::to_string(port) + "]";
                double delay;
                if (cModule* p = at(path); p && !p->gate("link_out")->route(delay))
                    uncabled = path;
            }
    ASSERT_FALSE(uncabled.empty());
    simulation.deleteNetwork();
    std::filesystem::remove_all("progData");

    writeFile("LinkEvents.txt",
              readFile("LinkEvents.txt") + "\n@DataCtr1.Host2\nD 1000\nU 2000\n@" + uncabled + "\nD 1000\nU 2000\n");
    const std::string host = readFile("Host5.conf");
    const size_t mask = host.find("[2.1]"), workloads = host.find("[3]");
    ASSERT_LT(mask, workloads);
    writeFile("Host5.conf", host.substr(0, mask) + host.substr(workloads));
    std::string zones = readFile("ZoneSet.txt");
    const size_t member = zones.find("DataCtr1.Host6.NxPort[0]");
    ASSERT_NE(member, std::string::npos);
    zones.erase(member, zones.find('\n', member) - member);
    ASSERT_EQ(zones.find("DataCtr1.Host6.NxPort[0]"), std::string::npos);
    writeFile("ZoneSet.txt", zones);

    ::testing::internal::CaptureStderr();
    const std::string error = runFor(0.5);
    const std::string err = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(error, "");
    const std::string log = readFile("progData/Warnings.txt");
    const std::string warnings[] = {
        "WARNING: Link Events : \"DataCtr1.Host2\" is not a port; its events are ignored. Please check the file "
        "\"LinkEvents.txt\"",
        "WARNING: Link Events : \"" + uncabled +
            "\" is not cabled; its events are ignored. Please check the file \"LinkEvents.txt\"",
        "Velmora.DataCtr1.Host5.Scsi",
        "WARNING: Found no LUN mask. Every I/O of this host will abort. Please check section [2.1] of the file "
        "\"Host5.conf\"",
        "WARNING: No zone holds the initiator port \"Velmora.DataCtr1.Host6.NxPort[0]\"; it can reach no target and "
        "its I/Os will not run. Please check the file \"ZoneSet.txt\"",
    };
    for (const std::string& w : warnings) {
        EXPECT_TRUE(mentions(log, w)) << w << "\n" << log;
        // On stderr the line names the module instead of the row's "WARNING: ".
        EXPECT_TRUE(mentions(err, w.rfind("WARNING: ", 0) == 0 ? w.substr(9) : w)) << w << "\n" << err;
    }
    // Each once, however many ports read the link-event file.
    EXPECT_EQ(log.find("is not a port"), log.rfind("is not a port"));
}

// An answer to a primitive sequence takes the cable's round trip and one
// sequence's line time (12 bytes at 2.125 Gbaud, 0.000056 ms): a port whose
// R_T_TOV runs out first would time out of every handshake, so its row is
// refused at set-up, at either end of the cable, while the same R_T_TOV on
// a shorter cable or on a cable inside a site brings its port up.
TEST_F(DefaultConfiguration, AnRtTovShorterThanItsCablesRoundTripIsRefusedAtSetUp)
{
    const std::string sw6Row = "3           3       2          100 ";
    const std::string sw9Row = "1           1       2          100 ";
    const std::string refused =
        " ms more on the line. Please choose 100 for 100ms. Please check section [2] of the file ";
    struct Case {
        const char* file;
        const std::string& row;
        const char* distance; // distC1C3 (100 km as shipped) or empty
        std::string error;    // empty: the port comes up
        const char* port;
    };
    const Case cases[] = {
        {"Sw6.conf", sw6Row, "",
         "---> SwPort[3] : R_T_TOV 0.1 ms (line 20) runs out before an answer can cross the cable from "
         "Velmora.DataCtr1.Sw6.SwPort[3] to Velmora.DataCtr3.Sw11.SwPort[4] and back: 100 km at light_speed 299792 "
         "km/s is a round trip of 0.667129 ms, and the answering primitive sequence takes 0.000056" +
             refused + "\"Sw6.conf\"",
         "DataCtr1.Sw6.SwPort[3]"},
        // The far end of the 40 km cable between the production sites.
        {"Sw9.conf", sw9Row, "",
         "---> SwPort[1] : R_T_TOV 0.1 ms (line 18) runs out before an answer can cross the cable from "
         "Velmora.DataCtr2.Sw9.SwPort[1] to Velmora.DataCtr1.Sw5.SwPort[2] and back: 40 km at light_speed 299792 "
         "km/s is a round trip of 0.266852 ms, and the answering primitive sequence takes 0.000056" +
             refused + "\"Sw9.conf\"",
         "DataCtr2.Sw9.SwPort[1]"},
        // Either side of 0.1 ms less the line time: 0.099944 ms and 0.099943 ms.
        {"Sw6.conf", sw6Row, "14.9811382",
         "---> SwPort[3] : R_T_TOV 0.1 ms (line 20) runs out before an answer can cross the cable from "
         "Velmora.DataCtr1.Sw6.SwPort[3] to Velmora.DataCtr3.Sw11.SwPort[4] and back: 14.9811 km at light_speed "
         "299792 km/s is a round trip of 0.099944 ms, and the answering primitive sequence takes 0.000056" +
             refused + "\"Sw6.conf\"",
         "DataCtr1.Sw6.SwPort[3]"},
        {"Sw6.conf", sw6Row, "14.9811338", "", "DataCtr1.Sw6.SwPort[3]"},
        {"Sw6.conf", sw6Row, "10", "", "DataCtr1.Sw6.SwPort[3]"},
        // A host port on its cable to a switch of its own site.
        {"Host1.conf", "0          2          100 ", "", "", "DataCtr1.Host1.NxPort[0]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " " + c.distance);
        simulation.deleteNetwork();
        std::filesystem::remove_all("progData");
        const std::string shipped = readFile(c.file);
        std::string text = shipped;
        const size_t row = text.find(c.row);
        ASSERT_NE(row, std::string::npos);
        text.replace(row + c.row.size() - 4, 3, "0.1");
        writeFile(c.file, text);
        ini_.clear();
        if (*c.distance)
            ini_.readText(std::string("[Parameters]\nVelmora.distC1C3 = ") + c.distance + "\n", "first.ini");
        ini_.readFile("omnetpp.ini");

        const std::string error = runFor(0.5);
        writeFile(c.file, shipped);
        EXPECT_EQ(error, c.error);
        if (!c.error.empty()) {
            EXPECT_EQ(simulation.simTime(), 0.0) << "refused before the first event";
            continue;
        }
        EXPECT_DOUBLE_EQ(at(c.port)->par("rtTov").doubleValue(), 0.1);
        EXPECT_EQ(at(c.port)->par("portStat").longValue(), 0) << "the port is active";
    }
}

} // namespace
