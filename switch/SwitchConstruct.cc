#include "switch/SwitchConstruct.h"

#include <memory>

#include "device/CpuTimingFile.h"
#include "device/OutputFile.h"
#include "device/PlatformRegistry.h"
#include "device/TaskTiming.h"
#include "device/WarningsLog.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RootModule.h"
#include "sim/ObjectAddress.h"
#include "switch/SwitchCodes.h"
#include "switch/SwitchGeneralSection.h"

const sDescrItem switchConstructItems[] = {{'M', "default", nullptr, 0},       {'P', "frmFwdDelta", "LDXFT", 0},
                                           {'P', "latSumDelta", "LDXFT", 0},   {'G', "from_swport[]", nullptr, 'I'},
                                           {'G', "to_swport[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

namespace {

constexpr int DUP_DOMAIN_SLOTS = 240;
constexpr long SWITCH_PF_TYPE = 3;
constexpr unsigned long DOMAIN_CONTROLLER_BASE = 0xFFFC00;
constexpr double HELLO_DELAY = 0.02;
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
    read_link_costs();
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
    }
    domainId_ = static_cast<std::uint32_t>(sw_->par("domainId").longValue());
    sw_->addPar("domainCtrl").setLongValue(static_cast<long>(DOMAIN_CONTROLLER_BASE + domainId_));
    sw_->addPar("pfType").setLongValue(SWITCH_PF_TYPE);

    create_port_thru();
    create_switch_traffic();
    swStatPeriod_ = time_scale_seconds(this, root_, "swStatTimeScale");
    create_swctr_upd();
    swCtrUpdPeriod_ = time_scale_seconds(this, root_, "swCtrUpdTimeScale");
}

void SwitchConstruct::read_link_costs()
{
    link1GCost_ = static_cast<int>(root_->par("link_1G_cost").longValue());
    if (link1GCost_ < 1)
        error("---> Wrong link_1G_cost setup. Must > 0. Please check the file \"omnetpp.ini\"");
    link2GCost_ = static_cast<int>(root_->par("link_2G_cost").longValue());
    if (link2GCost_ < 1)
        error("---> Wrong link_2G_cost setup. Must > 0. Please check the file \"omnetpp.ini\"");
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
    init_zone_set();
    load_zone_set();
    if (swIndex_ == 0) {
        display_zone_set();
        warn_of_unzoned_initiators();
    }
    initConst();
    initSwRtCtr();
    initSwPortStat();
    initRtTable();
    initFrmFwdTbl();
    initNsDb();
    routes_.create_own_record(domainId_);
    server_.set_busy(false);
    frmFwdDelta_ = &par("frmFwdDelta");
    latSumDelta_ = &par("latSumDelta");
    write_switch_stat();
    write_swctr_upd();
    asicUtilDelta_ = &addPar("asicUtilDelta");
    asicUtilDelta_->setDoubleValue(0);
    busyStart_ = simTime();
    cpuUtilPeriod_ = time_scale_seconds(this, root_, "cpuUtilTimeScale");
    create_cpu_util();
    write_cpu_util();
    cpuClock_ = par("cpuClock").doubleValue();
    memClock_ = par("memClock").doubleValue();
    frmFwdTask_ = object_at<TaskTiming>(par("FRM_FWD").longValue());
    nsZoneTask_ = object_at<TaskTiming>(par("NS_ZONE").longValue());
    rtBuldTask_ = object_at<TaskTiming>(par("RT_BULD").longValue());
}

void SwitchConstruct::initConst()
{
    maxDomNum_ = static_cast<int>(root_->par("maxDomNum").longValue());
    if (maxDomNum_ < 1 || maxDomNum_ > MAX_DOMAIN_ID)
        error("---> maxDomNum must be within [1,239]. Please check the file \"omnetpp.ini\"");
    if (root_->par("realDomNum").longValue() > maxDomNum_)
        error("---> Maximum %d Domains can be installed. Please consider a larger value for \"maxDomNum\" in the file "
              "\"omnetpp.ini\"",
              maxDomNum_);
    maxSwPortNum_ = static_cast<int>(root_->par("maxSwPortNum").longValue());
    if (maxSwPortNum_ < 1 || maxSwPortNum_ > 255)
        error("---> maxSwPortNum for each switch must be within [1,255]. Please check the file \"omnetpp.ini\"");
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
    portStat_.assign(static_cast<size_t>(swPortNum_), PortState{});
    swPorts_.clear();
    for (int i = 0; i < swPortNum_; ++i)
        swPorts_.push_back(sw_->submodule("SwPort", i));
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
    const int port = msg->arrivalGate() && !msg->isSelfMessage() ? msg->arrivalGate()->index() : -1;
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
    case RECV_PID_LIST: enqueue(msg, port); break;
    case ISSUE_HELLO:
        issue_hello(msg);
        delete msg;
        break;
    case E_PORT_UP: e_port_up(msg, port); break;
    case F_PORT_UP: f_port_up(msg, port); break;
    case MSG_COAT: run_coat(msg); break;
    case NEXT_STAT:
        write_switch_stat();
        delete msg;
        break;
    case SWCTR_UPD:
        write_swctr_upd();
        delete msg;
        break;
    case NEXT_CPU_UTIL:
        write_cpu_util();
        delete msg;
        break;
    default: error("---> No idea know how to handle message: %s", msg->name());
    }
}

// A waiting message keeps its arrival gate, whose index is its port.
void SwitchConstruct::enqueue(cMessage* msg, int)
{
    server_.submit(msg);
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
    auto* coat = new cMessage("MSG_COAT", MSG_COAT, 0);
    const TaskTiming* task = task_of(msg);
    coat->encapsulate(msg);
    scheduleAt(simTime() + load_timing(task, cpuClock_, memClock_), coat);
}

void SwitchConstruct::run_coat(cMessage* coat)
{
    if (!coat->encapsulatedMsg())
        error("---> MSG_COAT expected encapsulated message");
    cMessage* msg = coat->decapsulate();
    delete coat;
    msg_proc_ctr(msg, msg->arrivalGate()->index());
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
        proc_rff_id(packet, port);
        delete msg;
        return;
    }
    case GOT_GFF_ID: {
        auto* packet = dynamic_cast<FcGsPacket*>(msg->encapsulatedMsg());
        if (!packet)
            error("---> msg_proc_ctr : GOT_GFF_ID should encapsulate FcGsPacket");
        msg->decapsulate();
        proc_gff_id(packet, msg, port);
        return;
    }
    case GOT_GID_FT: proc_gid_ft(msg, port); return;
    case GOT_SW_RSCN: {
        auto* packet = dynamic_cast<SwIlsPacket*>(msg->encapsulatedMsg());
        if (!packet)
            error("---> msg_proc_ctr : GOT_SW_RSCN should encapsulate SwIlsPacket");
        msg->decapsulate();
        proc_sw_rscn(packet, port);
        delete msg;
        return;
    }
    case RECV_PID_LIST: {
        auto* packet = dynamic_cast<FcGsPacket*>(msg->encapsulatedMsg());
        if (!packet)
            error("---> msg_proc_ctr : RECV_PID_LIST should encapsulate FcGsPacket");
        msg->decapsulate();
        recv_pid_list(packet, port);
        delete msg;
        return;
    }
    default: error("---> msg_proc_ctr : Switch Ctrl Centre doesn't know how to handle message %s", msg->name());
    }
}

void SwitchConstruct::release_resources()
{
    schedule_next_msg(this);
}

void SwitchConstruct::end_of_task(cMessage* msg)
{
    asicUtilDelta_->setDoubleValue(asicUtilDelta_->doubleValue() + (simTime() - busyStart_));
    busyStart_ = simTime();
    delete msg;
    server_.release();
}

// ---- Ports coming up --------------------------------------------------------------------

int SwitchConstruct::speed_code(int port, const char* illegalText) const
{
    const double speed = sw_port(port)->par("currPortSpeed").doubleValue();
    if (speed == SPEED_1G)
        return 79;
    if (speed == SPEED_2G)
        return 80;
    error("%s", illegalText);
}

void SwitchConstruct::e_port_up(cMessage* msg, int port)
{
    delete msg;
    PortState& p = portStat_[static_cast<size_t>(port)];
    if (p.state == E_PORT_STATE) {
        EV << "Port[" << port << "] already up !\n";
        return;
    }
    EV << "A new ISL found on swPort[" << port << "].\n";
    p.state = E_PORT_STATE;
    p.twoWay = p.adjacent = false;
    p.neighbourDomain = 0xFFFFFFFF;
    p.speedCode = speed_code(port, "---> E_PORT_UP found illegal portSpeed");
    auto* hello = new cMessage("ISSUE_HELLO", ISSUE_HELLO, 0);
    hello->addPar("origOutPortIndex").setLongValue(port);
    scheduleAt(simTime() + HELLO_DELAY, hello);
}

void SwitchConstruct::f_port_up(cMessage* msg, int port)
{
    PortState& p = portStat_[static_cast<size_t>(port)];
    if (p.state == F_PORT_STATE) {
        EV << "Port[" << port << "] already up !\n";
        delete msg;
        return;
    }
    EV << "A new Node Port found attached to swPort[" << port << "].\n";
    p.state = F_PORT_STATE;
    p.speedCode = speed_code(port, "---> F_PORT_UP found illegal portSpeed");
    const auto portId = static_cast<std::uint32_t>(msg->par("portId").longValue());
    delete msg;
    if (!nsDb_.add(portId))
        error("---> Couldn't get a free NsDB record");
}

// ---- Helpers ------------------------------------------------------------------------------

void SwitchConstruct::to_port(cMessage* msg, int port)
{
    send(msg, "to_swport", port);
}

cModule* SwitchConstruct::sw_port(int port) const
{
    return swPorts_[static_cast<size_t>(port)];
}

long SwitchConstruct::area_of(int port) const
{
    return sw_port(port)->par("areaId").longValue();
}

bool SwitchConstruct::port_up(int port) const
{
    return portStat_[static_cast<size_t>(port)].state != PORT_DOWN_STATE;
}

void SwitchConstruct::delete_message(cMessage* msg)
{
    const int kind = msg->kind();
    cMessage* inner = msg->encapsulatedMsg();
    const bool headInside = inner && inner->kind() == FC_FRAME_HEAD;
    const bool freed = discard_message(msg);
    if (freed && (headInside || kind == FC_FRAME_HEAD))
        warnings("WARNING: FC_FRAME_HEAD Context Pointer was deleted!");
    else if (freed && kind == FC_SEQ_PAYLOAD)
        warnings("WARNING: FC_SEQ_PAYLOAD Context Pointer was deleted!");
}

void SwitchConstruct::warnings(const char* text)
{
    ::warnings(this, text, OpenFailText::QUOTED);
}

Define_Module_Interface(SwitchConstruct, switchConstructItems);
Define_Module(SwitchConstruct, SWITCH_CONSTRUCT_STACK);
