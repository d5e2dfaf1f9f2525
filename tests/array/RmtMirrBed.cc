#include "tests/array/RmtMirrBed.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "messages/MsgKinds.h"
#include "network/CompoundBuilder.h"
#include "network/SiteLayout.h"
#include "network/Velmora.h"
#include "tests/host/ScsiBedFabric.h"
#include "tests/shared/TestHelpers.h"
#include "tests/shared/TestRoot.h"

namespace {

constexpr double RUN_LIMIT = 5;
const char* const cableColour = "o=#ffffff";
const char* const ctrlMemCpu = "Velmora.Dev1.CtrlMemCch.CtrlMemCpu";

const CompoundDescription bedDesc = [] {
    std::vector<SubmoduleDescription> devices = {
        {"Dev1",
         "StorageDevice",
         {},
         {},
         {{"link_in", Expr::own("chipNum") * Expr::own("chipNxPortNum")},
          {"link_out", Expr::own("chipNum") * Expr::own("chipNxPortNum")}},
         "i=array"},
        {"Sw1",
         fabric_switch_type(),
         {},
         {},
         {{"link_in", Expr::own("swPortNum")}, {"link_out", Expr::own("swPortNum")}},
         "i=switch"},
        {"Dev2",
         target_storage_type(),
         {},
         {},
         {{"link_in", Expr::own("chipNum")}, {"link_out", Expr::own("chipNum")}},
         "i=array"},
    };
    return CompoundDescription{devices,
                               cables({{"Dev1", 0, "Sw1", 0, cableColour, Expr(1e-6)},
                                       {"Dev1", 1, "Sw1", 1, cableColour, Expr(1e-6)},
                                       {"Dev2", 0, "Sw1", 2, cableColour, Expr(1e-6)},
                                       {"Dev2", 1, "Sw1", 3, cableColour, Expr(1e-6)}}),
                               "", false};
}();

void setUpBed()
{
    setup_root("RmtMirrBed");
}

cNetworkType bedNetwork("RmtMirrBedNetwork", setUpBed);

// Dev1: two boards of one port each, initiator ports unless named in
// `targetPorts`.
std::string initiator_conf(const std::vector<std::string>& maskRows, const std::vector<int>& targetPorts)
{
    auto fcp = [&](int chip) {
        return std::find(targetPorts.begin(), targetPorts.end(), chip) == targetPorts.end() ? " I " : " T ";
    };
    std::string text =
        std::string("[1]\nChipIdx CpcBusWidth CpcBusClock CpuModel MaxTarLun MaxRdWrIo MaxCtrlIo\n"
                    "0 64 133 ChipCpu 8 16 8\n1 64 133 ChipCpu 8 16 8\n"
                    "[2]\nChipIdx NxPortIdx portSpeed R_T_TOV FCP RxBuf TxBuf C3Seq MaxSeqTry MaxPeerPort FcCtrl\n"
                    "0 0 2 100") +
        fcp(0) + "8 2 8 3 2 FcCtrlN\n1 0 2 100" + fcp(1) + "8 2 8 3 2 FcCtrlN\n" +
        "[2.1]\nChipIdx LUN_WWN LUN_MASK PRI_INI_WWPN PRI_TAR_WWPN\n";
    for (const std::string& row : maskRows)
        text += row + "\n";
    // The array's own LUNs, the ones whose writes it copies.
    return text + "[3]\n[6]\nLUN_WWN DSK_NUM BLK_SIZE CON_CURR_LUNIO STRIPE_DEPTH PRIMARY MIRROR\n"
                  "LUN_A 1 4 1 4 000 -\nLUN_B 1 4 1 4 001 -\n";
}

std::string target_conf()
{
    return "[2]\nChipIdx NxPortIdx portSpeed R_T_TOV FCP RxBuf TxBuf C3Seq MaxSeqTry MaxPeerPort FcCtrl\n"
           "0 0 2 100 T 8 2 8 3 2 FcCtrlN\n1 0 2 100 T 8 2 8 3 2 FcCtrlN\n[2.1]\n";
}

cMessage* copy_request(const std::string& lunWwn, long blkAddr, long ioSize, int chip)
{
    // The LUN controller counts each copy it makes.
    cPar& netIoNum = simulation.systemModule()->par("netIoNum");
    netIoNum.setLongValue(netIoNum.longValue() + 1);
    auto* req = new cMessage("SCSI_RDWR_IO", SCSI_RDWR_IO, 0);
    req->addPar("ioType").setLongValue(128);
    req->addPar("ioSize").setLongValue(ioSize);
    req->addPar("blkAddr").setLongValue(blkAddr);
    req->addPar("lunWwn").setStringValue(lunWwn.c_str());
    req->addPar("ioGenId").setLongValue(-1);
    req->addPar("ioPatName").setStringValue("RmtMirr");
    req->addPar("chipId").setLongValue(chip);
    req->addPar("sTime").setDoubleValue(simulation.simTime());
    return req;
}

} // namespace

void RmtMirrBedTest::SetUp()
{
    ASSERT_NO_FATAL_FAILURE(scratch_.enter("/tmp/velmora_rmtmirr_XXXXXX", VELMORA_TESTS_DIR "/host/data/scsi"));
    std::filesystem::copy_file(VELMORA_TESTS_DIR "/array/data/ChipCpu.ini", "ChipCpu.ini");
    for (const char* d : {"out", "out/cpu", "out/bus", "out/ee"})
        std::filesystem::create_directory(d);
    ev.setDisabled(true);
    simulation.deleteNetwork();
    simulation.setSimTimeLimit(RUN_LIMIT);
    target.luns = {0, 1, 2};
    target.wwns = {{1, "LUN_A"}, {2, "LUN_B"}};
    target.blkSize = 4096;
    target.blkNum = 5000;
}

void RmtMirrBedTest::TearDown()
{
    simulation.deleteNetwork();
    ArrayStandIn::clear();
    simulation.setIniFile(nullptr);
    simulation.setSimTimeLimit(MAXTIME);
    ev.setDisabled(false);
    scratch_.leave();
}

void RmtMirrBedTest::build()
{
    writeFile("initiator.conf", initiator_conf(maskRows, targetPorts));
    writeFile("target.conf", target_conf());
    writeFile("switch.conf", fabric_switch_conf(4));
    std::ostringstream lines;
    lines << "[Parameters]\nVelmora.linkEventFile = \"NoLinkEvents.txt\"\n"
          << "Velmora.Dev1.confFile = \"initiator.conf\"\nVelmora.Dev1.chipNum = 2\n"
          << "Velmora.Dev1.chipNxPortNum = 1\nVelmora.Dev1.acpNum = 1\nVelmora.Dev1.busNum = 1\n"
          << "Velmora.Dev1.cswNum = 1\nVelmora.Dev1.acpArrGrpNum = 1\n"
          << "Velmora.Dev2.confFile = \"target.conf\"\nVelmora.Dev2.chipNum = 2\n"
          << fabric_switch_ini("Velmora.Sw1", "switch.conf", 4);
    ini_.clear();
    ini_.readText(lines.str());
    ini_.readFile("omnetpp.ini");
    simulation.setIniFile(&ini_);
    ArrayStandIn::clear();
    for (const Copy& c : copies)
        ArrayStandIn::scripts[ctrlMemCpu].push_back(
            {c.at, "to_chip", c.chip, [c] { return copy_request(c.lunWwn, c.blkAddr, c.ioSize, c.chip); }});
    simulation.setupNetwork(&bedNetwork);
    // What Dev1's control memory would publish for its cache-switch buses.
    cModule* dev1 = root()->submodule("Dev1");
    dev1->addPar("cswBusWidth").setDoubleValue(64);
    dev1->addPar("cswBusClock").setDoubleValue(100);
    dev1->addPar("cswDlyUS").setDoubleValue(2);
    for (int c = 0; c < 2; ++c)
        targetBoard(c).answerAsLunControllers(&target);
}

std::string RmtMirrBedTest::run()
{
    try {
        simulation.callInitialize();
        // The stand-in control memory has no flush to finish.
        root()->submodule("Dev1")->submodule("CtrlMemCch")->par("allDone").setBoolValue(true);
        simulation.run();
        simulation.callFinish();
    } catch (const cRuntimeError& e) {
        return e.what();
    }
    return "";
}

ScsiRmtMirr& RmtMirrBedTest::initiator(int chip) const
{
    return *static_cast<ScsiRmtMirr*>(root()->submodule("Dev1")->submodule("Chip", chip)->submodule("Scsi"));
}

TestProcessor& RmtMirrBedTest::targetBoard(int c) const
{
    return target_board_cpu(root()->submodule("Dev2"), c);
}

std::vector<const ArrayStandIn::Heard*> RmtMirrBedTest::heardAtCtrlMem(int kind) const
{
    std::vector<const ArrayStandIn::Heard*> found;
    for (const ArrayStandIn::Heard& h : ArrayStandIn::heard)
        if (h.module == ctrlMemCpu && h.msg->kind() == kind)
            found.push_back(&h);
    return found;
}

std::string RmtMirrBedTest::ioRespFile(int chip)
{
    return "out/ioResp/Velmora.Dev1.Chip[" + std::to_string(chip) + "].Scsi.IoResp";
}

std::string RmtMirrBedTest::actvPathFile(int chip)
{
    return "out/actvPath/Velmora.Dev1.Chip[" + std::to_string(chip) + "].Scsi.ActvPath";
}

std::vector<std::vector<std::string>> RmtMirrBedTest::rowsOf(const std::string& file, size_t headerLines)
{
    std::vector<std::vector<std::string>> rows;
    const std::vector<std::string> lines = readLines(file);
    for (size_t k = headerLines; k < lines.size(); ++k) {
        std::istringstream in(lines[k]);
        std::vector<std::string> fields;
        for (std::string f; in >> f;)
            fields.push_back(f);
        rows.push_back(fields);
    }
    return rows;
}

Define_Module_Interface(RmtMirrBed, test_root_items());
Define_Described_Compound(RmtMirrBed, bedDesc);
