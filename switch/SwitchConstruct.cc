#include "switch/SwitchConstruct.h"

#include <memory>

#include "device/CpuTimingFile.h"
#include "device/OutputFile.h"
#include "device/PlatformRegistry.h"
#include "device/SettingCatalogue.h"
#include "device/TaskTiming.h"
#include "device/WarningsLog.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RootModule.h"
#include "sim/ObjectAddress.h"
#include "switch/SwitchCodes.h"
#include "switch/SwitchGeneralSection.h"
#include "switch/ZoneSetFile.h"

const sDescrItem switchConstructItems[] = {{'M', "default", nullptr, 0},       {'P', "frmFwdDelta", "LDXFT", 0},
                                           {'P', "latSumDelta", "LDXFT", 0},   {'G', "from_swport[]", nullptr, 'I'},
                                           {'G', "to_swport[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

namespace {

constexpr int DUP_DOMAIN_SLOTS = 240;
constexpr long SWITCH_PF_TYPE = 3;
constexpr unsigned long DOMAIN_CONTROLLER_BASE = 0xFFFC00;
constexpr double SPEED_1G = 1062500000.0;
constexpr double SPEED_2G = 2125000000.0;

// The run's record of the Domain_IDs taken, shared by every switch through
// the root's `dupDomChkPtr`.
struct DupDomainRecord {
    bool used = false;
    int domain = 0;
};
struct DupDomainTable {
    DupDomainRecord records[DUP_DOMAIN_SLOTS];
};

} // namespace

SwitchConstruct::SwitchConstruct(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize)
{
}

SwitchConstruct::~SwitchConstruct()
{
    while (!server_.empty())
        discard_message(server_.take_next());
}

// ---- Initialisation ----------------------------------------------------------------

void SwitchConstruct::initialize()
{
    sw_ = parentModule();
    root_ = find_root(this);
    toSwPort_ = OutputGates(this, "to_swport");
    fspf_.read_link_costs(root_);
    equipId_ = take_a_number(root_, "equipId");
    pfName_ = take_a_number(root_, "iniEqName");
    sw_->addPar("swName").setLongValue(pfName_);
    reg_pfname();
    swPortNum_ = static_cast<int>(sw_->par("swPortNum").longValue());
    if (swPortNum_ < 1)
        error("---> At least one switch port must be installed");
    load_switch_params();

    cPar& realDomNum = root_->par("realDomNum");
    realDomNum.setLongValue(realDomNum.longValue() + 1);
    swIndex_ = static_cast<int>(realDomNum.longValue()) - 1;
    if (realDomNum.longValue() == 1) {
        DupDomainTable* table = simulation.keepForRun(std::make_unique<DupDomainTable>());
        root_->addPar("dupDomChkPtr").setLongValue(object_address(table));
        warn_of_prog_data_dir_without_slash();
    }
    domainId_ = static_cast<std::uint32_t>(sw_->par("domainId").longValue());
    sw_->addPar("domainCtrl").setLongValue(static_cast<long>(DOMAIN_CONTROLLER_BASE + domainId_));
    sw_->addPar("pfType").setLongValue(SWITCH_PF_TYPE);

    stats_.create_files(root_, sw_, swPortNum_, domainId_);
}

// Output paths are progDataDir with the rest added unseparated, so without
// a trailing '/' the run's folders land beside the intended one.
void SwitchConstruct::warn_of_prog_data_dir_without_slash()
{
    const std::string dir = root_->par("progDataDir").stringValue();
    if (dir.empty() || dir.back() == '/')
        return;
    user_warning(this, "progDataDir \"" + dir +
                           "\" does not end with '/': the run's folders and files are named by "
                           "adding to it, as \"" +
                           dir + root_->par("ioGenDir").stringValue() +
                           "\", and lie beside a folder of its name, not in it. Please check the file \"omnetpp.ini\"");
}

void SwitchConstruct::reg_pfname()
{
    register_platform_name(this, root_, equipId_, pfName_, PfNameText::INVALID_SWITCH_NAME);
}

// Section "[1]": Domain_ID, R_A_TOV, E_D_TOV (ms) and the CPU model.
void SwitchConstruct::load_switch_params()
{
    confFile_ = sw_->par("confFile").stringValue();
    const SwitchGeneralRow row = read_switch_general_row(this, confFile_);
    sw_->addPar("domainId").setLongValue(row.domainId);
    sw_->addPar("raTov").setLongValue(row.raTov);
    sw_->addPar("edTov").setLongValue(row.edTov);
    sw_->addPar("cpuModel").setStringValue(row.cpuModel.c_str());
    extract_cpu_timing(this, row.cpuModel, {"FRM_FWD", "NS_ZONE", "RT_BULD"}, "Switch");
}

// ---- Start of the coroutine ----------------------------------------------------------

void SwitchConstruct::activity()
{
    start_coroutine();
    for (;;)
        dispatch(receive());
}

void SwitchConstruct::start_coroutine()
{
    ZoneSetFile(this, root_, swIndex_ == 0).read_into(ns_.zone_set());
    initConst();
    initSwRtCtr();
    initSwPortStat();
    fspf_.start(domainId_, maxSwPortNum_, root_);
    initRtTable();
    initFrmFwdTbl();
    ns_.initNsDb(root_, domainId_);
    routes_.create_own_record(domainId_);
    server_.set_busy(false);
    frmFwdDelta_ = &par("frmFwdDelta");
    latSumDelta_ = &par("latSumDelta");
    stats_.write_switch_stat();
    stats_.write_swctr_upd();
    asicUtilDelta_ = &addPar("asicUtilDelta");
    asicUtilDelta_->setDoubleValue(0);
    busyStart_ = simTime();
    stats_.create_cpu_util();
    stats_.write_cpu_util();
    cpuClock_ = par("cpuClock").doubleValue();
    memClock_ = par("memClock").doubleValue();
    frmFwdTask_ = object_at<TaskTiming>(par("FRM_FWD").longValue());
    nsZoneTask_ = object_at<TaskTiming>(par("NS_ZONE").longValue());
    rtBuldTask_ = object_at<TaskTiming>(par("RT_BULD").longValue());
}

void SwitchConstruct::initConst()
{
    const long maxDomNum = root_long_setting(this, root_, "maxDomNum");
    if (maxDomNum < 1 || maxDomNum > MAX_DOMAIN_ID)
        error("---> maxDomNum must be within [1,239]. Please check the file \"omnetpp.ini\"");
    maxDomNum_ = static_cast<int>(maxDomNum);
    if (root_->par("realDomNum").longValue() > maxDomNum_)
        error("---> Maximum %d Domains can be installed. Please consider a larger value for \"maxDomNum\" in the file "
              "\"omnetpp.ini\"",
              maxDomNum_);
    const long maxSwPortNum = root_long_setting(this, root_, "maxSwPortNum");
    if (maxSwPortNum < 1 || maxSwPortNum > 255)
        error("---> maxSwPortNum for each switch must be within [1,255]. Please check the file \"omnetpp.ini\"");
    maxSwPortNum_ = static_cast<int>(maxSwPortNum);
}

void SwitchConstruct::initSwRtCtr()
{
    EV << "Initializing Switch Routing Centre ... ";
    if (domainId_ < MIN_DOMAIN_ID || domainId_ > MAX_DOMAIN_ID)
        error("---> Invalid Domain_ID[%u]. Must within [%d,%d]", domainId_, MIN_DOMAIN_ID, MAX_DOMAIN_ID);
    check_duplicate_domain();
    swPortNum_ = static_cast<int>(sw_->par("swPortNum").longValue());
    if (swPortNum_ < 1 || swPortNum_ > 255)
        error("---> Invalid Switch Port Number[%d]. Must within [1,255]", swPortNum_);
    if (swPortNum_ > maxSwPortNum_)
        error("---> Maximum %d Switch Ports can be installed. Please consider a larger value for \"maxSwPortNum\" in "
              "the file \"omnetpp.ini\"",
              maxSwPortNum_);
    routes_.reset_records(maxDomNum_, maxSwPortNum_);
    EV << "Done.\n";
}

void SwitchConstruct::check_duplicate_domain()
{
    auto* table = object_at<DupDomainTable>(root_->par("dupDomChkPtr").longValue());
    for (const DupDomainRecord& r : table->records)
        if (r.used && r.domain == static_cast<int>(domainId_))
            error("---> Found duplicate Domain_ID: %u", domainId_);
    for (DupDomainRecord& r : table->records)
        if (!r.used) {
            r = {true, static_cast<int>(domainId_)};
            return;
        }
}

void SwitchConstruct::initSwPortStat()
{
    EV << "Initializing Switch Port State Table ... ";
    ports_.create(sw_, swPortNum_);
    EV << "Done.\n";
}

void SwitchConstruct::initRtTable()
{
    EV << "Initializing Switch Routing Table ... ";
    routes_.reset(maxDomNum_);
    EV << "Done.\n";
}

// ---- Main loop and processor queue ----------------------------------------------------

void SwitchConstruct::dispatch(cMessage* msg)
{
    EV << fullPath() << " --> " << msg->name() << "\n";
    switch (msg->kind()) {
    case NEXT_MSG: end_of_task(msg); break;
    case FC_FRAME_PAYLOAD: fwd_frm_pay(msg); break;
    case FC_FRAME_TAIL: fwd_frm_tail(msg); break;
    case ACK_FRM_FWD: proc_fwd_ack(msg); break;
    case COM_FRM_FWD: proc_fwd_com(msg); break;
    case REQ_FRM_FWD:
    case swils::FSPF_PACKET:
    case DEV_DOWN:
    case GOT_RFF_ID:
    case GOT_GFF_ID:
    case GOT_GID_FT:
    case GOT_SW_RSCN:
    case RECV_PID_LIST:
        // A waiting message keeps its arrival gate, whose index is its port.
        server_.submit(msg);
        break;
    case ISSUE_HELLO:
        fspf_.issue_hello(*msg);
        send_output(fspf_.output());
        delete msg;
        break;
    case E_PORT_UP: e_port_up(msg, arrival_port(msg)); break;
    case F_PORT_UP: f_port_up(msg, arrival_port(msg)); break;
    case MSG_COAT: run_coat(msg); break;
    case NEXT_STAT:
        stats_.write_switch_stat();
        delete msg;
        break;
    case SWCTR_UPD:
        stats_.write_swctr_upd();
        delete msg;
        break;
    case NEXT_CPU_UTIL:
        stats_.write_cpu_util();
        delete msg;
        break;
    default: error("---> No idea know how to handle message: %s", msg->name());
    }
}

const TaskTiming* SwitchConstruct::task_of(const cMessage* msg) const
{
    switch (msg->kind()) {
    case REQ_FRM_FWD: return frmFwdTask_;
    case swils::FSPF_PACKET:
    case DEV_DOWN: return rtBuldTask_;
    case GOT_RFF_ID:
    case GOT_GFF_ID:
    case GOT_GID_FT:
    case GOT_SW_RSCN:
    case RECV_PID_LIST: return nsZoneTask_;
    default: error("---> proc_msg_que : REQ_PROC_QUE doesn't know how to handle message %s", msg->name());
    }
}

void SwitchConstruct::proc_msg_que()
{
    if (server_.empty())
        error("---> proc_msg_que : REQ_PROC_QUE should't be empty");
    busyStart_ = simTime();
    cMessage* msg = server_.take_next();
    cMessage* coat = taskCoat_.next();
    const TaskTiming* task = task_of(msg);
    coat->encapsulate(msg);
    scheduleAt(simTime() + load_timing(task, cpuClock_, memClock_), coat);
}

void SwitchConstruct::run_coat(cMessage* coat)
{
    if (!coat->encapsulatedMsg())
        error("---> MSG_COAT expected encapsulated message");
    cMessage* msg = coat->decapsulate();
    taskCoat_.done(coat);
    msg_proc_ctr(msg, gate(msg->arrivalGateId())->index());
    release_resources();
}

void SwitchConstruct::msg_proc_ctr(cMessage* msg, int port)
{
    switch (msg->kind()) {
    case REQ_FRM_FWD: proc_fwd_req(msg); return;
    case swils::FSPF_PACKET: proc_fspf_packet(static_cast<FspfPacket*>(msg), port); return;
    case DEV_DOWN:
        proc_link_down(port);
        delete msg;
        return;
    case GOT_RFF_ID: {
        auto* packet = dynamic_cast<FcGsPacket*>(msg->encapsulatedMsg());
        if (!packet)
            error("---> msg_proc_ctr : GOT_RFF_ID should encapsulate FcGsPacket");
        msg->decapsulate();
        ns_.proc_rff_id(packet, port);
        send_output(ns_.output());
        delete msg;
        return;
    }
    case GOT_GFF_ID: {
        auto* packet = dynamic_cast<FcGsPacket*>(msg->encapsulatedMsg());
        if (!packet)
            error("---> msg_proc_ctr : GOT_GFF_ID should encapsulate FcGsPacket");
        msg->decapsulate();
        ns_.proc_gff_id(packet, msg, port);
        send_output(ns_.output());
        return;
    }
    case GOT_GID_FT:
        ns_.proc_gid_ft(msg, port);
        send_output(ns_.output());
        return;
    case GOT_SW_RSCN: {
        auto* packet = dynamic_cast<SwIlsPacket*>(msg->encapsulatedMsg());
        if (!packet)
            error("---> msg_proc_ctr : GOT_SW_RSCN should encapsulate SwIlsPacket");
        msg->decapsulate();
        ns_.proc_sw_rscn(packet, port);
        send_output(ns_.output());
        delete msg;
        return;
    }
    case RECV_PID_LIST: {
        auto* packet = dynamic_cast<FcGsPacket*>(msg->encapsulatedMsg());
        if (!packet)
            error("---> msg_proc_ctr : RECV_PID_LIST should encapsulate FcGsPacket");
        msg->decapsulate();
        ns_.recv_pid_list(packet, port);
        send_output(ns_.output());
        delete msg;
        return;
    }
    default: error("---> msg_proc_ctr : Switch Ctrl Centre doesn't know how to handle message %s", msg->name());
    }
}

void SwitchConstruct::release_resources()
{
    scheduleAt(simTime(), taskEnd_.next());
}

void SwitchConstruct::end_of_task(cMessage* msg)
{
    asicUtilDelta_->setDoubleValue(asicUtilDelta_->doubleValue() + (simTime() - busyStart_));
    busyStart_ = simTime();
    taskEnd_.done(msg);
    server_.release();
}

// ---- Ports coming up --------------------------------------------------------------------

int SwitchConstruct::speed_code(int port, const char* illegalText) const
{
    const double speed = ports_.module(port)->par("currPortSpeed").doubleValue();
    if (speed == SPEED_1G)
        return SwitchPortTable::SPEED_CODE_1G;
    if (speed == SPEED_2G)
        return SwitchPortTable::SPEED_CODE_2G;
    error("%s", illegalText);
}

void SwitchConstruct::e_port_up(cMessage* msg, int port)
{
    delete msg;
    SwitchPortTable::Entry& p = ports_[port];
    if (p.state == SwitchPortTable::E_PORT_STATE) {
        EV << "Port[" << port << "] already up !\n";
        return;
    }
    EV << "A new ISL found on swPort[" << port << "].\n";
    p.state = SwitchPortTable::E_PORT_STATE;
    p.speedCode = speed_code(port, "---> E_PORT_UP found illegal portSpeed");
    fspf_.e_port_up(port);
    send_output(fspf_.output());
}

void SwitchConstruct::f_port_up(cMessage* msg, int port)
{
    SwitchPortTable::Entry& p = ports_[port];
    if (p.state == SwitchPortTable::F_PORT_STATE) {
        EV << "Port[" << port << "] already up !\n";
        delete msg;
        return;
    }
    EV << "A new Node Port found attached to swPort[" << port << "].\n";
    p.state = SwitchPortTable::F_PORT_STATE;
    p.speedCode = speed_code(port, "---> F_PORT_UP found illegal portSpeed");
    const auto portId = static_cast<std::uint32_t>(msg->par("portId").longValue());
    delete msg;
    ns_.add_n_port(portId);
}

// ---- Link-state protocol and routing --------------------------------------------------------

void SwitchConstruct::proc_fspf_packet(FspfPacket* packet, int port)
{
    // Held so that a packet whose record file ends the run is freed too.
    HeldMessage<FspfPacket> held(packet);
    const bool changed = fspf_.proc_fspf_packet(*packet, port);
    send_output(fspf_.output());
    if (changed)
        build_routing_table();
}

// The engine rebuilds the shortest paths from the link-state database; the
// registered ports of a lost domain are dropped and announced, and a newly
// reachable domain makes the switch ask its neighbours for their port lists.
void SwitchConstruct::build_routing_table()
{
    const RoutingEngine::Change change = routes_.rebuild(domainId_);
    for (std::uint32_t domain : change.lost)
        ns_.drop_domain(domain);
    if (change.gained)
        ns_.ask_port_lists();
    send_output(ns_.output());
}

// ---- Helpers ------------------------------------------------------------------------------

void SwitchConstruct::to_port(cMessage* msg, int port)
{
    toSwPort_.send(msg, port);
}

void SwitchConstruct::send_output(SwitchOutbox& outbox)
{
    for (const SwitchOutbox::Entry& e : outbox.take()) {
        if (e.port == SwitchOutbox::TO_SELF)
            scheduleAt(simTime() + e.delay, e.msg);
        else
            to_port(e.msg, e.port);
    }
}

void SwitchConstruct::delete_message(cMessage* msg)
{
    const int kind = msg->kind();
    cMessage* inner = msg->encapsulatedMsg();
    const bool headInside = inner && inner->kind() == FC_FRAME_HEAD;
    const bool freed = discard_message(msg);
    if (freed && (headInside || kind == FC_FRAME_HEAD))
        warnings(LogKind::WARNING, "FC_FRAME_HEAD Context Pointer was deleted!");
    else if (freed && kind == FC_SEQ_PAYLOAD)
        warnings(LogKind::WARNING, "FC_SEQ_PAYLOAD Context Pointer was deleted!");
}

void SwitchConstruct::warnings(LogKind kind, const char* text)
{
    ::warnings(this, kind, text, OpenFailText::QUOTED);
}

// ---- End of run ---------------------------------------------------------------------------

void SwitchConstruct::finish()
{
    stats_.finish();
    trunkQue_.clear();
    remove_temporary_files(root_);
}

// An abandoned run, too, leaves no temporary files for the next one; it
// writes none of the statistics that finish() completes.
void SwitchConstruct::abandonRun()
{
    remove_temporary_files(root_);
}

Define_Module_Interface(SwitchConstruct, switchConstructItems);
Define_Module(SwitchConstruct, SWITCH_CONSTRUCT_STACK);
