// The port stack on the smallest network a user runs: two hosts whose node
// ports share a cable, 64 KiB sequences sent back to back from HostA to HostB
// for a fixed simulated time. BM_NodePortPair runs the real NodePort (FC-1 and
// FC-2) under a small FC-4 that keeps sequences flowing; BM_Fc1PortPair runs
// the real FC-1 alone under a small FC-2 that keeps frames flowing;
// BM_SwitchedNodePortPair puts a real FcSwitch between the two node ports,
// which log in to the fabric first, so that what it adds per frame is known.
//
// Both networks are set up the way a run is, through setup_root, with the
// root settings of the integration bed and the port files of the FC-1/FC-2
// tests, in a temporary working directory that takes whatever the modules
// write. Module output is off (express mode).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/ScratchFolder.h"
#include "fc4/SequenceEnvelope.h"
#include "fcport/PortCodes.h"
#include "fcport/SequenceFrames.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/CompoundBuilder.h"
#include "network/RootModule.h"
#include "network/SiteLayout.h"
#include "network/Velmora.h"
#include "sim/ExecuteOnStartup.h"
#include "sim/Sim.h"
#include "sim/cIniFile.h"
#include "tests/shared/TestRoot.h"

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#endif

namespace {

constexpr unsigned long ADDR_A = 0x010100;
constexpr unsigned long ADDR_B = 0x010200;
constexpr long SEQUENCE_BYTES = 64 * 1024;
constexpr long FRAME_PAYLOAD = 2048;   // the most a frame of these ports carries
constexpr int SEQUENCES_IN_FLIGHT = 2; // enough to keep the line busy between sequences
constexpr double RUN_TIME = 0.05;      // simulated seconds per run

// What the bench modules of the current run counted.
struct RunCounts {
    long sequences = 0;
    long frames = 0;
};
RunCounts counts;

// The buffer-to-buffer credit the bench FC-4 grants its port once the link is
// up, as a fabric login would; 0 leaves the port's own credit of 1, with which
// the sender waits for each R_RDY and the line idles between frames.
long grantedCredit = 0;

// Whether the bench FC-4 of the current run logs in to a fabric first.
bool behindSwitch = false;
// The switch of the switched bed is domain 5 with its ports in area 2: port i
// gives its node port the address 0x0502ii.
constexpr unsigned long FABRIC_ADDR_A = 0x050200;
constexpr unsigned long FABRIC_ADDR_B = 0x050201;
constexpr unsigned long ELS_FLOGI_CMD = 0x04000000;
constexpr long ELS_PACKET_BYTES = 116;
// Long enough for the peer's port to be logged in as well before the first frame.
constexpr double FABRIC_SETTLE_TIME = 0.001;

// ---- FC-4 over a real node port ---------------------------------------------------

// Waits for the link and the pair with the peer; the sender then keeps
// SEQUENCES_IN_FLIGHT sequences under way, the receiver counts what arrives.
class BenchFc4 : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    const char* className() const override { return "BenchFc4"; }

    void activity() override
    {
        cModule* device = parentModule();
        const bool sender = std::strcmp(device->name(), "HostA") == 0;
        await(PORT_UP);
        cModule* port = device->submodule("NxPort", 0);
        if (behindSwitch)
            log_in_to_fabric(port);
        if (grantedCredit > 0)
            port->par("currBbCredit").setLongValue(grantedCredit);
        const unsigned long a = behindSwitch ? FABRIC_ADDR_A : ADDR_A;
        const unsigned long b = behindSwitch ? FABRIC_ADDR_B : ADDR_B;
        src_ = sender ? a : b;
        dst_ = sender ? b : a;
        send(req_eepair(dst_), "out", 0);
        await(PLOGI_SUCC);
        if (behindSwitch)
            wait(FABRIC_SETTLE_TIME);
        if (sender)
            for (int i = 0; i < SEQUENCES_IN_FLIGHT; ++i)
                send(sequence(), "out", 0);
        for (;;) {
            cMessage* msg = receive();
            if (msg->kind() == OESB_FREE && sender) {
                send(sequence(), "out", 0);
            } else if (msg->kind() == FC_SEQ_PAYLOAD) {
                ++counts.sequences;
                counts.frames += (msg->length() + FRAME_PAYLOAD - 1) / FRAME_PAYLOAD;
            }
            discard_message(msg);
        }
    }

  private:
    void await(int kind)
    {
        for (;;) {
            cMessage* msg = receive();
            const bool found = msg->kind() == kind;
            discard_message(msg);
            if (found)
                return;
        }
    }
    // A fabric login as a node port's FC-4 makes it: FLOGI to the login
    // server, whose accept gives the port its address (taken by the
    // receiver) and the switch port's receive buffers as credit, then a link
    // reset, after which the switch port is an F_Port.
    void log_in_to_fabric(cModule* port)
    {
        auto* flogi = new FcElsPacket("FC_ELS_FLOGI", FC_ELS_FLOGI);
        flogi->setCmdCode(ELS_FLOGI_CMD);
        flogi->setRecvBufSize(static_cast<unsigned long>(port->par("rxBufSize").longValue()));
        flogi->setPortMode(N_PORT_MODE);
        flogi->setMsgLen(ELS_PACKET_BYTES);
        flogi->setLength(ELS_PACKET_BYTES);
        EnvelopeRoute route;
        route.dId = LOGIN_SERVER_ID;
        route.rCtl = RCTL_ELS_REQUEST;
        route.type = TYPE_ELS;
        route.firstSeq = route.xferSeqInit = true;
        route.ssbSizes(1, 1, 1, 1);
        send(new_envelope(flogi, ++memAddr_, find_root(this), route), "out", 0);
        long credit = 0;
        while (credit == 0) {
            cMessage* msg = receive();
            if (msg->kind() == FC_SEQ_PAYLOAD)
                if (auto* acc = dynamic_cast<FcElsPacket*>(carried_object(static_cast<FcSeqPayload*>(msg))))
                    credit = static_cast<long>(acc->getRecvBufSize());
            discard_message(msg);
        }
        send(new cMessage("REQ_LINK_RESET", REQ_LINK_RESET, 0), "out", 0);
        await(PORT_UP);
        port->par("currBbCnt").setLongValue(0);
        port->par("currBbCredit").setLongValue(credit);
    }
    static cMessage* req_eepair(unsigned long peer)
    {
        auto* msg = new cMessage("REQ_EEPAIR", REQ_EEPAIR, 0);
        msg->addPar("peerAddrId").setLongValue(static_cast<long>(peer));
        msg->addPar("newC3ConCurrSeq").setLongValue(4);
        msg->addPar("newRecTov").setLongValue(100);
        return msg;
    }
    cMessage* sequence()
    {
        auto* env = new FcSeqPayload("FC_SEQ_PAYLOAD", FC_SEQ_PAYLOAD);
        env->setLength(SEQUENCE_BYTES);
        env->setSId(static_cast<std::uint32_t>(src_));
        env->setDId(static_cast<std::uint32_t>(dst_));
        env->setType(8);
        env->setRCtl(6);
        env->setFirstSeq(true);
        env->setLastSeq(true);
        env->setClassOfSrv(CLASS_3);
        env->setFc4MemAddr(static_cast<std::uint32_t>(++memAddr_));
        env->setFc4IuIndex(1);
        env->setOrigInitSsbSize(1);
        env->setRespRecpSsbSize(1);
        return env;
    }
    unsigned long memAddr_ = 0;
    unsigned long src_ = 0, dst_ = 0;
};

// ---- FC-2 over a real FC-1 ----------------------------------------------------------

// The sender puts full frames on FC-1 one at a time under buffer-to-buffer
// credit, the next on FRAME_TX_OK or R_RDY; the receiver acknowledges each
// frame FC-1 hands it and completes it at once.
class BenchFc2 : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    const char* className() const override { return "BenchFc2"; }

    void activity() override
    {
        port_ = parentModule();
        sender_ = std::strcmp(port_->parentModule()->name(), "HostA") == 0;
        // Looked up once, so that the bench's own FC-2 costs next to nothing.
        bbCnt_ = &port_->par("currBbCnt");
        bbCredit_ = &port_->par("currBbCredit");
        frmGid_ = &find_root(this)->par("frmGid");
        toFc1_ = gate("to_fc1")->id();
        for (;;) {
            cMessage* msg = receive();
            switch (msg->kind()) {
            case LINK_UP:
                if (port_->hasPar("portMode") && port_->par("portMode").longValue() == 0)
                    port_->par("portMode").setLongValue(1);
                up_ = true;
                break;
            case LINK_DOWN:
                up_ = sending_ = false;
                bbCnt_->setLongValue(0);
                break;
            case FRAME_TX_OK: sending_ = false; break;
            case R_RDY: bbCnt_->setLongValue(bbCnt_->longValue() - 1); break;
            case REQ_FRM_RX: send(new cMessage("ACK_FRM_RX", ACK_FRM_RX, 0), toFc1_); break;
            case FC_FRAME_TAIL:
                ++counts.frames;
                send(new cMessage("COM_FRM_RX", COM_FRM_RX, 0), toFc1_);
                break;
            default: break;
            }
            delete msg;
            if (sender_)
                try_send();
        }
    }

  private:
    void try_send()
    {
        if (!up_ || sending_ || bbCnt_->longValue() >= bbCredit_->longValue())
            return;
        bbCnt_->setLongValue(bbCnt_->longValue() + 1);
        sending_ = true;
        const auto gid = static_cast<unsigned long>(frmGid_->longValue());
        frmGid_->setLongValue(frmGid_->longValue() + 1);
        FrameQualifier q{};
        q.sId = ADDR_A;
        q.dId = ADDR_B;
        auto* head = new FcFrameHead("FC_FRAME_HEAD", FC_FRAME_HEAD);
        head->setLength(36);
        head->setHeadLen(36);
        head->setSof(SOFi3);
        head->setDId(ADDR_B);
        head->setSId(ADDR_A);
        head->setEndSeq(true);
        head->setFfq(q);
        head->setFrmGid(gid);
        auto* pay = new FcFramePayload("FC_FRAME_PAYLOAD", FC_FRAME_PAYLOAD);
        pay->setLength(0);
        pay->setPayLen(static_cast<unsigned short>(FRAME_PAYLOAD));
        pay->setFfq(q);
        pay->setFrmGid(gid);
        auto* tail = new FcFrameTail("FC_FRAME_TAIL", FC_FRAME_TAIL);
        tail->setLength(0);
        tail->setTailLen(16);
        tail->setEof(EOFt);
        tail->setFfq(q);
        tail->setFrmGid(gid);
        send(head, toFc1_);
        send(pay, toFc1_);
        send(tail, toFc1_);
    }

    cModule* port_ = nullptr;
    cPar* bbCnt_ = nullptr;
    cPar* bbCredit_ = nullptr;
    cPar* frmGid_ = nullptr;
    int toFc1_ = -1;
    bool sender_ = false, up_ = false, sending_ = false;
};

// ---- Devices and beds ------------------------------------------------------------------

const sDescrItem fc4Items[] = {{'M', "default", nullptr, 0},
                               {'G', "in[]", nullptr, 'I'},
                               {'G', "out[]", nullptr, 'O'},
                               {'E', nullptr, nullptr, 0}};
const sDescrItem fc2Items[] = {{'M', "default", nullptr, 0},
                               {'G', "from_fc1", nullptr, 'I'},
                               {'G', "to_fc1", nullptr, 'O'},
                               {'E', nullptr, nullptr, 0}};
const sDescrItem fc1PortItems[] = {{'M', "default", nullptr, 0},
                                   {'G', "link_in", nullptr, 'I'},
                                   {'G', "link_out", nullptr, 'O'},
                                   {'E', nullptr, nullptr, 0}};
const sDescrItem hostItems[] = {{'M', "default", nullptr, 0},      {'P', "confFile", "S", 0},
                                {'P', "nxPortNum", "LDXFT", 0},    {'G', "link_in[]", nullptr, 'I'},
                                {'G', "link_out[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

const CompoundDescription nodeHostDesc = [] {
    const Expr n = Expr::par("nxPortNum");
    const Expr i = Expr::index();
    return CompoundDescription{
        {
            {"NxPort", "NodePort", n, {set_long("sFact", 1)}, {}, ""},
            {"Fc4", "BenchFc4", n, {}, {{"in", 1}, {"out", 1}}, ""},
            {"EeStat", "Fc2EeStat", {}, {}, {}, ""},
        },
        {
            {GateRef::self("link_in", i), GateRef::element("NxPort", i, "link_in"), "o=#ffffff", {}, 0, n - 1},
            {GateRef::element("NxPort", i, "link_out"), GateRef::self("link_out", i), "o=#ffffff", {}, 0, n - 1},
            {GateRef::element("NxPort", i, "to_fc4"), GateRef::element("Fc4", i, "in", 0), "", {}, 0, n - 1},
            {GateRef::element("Fc4", i, "out", 0), GateRef::element("NxPort", i, "from_fc4"), "", {}, 0, n - 1},
        },
        "",
        false,
    };
}();

const CompoundDescription fc1PortDesc = {
    {
        {"Fc1", "Fc1Layer", {}, {}, {}, ""},
        {"Fc2", "BenchFc2", {}, {}, {}, ""},
    },
    {
        {GateRef::self("link_in"), GateRef::sub("Fc1", "link_in"), "o=#ffffff"},
        {GateRef::sub("Fc1", "link_out"), GateRef::self("link_out"), "o=#ffffff"},
        {GateRef::sub("Fc2", "to_fc1"), GateRef::sub("Fc1", "from_fc2")},
        {GateRef::sub("Fc1", "to_fc2"), GateRef::sub("Fc2", "from_fc1")},
    },
    "",
    true,
};

const CompoundDescription fc1HostDesc = {
    {{"NxPort", "BenchFc1Port", Expr(1), {}, {}, ""}},
    {
        {GateRef::self("link_in", 0), GateRef::element("NxPort", 0, "link_in"), "o=#ffffff"},
        {GateRef::element("NxPort", 0, "link_out"), GateRef::self("link_out", 0), "o=#ffffff"},
    },
    "",
    false,
};

// Two hosts of `hostType` with 300 m of fibre between their ports 0.
CompoundDescription pair_bed(const char* hostType)
{
    std::vector<SubmoduleDescription> hosts;
    for (const char* name : {"HostA", "HostB"})
        hosts.push_back({name, hostType, {}, {}, {{"link_in", Expr(1)}, {"link_out", Expr(1)}}, ""});
    return CompoundDescription{hosts, cables({{"HostA", 0, "HostB", 0, "o=#ffffff", Expr(1e-6)}}), "", false};
}

const CompoundDescription nodePairDesc = pair_bed("BenchNodeHost");

// The two node hosts on ports 0 and 1 of a real switch, 300 m from each.
const CompoundDescription switchedPairDesc = [] {
    std::vector<SubmoduleDescription> devices;
    for (const char* name : {"HostA", "HostB"})
        devices.push_back({name, "BenchNodeHost", {}, {}, {{"link_in", Expr(1)}, {"link_out", Expr(1)}}, ""});
    devices.push_back({"Sw",
                       "FcSwitch",
                       {},
                       {},
                       {{"link_in", Expr::own("swPortNum")}, {"link_out", Expr::own("swPortNum")}},
                       "i=switch"});
    return CompoundDescription{
        devices,
        cables({{"HostA", 0, "Sw", 0, "o=#ffffff", Expr(1e-6)}, {"HostB", 0, "Sw", 1, "o=#ffffff", Expr(1e-6)}}), "",
        false};
}();
const CompoundDescription fc1PairDesc = pair_bed("BenchFc1Host");

// ---- Runs -------------------------------------------------------------------------------

// A working directory with copies of the port files, removed at exit unless
// VELMORA_BENCH_KEEP is set (to look at what the modules wrote).
class Workspace {
  public:
    Workspace()
    {
        namespace fs = std::filesystem;
        oldDir_ = fs::current_path();
        dir_ = make_scratch_folder("velmora_bench_");
        if (dir_.empty())
            throw std::runtime_error("no scratch folder for the port benchmarks");
        const fs::path source(VELMORA_SOURCE_DIR);
        for (const auto& entry : fs::directory_iterator(source / "tests/fcport/data"))
            fs::copy_file(entry.path(), dir_ / entry.path().filename());
        // The switch of the switched bed: the two-port switch of the
        // integration tests, its processor and port controller models, and a
        // zone that holds both hosts.
        const fs::path fabric = source / "tests/integration/data";
        fs::copy_file(fabric / "switch.conf", dir_ / "fabric_switch.conf");
        for (const char* file : {"SwCpu.ini", "FcCtrlS.ini"})
            fs::copy_file(fabric / file, dir_ / file, fs::copy_options::skip_existing);
        std::FILE* zones = std::fopen((dir_ / "zoneSet.txt").c_str(), "w");
        std::fputs("[BenchPair]\nHostA.NxPort[0]\nHostB.NxPort[0]\n", zones);
        std::fclose(zones);
        fs::current_path(dir_);
        for (const char* d : {"out", "out/cpu", "out/bus", "out/ee"})
            fs::create_directory(d);
    }
    ~Workspace()
    {
        std::filesystem::current_path(oldDir_);
        if (std::getenv("VELMORA_BENCH_KEEP")) {
            std::fprintf(stderr, "output kept in %s\n", dir_.c_str());
            return;
        }
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

  private:
    std::filesystem::path dir_, oldDir_;
};

cIniFile ini;

void set_up_node_pair()
{
    setup_root("BenchNodePair");
}
void set_up_fc1_pair()
{
    setup_root("BenchFc1Pair");
}
cNetworkType nodePairNetwork("BenchNodePairNetwork", set_up_node_pair);
cNetworkType fc1PairNetwork("BenchFc1PairNetwork", set_up_fc1_pair);
void set_up_switched_pair()
{
    setup_root("BenchSwitchedPair");
}
cNetworkType switchedPairNetwork("BenchSwitchedPairNetwork", set_up_switched_pair);

void set_up_bed(cNetworkType* network)
{
    ini.clear();
    // Behind the switch the ports start without an address and take the
    // one their fabric login gives them.
    ini.readText(network == &switchedPairNetwork ? "[Parameters]\n"
                                                   "Velmora.Sw.confFile = \"fabric_switch.conf\"\n"
                                                   "Velmora.Sw.swPortNum = 2\n"
                                                   "Velmora.*.NxPort[0].addressId = 0\n"
                                                 : "[Parameters]\n"
                                                   "Velmora.HostA.NxPort[0].addressId = 65792\n"
                                                   "Velmora.HostB.NxPort[0].addressId = 66048\n");
    ini.readText("[Parameters]\n"
                 "Velmora.HostA.confFile = \"fc2_host.conf\"\n"
                 "Velmora.HostB.confFile = \"fc2_host.conf\"\n"
                 "Velmora.*.nxPortNum = 1\n"
                 "Velmora.linkEventFile = \"NoLinkEvents.txt\"\n");
    ini.readFile(std::string(VELMORA_SOURCE_DIR) + "/tests/integration/data/omnetpp.ini");
    simulation.setIniFile(&ini);
    simulation.setupNetwork(network);
}

// The port parameters that FC-2 takes from the configuration file: 1G, four
// receive buffers, four credits.
void set_up_fc1_ports()
{
    for (const char* host : {"HostA", "HostB"}) {
        cModule* p = simulation.systemModule()->submodule(host)->submodule("NxPort", 0);
        p->addPar("maxPortSpeed").setLongValue(1);
        p->addPar("currPortSpeed").setDoubleValue(port_speed_baud(1));
        p->addPar("rtTov").setDoubleValue(100);
        p->addPar("rxBufSize").setLongValue(4);
        p->addPar("currBbCredit").setLongValue(4);
        p->addPar("currBbCnt").setLongValue(0);
        p->addPar("addressId").setLongValue(std::strcmp(host, "HostA") == 0 ? ADDR_A : ADDR_B);
    }
}

void run_pair(benchmark::State& state, cNetworkType* network, bool fc1Only, long credit = 0)
{
    grantedCredit = credit;
    behindSwitch = network == &switchedPairNetwork;
    static Workspace workspace;
    ev.setDisabled(true);
    simulation.setSimTimeLimit(RUN_TIME);
    double wall = 0;
    uint64_t events = 0;
    long frames = 0;
    for (auto _ : state) {
        state.PauseTiming();
        simulation.deleteNetwork();
        counts = {};
        set_up_bed(network);
        if (fc1Only)
            set_up_fc1_ports();
        simulation.callInitialize();
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        // Under `valgrind --tool=callgrind --collect-atstart=no` only the runs
        // are counted, not the set-up and tear-down around them.
        CALLGRIND_TOGGLE_COLLECT;
        simulation.run();
        CALLGRIND_TOGGLE_COLLECT;
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

        state.PauseTiming();
        events += simulation.eventNumber();
        frames += counts.frames;
        simulation.deleteNetwork();
        state.ResumeTiming();
    }
    simulation.setIniFile(nullptr);
    if (frames == 0) {
        state.SkipWithError("no frame reached HostB");
        return;
    }
    state.counters["events/s"] = benchmark::Counter(static_cast<double>(events) / wall);
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(frames) / wall);
    state.counters["us/frame"] = benchmark::Counter(wall * 1e6 / static_cast<double>(frames));
    state.counters["frames/run"] = benchmark::Counter(static_cast<double>(frames) / state.iterations());
    state.counters["events/run"] = benchmark::Counter(static_cast<double>(events) / state.iterations());
}

void BM_NodePortPair(benchmark::State& state)
{
    run_pair(state, &nodePairNetwork, false);
}
BENCHMARK(BM_NodePortPair)->Unit(benchmark::kMillisecond);

// The same pair with the credit of the peer's four receive buffers, which
// keeps the line busy from one frame to the next.
void BM_NodePortPairBusyLine(benchmark::State& state)
{
    run_pair(state, &nodePairNetwork, false, 4);
}
BENCHMARK(BM_NodePortPairBusyLine)->Unit(benchmark::kMillisecond);

// The node-port pair through a real switch, each port with the credit that
// its fabric login grants (the switch port's eight receive buffers).
void BM_SwitchedNodePortPair(benchmark::State& state)
{
    run_pair(state, &switchedPairNetwork, false);
}
BENCHMARK(BM_SwitchedNodePortPair)->Unit(benchmark::kMillisecond);

void BM_Fc1PortPair(benchmark::State& state)
{
    run_pair(state, &fc1PairNetwork, true);
}
BENCHMARK(BM_Fc1PortPair)->Unit(benchmark::kMillisecond);

} // namespace

Define_Module_Interface(BenchFc4, fc4Items);
Define_Module(BenchFc4, 65536);
Define_Module_Interface(BenchFc2, fc2Items);
Define_Module(BenchFc2, 65536);
Define_Module_Interface(BenchFc1Port, fc1PortItems);
Define_Described_Compound(BenchFc1Port, fc1PortDesc);
Define_Module_Interface(BenchNodeHost, hostItems);
Define_Described_Compound(BenchNodeHost, nodeHostDesc);
Define_Module_Interface(BenchFc1Host, hostItems);
Define_Described_Compound(BenchFc1Host, fc1HostDesc);
Define_Module_Interface(BenchNodePair, test_root_items());
Define_Described_Compound(BenchNodePair, nodePairDesc);
Define_Module_Interface(BenchFc1Pair, test_root_items());
Define_Described_Compound(BenchFc1Pair, fc1PairDesc);
Define_Module_Interface(BenchSwitchedPair, test_root_items());
Define_Described_Compound(BenchSwitchedPair, switchedPairDesc);
