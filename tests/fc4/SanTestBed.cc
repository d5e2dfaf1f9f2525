#include "tests/fc4/SanTestBed.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include <fstream>
#include <map>

#include "fc4/SequenceEnvelope.h"
#include "messages/MsgKinds.h"
#include "sim/ObjectAddress.h"
#include "tests/fc4/TestSwitchDispatcher.h"
#include "tests/shared/TestHelpers.h"

namespace {

SanTest* building = nullptr;
void setUpNetwork();
cNetworkType sanNetwork("Fc4TestSan", setUpNetwork);

void connect(cGate* from, cGate* to)
{
    from->connectTo(to);
}

} // namespace

namespace {
// The network type's set-up calls back into the test being built.
void setUpNetwork()
{
    building->buildNetwork();
}
} // namespace

void SanTest::SetUp()
{
    ASSERT_NO_FATAL_FAILURE(scratch_.enter("/tmp/velmora_fc4_XXXXXX"));
    std::filesystem::create_directory("out");
    ev.setDisabled(true);
    simulation.deleteNetwork();
    simulation.setSimTimeLimit(MAXTIME);
    send_ = TaskTiming{1000, 0, 1, 0, 0, 0};
    recv_ = TaskTiming{2000, 0, 1, 0, 0, 0};
    switchTiming_.cpuClock = 100;
    switchTiming_.memClock = 100;
    switchTiming_.fc4IuSend = &send_;
    switchTiming_.fc4IuRecv = &recv_;
}

void SanTest::TearDown()
{
    simulation.deleteNetwork();
    ev.setDisabled(false);
    scratch_.leave();
}

void SanTest::build(const SanOptions& options)
{
    options_ = options;
    std::ofstream hostConf("host.conf");
    hostConf << "[1]\nheader\n1 2 3\n[2]\nNxPortIdx portSpeed R_T_TOV FCP RxBuf TxBuf C3Seq MaxSeqTry "
                "MaxPeerPort FcCtrl\n0 2 100 I 8 0 8 3 "
             << options.maxPeerPort << " FcCtrlA\n[2.1]\n";
    std::ofstream arrayConf("array.conf");
    arrayConf << "[2]\nChipIdx NxPortIdx portSpeed R_T_TOV FCP RxBuf TxBuf C3Seq MaxSeqTry MaxPeerPort FcCtrl\n";
    for (int c = 0; c < options.targets; ++c)
        arrayConf << c << " 0 2 100 T 16 4 8 2 " << options.maxPeerPort << " FcCtrlB\n";
    arrayConf << "[2.1]\n";
    hostConf.close();
    arrayConf.close();
    building = this;
    simulation.setupNetwork(&sanNetwork);
    building = nullptr;
}

void SanTest::buildNetwork()
{
    root = new cCompoundModule("Velmora", nullptr);
    simulation.setSystemModule(root);
    root->addPar("rootFlag").setBoolValue(true);
    root->addPar("defConCurrSeq").setLongValue(options_.defConCurrSeq);
    for (const char* counter : {"fc4MemAddr", "fc4IuIndex", "warningsCnt"})
        root->addPar(counter).setLongValue(0);
    root->addPar("gidFtFileId").setLongValue(50000);
    root->addPar("warnFileNew").setBoolValue(true);
    root->addPar("warningsFile").setStringValue("logs/Warnings.log");
    root->addPar("progDataDir").setStringValue("out/");
    root->addPar("FcCtrlS_For_FC_Ports").setLongValue(object_address(&switchTiming_));

    fabric = new TestFabric("Fabric", root);
    fabric->switchPorts = 4;
    fabric->nodes.resize(1 + static_cast<size_t>(options_.targets));
    fabric->sizeGates();

    host = compound("Host", root);
    host->addPar("confFile").setStringValue("host.conf");
    host->addPar("nxPortNum").setLongValue(1);
    hostCpu = nullptr;
    fabric->nodes[0] = {buildNodeDevice(host, true, 0, 3, "Cpu"), 3};
    hostCpu = static_cast<TestProcessor*>(host->submodule("Cpu"));

    array = compound("Array", root);
    array->addPar("confFile").setStringValue("array.conf");
    array->addPar("chipNum").setLongValue(options_.targets);
    chipCpus.clear();
    for (int c = 0; c < options_.targets; ++c) {
        cModule* board = compound("Chip", array, c, options_.targets);
        board->addPar("nxPortNum").setLongValue(1);
        fabric->nodes[1 + static_cast<size_t>(c)] = {buildNodeDevice(board, false, 1 + c, c, "ChipCpu"), c};
        chipCpus.push_back(static_cast<TestProcessor*>(board->submodule("ChipCpu")));
    }
    buildSwitch();
}

cModule* SanTest::buildNodeDevice(cModule* device, bool initiator, int fabricPort, int, const char* cpuName)
{
    static long portName = 100000;
    cModule* port = compound("NxPort", device, 0, 1);
    port->addPar("addressId").setLongValue(0);
    port->addPar("fcpIni").setBoolValue(initiator);
    port->addPar("rxBufSize").setLongValue(8);
    port->addPar("reqC3ConCurrSeq").setLongValue(initiator ? options_.hostC3ConCurrSeq : options_.targetC3ConCurrSeq);
    port->addPar("portName").setLongValue(portName++);
    port->addPar("currEdTov").setLongValue(2000);
    port->addPar("currRaTov").setLongValue(10000);
    port->addPar("currBbCredit").setLongValue(1);
    port->addPar("currBbCnt").setLongValue(0);
    cModule* fc2 = compound("Fc2", port);
    for (int k = 0; k <= options_.maxPeerPort; ++k)
        compound("EePair", fc2, k, options_.maxPeerPort + 1)->addPar("peerAddrId").setLongValue(0);

    cModule* fc4 = findModuleType("Fc4Layer")->create("Fc4", device);
    fc4->setIndex(0, 1);
    for (const char* flag : {"flogiDone", "flogiLrDone", "nsRegDone"})
        fc4->par(flag).setBoolValue(false);
    fc4->buildInside();

    auto* cpu = new TestProcessor(cpuName, device, 1, &send_, &recv_, &send_, &recv_, 100);
    connect(fc4->gate("to_ulp"), cpu->gate("driver_in", 0));
    connect(cpu->gate("driver_out", 0), fc4->gate("from_ulp"));
    connect(fc4->gate("to_fc2"), fabric->gate("port_in", fabricPort));
    connect(fabric->gate("port_out", fabricPort), fc4->gate("from_fc2"));
    return port;
}

void SanTest::buildSwitch()
{
    cModule* sw = compound("Switch", root);
    sw->addPar("domainId").setLongValue(5);
    for (int s = 0; s < 4; ++s) {
        cModule* swPort = compound("SwPort", sw, s, 4);
        swPort->addPar("rxBufSize").setLongValue(16);
        swPort->addPar("reqEdTov").setLongValue(2000);
        swPort->addPar("reqRaTov").setLongValue(10000);
        swPort->addPar("areaId").setLongValue(2);
        swPort->addPar("gbStr").setStringValue("FcCtrlS_For_FC_Ports");
        cModule* fc4 = compound("Fc4", swPort);
        cModule* els = findModuleType("FcExtendedLinkService")->create("FcEls", fc4);
        cModule* gs = findModuleType("FcGenericServices")->create("FcGs", fc4);
        els->par("currConCurrIu").setLongValue(0);
        gs->par("currConCurrIu").setLongValue(0);
        auto* ctrl = new TestSwitchDispatcher("Fc4Ctrl", fc4);
        connect(ctrl->gate("to_fcels"), els->gate("from_fc4ctrl"));
        connect(els->gate("to_fc4ctrl"), ctrl->gate("from_fcels"));
        connect(ctrl->gate("to_fcgs"), gs->gate("from_fc4ctrl"));
        connect(gs->gate("to_fc4ctrl"), ctrl->gate("from_fcgs"));
        const int g = static_cast<int>(fabric->nodes.size()) + s;
        connect(ctrl->gate("to_up"), fabric->gate("port_in", g));
        connect(fabric->gate("port_out", g), ctrl->gate("from_up"));
    }
}

std::string SanTest::run()
{
    try {
        simulation.callInitialize();
        simulation.run();
    } catch (const cRuntimeError& e) {
        return e.what();
    }
    return "";
}

std::string SanTest::runToError()
{
#if defined(__SANITIZE_ADDRESS__)
    __lsan::ScopedDisabler leaksOfTheStoppedRun;
#endif
    return run();
}

cMessage* SanTest::stoppedOn(cMessage* msg)
{
#if defined(__SANITIZE_ADDRESS__)
    __lsan_ignore_object(msg);
#endif
    return msg;
}

std::string SanTest::warningsLog() const
{
    return readFile("logs/Warnings.log");
}

FcSeqPayload* SanTest::rscnAboutChip(int c, unsigned long fc4MemAddr) const
{
    auto* rscn = new FcElsPacket("FC_ELS_RSCN", FC_ELS_RSCN);
    rscn->setCmdCode(0x61);
    rscn->setPortId(static_cast<std::uint32_t>(chipAddress(c)));
    rscn->setLength(8);
    EnvelopeRoute route;
    route.sId = 0xFFFFFD;
    route.dId = kHostAddress;
    route.rCtl = 0x22;
    route.type = 1;
    route.firstSeq = route.lastSeq = true;
    return new_envelope(rscn, fc4MemAddr, root, route);
}

SendScsiCmd* SanTest::newCommand(unsigned char code, unsigned long dataLen, int fcpIndex, unsigned long ioId)
{
    auto cdb = std::make_unique<ScsiCdb>("SCSI_CMD", SCSI_CMD);
    cdb->setCmdCode(code);
    cdb->setDataLen(static_cast<std::uint32_t>(dataLen));
    cdb->setLength(code == SCSI_READ || code == SCSI_WRITE ? 16 : code == SCSI_RPTLUNS ? 12 : 6);
    auto* cmd = new SendScsiCmd("SEND_SCSI_CMD", SEND_SCSI_CMD);
    cmd->setLength(0);
    cmd->setFc4Index(0);
    cmd->setFcpIndex(fcpIndex);
    cmd->setLun(1);
    cmd->setIoId(static_cast<std::uint32_t>(ioId));
    cmd->setCdbPtr(object_address(cdb.get()));
    cdbs.push_back(std::move(cdb));
    return cmd;
}

void SanTest::hostIssues(std::vector<Command> commands, double spacing)
{
    auto codes = std::make_shared<std::map<unsigned long, unsigned char>>();
    auto started = std::make_shared<bool>(false);
    hostCpu->onUpper = [this, commands, spacing, codes, started](TestProcessor& cpu, cMessage* msg, int fc4) {
        if (msg->kind() == CREATE_IT_PATH && !*started) {
            *started = true;
            const int fcp = static_cast<int>(msg->par("fcpIndex").longValue());
            for (size_t i = 0; i < commands.size(); ++i) {
                const unsigned long ioId = nextIoId++;
                (*codes)[ioId] = commands[i].code;
                cpu.sendDown(newCommand(commands[i].code, commands[i].dataLen, fcp, ioId), fc4,
                             spacing * static_cast<double>(i));
            }
        } else if (msg->kind() == CMD_COMP_RECVD) {
            auto* comp = static_cast<CmdCompRecvd*>(msg);
            if ((*codes)[comp->getIoId()] == SCSI_WRITE)
                return;
            auto* conf = new CmdCompConf("CMD_COMP_CONF", CMD_COMP_CONF);
            conf->setLength(0);
            conf->setFc4Index(comp->getFc4Index());
            conf->setFcpIndex(comp->getFcpIndex());
            conf->setLun(comp->getLun());
            conf->setIoId(comp->getIoId());
            cpu.sendDown(conf, fc4);
        }
    };
}

void SanTest::targetsAnswer()
{
    for (TestProcessor* cpu : chipCpus)
        cpu->answerAsLunControllers();
}
