#include "tests/shared/SwitchCentreStandIn.h"

#include <fstream>

#include "device/ConfigFileReader.h"
#include "fc4/SequenceEnvelope.h"
#include "fcport/SequenceFrames.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/CompoundBuilder.h"
#include "network/RootModule.h"
#include "switch/FcSwitch.h"
#include "switch/SwitchCodes.h"
#include "switch/SwitchConstruct.h"

namespace {

constexpr int UNREGISTERED = 255;

cModule* create_stand_in(const char* name, cModule* parent)
{
    return new SwitchCentreStandIn(name, parent, SWITCH_CONSTRUCT_STACK);
}

} // namespace

SwitchCentreStandIn::SwitchCentreStandIn(const char* name, cModule* parent, unsigned stackSize)
    : cSimpleModule(name, parent, stackSize)
{
}

SwitchCentreStandIn::~SwitchCentreStandIn()
{
    for (Injection& i : injections_)
        delete i.msg;
}

void SwitchCentreStandIn::sendAt(double time, int port, cMessage* msg)
{
    injections_.push_back({time, port, msg});
}

void SwitchCentreStandIn::initialize()
{
    cModule* sw = parentModule();
    ConfigFileReader file(this, sw->par("confFile").stringValue());
    ConfigRow row;
    if (!file.openSection("[1]", "[2]") || !file.nextRow(row))
        error("Missing Domain_ID setup. Please check section [1] of the file \"%s\"", file.name().c_str());
    sw->addPar("domainId").setLongValue(row.asLong(0));
    sw->addPar("raTov").setLongValue(row.asLong(1));
    sw->addPar("edTov").setLongValue(row.asLong(2));
}

void SwitchCentreStandIn::activity()
{
    root_ = find_root(this);
    domainId_ = parentModule()->par("domainId").longValue();
    portUp_.assign(static_cast<size_t>(gateSize("to_swport")), false);
    portAddress_.assign(portUp_.size(), 0);
    for (Injection& i : injections_) {
        auto* timer = new cMessage("INJECT", 0, 0);
        timer->addPar("port").setLongValue(i.port);
        timer->encapsulate(i.msg);
        scheduleAt(i.time, timer);
    }
    injections_.clear();
    for (;;) {
        cMessage* msg = receive();
        if (msg->isSelfMessage()) {
            const int port = static_cast<int>(msg->par("port").longValue());
            cMessage* carried = msg->decapsulate();
            delete msg;
            to_port(carried, port);
            continue;
        }
        const int port = msg->arrivalGate()->index();
        arrivals.push_back({simTime(), port, msg->kind(), msg->name()});
        handle(msg, port);
    }
}

void SwitchCentreStandIn::to_port(cMessage* msg, int port)
{
    send(msg, "to_swport", port);
}

void SwitchCentreStandIn::handle(cMessage* msg, int port)
{
    switch (msg->kind()) {
    case F_PORT_UP:
    case E_PORT_UP: port_up(msg, port); break;
    case DEV_DOWN: port_down(msg, port); break;
    case GOT_RFF_ID: register_feature(msg, port); break;
    case GOT_GID_FT: answer_gid_ft(msg, port); break;
    case GOT_GFF_ID: answer_gff_id(msg, port); break;
    case swils::FSPF_PACKET:
    case GOT_SW_RSCN:
    case RECV_PID_LIST: drop(msg); break;
    case REQ_FRM_FWD: forward_head(msg, port); break;
    case FC_FRAME_PAYLOAD: forward_part(msg, static_cast<FcFramePayload*>(msg)->getFrmGid()); break;
    case FC_FRAME_TAIL: forward_part(msg, static_cast<FcFrameTail*>(msg)->getFrmGid()); break;
    case ACK_FRM_FWD: acknowledge(msg); break;
    case COM_FRM_FWD: complete(msg); break;
    default: error("---> No idea know how to handle message: %s", msg->name());
    }
}

void SwitchCentreStandIn::drop(cMessage* msg)
{
    discard_message(msg);
}

void SwitchCentreStandIn::port_up(cMessage* msg, int port)
{
    const unsigned long id = msg->kind() == F_PORT_UP ? static_cast<unsigned long>(msg->par("portId").longValue()) : 0;
    portEvents.push_back({simTime(), port, msg->kind(), id});
    if (msg->kind() == F_PORT_UP) {
        nameServer_[id] = {port, UNREGISTERED};
        portUp_[static_cast<size_t>(port)] = true;
        portAddress_[static_cast<size_t>(port)] = id;
    }
    delete msg;
}

void SwitchCentreStandIn::port_down(cMessage* msg, int port)
{
    portEvents.push_back({simTime(), port, DEV_DOWN, 0});
    const bool wasUp = up(port);
    for (auto it = nameServer_.begin(); it != nameServer_.end();)
        it = it->second.port == port ? nameServer_.erase(it) : std::next(it);
    portUp_[static_cast<size_t>(port)] = false;
    close_routes_of(port);
    if (wasUp)
        flood_rscn(port, portAddress_[static_cast<size_t>(port)]);
    delete msg;
}

bool SwitchCentreStandIn::up(int port) const
{
    return port >= 0 && port < int(portUp_.size()) && portUp_[static_cast<size_t>(port)];
}

int SwitchCentreStandIn::port_of(unsigned long id) const
{
    auto it = nameServer_.find(id);
    return it == nameServer_.end() ? -1 : it->second.port;
}

// ---- Name server ----------------------------------------------------------------

cMessage* SwitchCentreStandIn::answer(const char* name, int kind, cMessage* request) const
{
    auto* a = new cMessage(name, kind, 0);
    a->addPar("sId").setLongValue(request->par("dId").longValue());
    a->addPar("dId").setLongValue(request->par("sId").longValue());
    a->addPar("fc4MemAddr").setLongValue(request->par("fc4MemAddr").longValue());
    return a;
}

void SwitchCentreStandIn::register_feature(cMessage* msg, int port)
{
    auto* packet = static_cast<FcGsPacket*>(msg->decapsulate());
    const unsigned long id = packet->getPortId();
    auto it = nameServer_.find(id);
    queries.push_back({simTime(), port, GOT_RFF_ID, id, it != nameServer_.end(), 0});
    if (it != nameServer_.end() && it->second.feature == UNREGISTERED) {
        it->second.feature = packet->getFcpIni() ? 1 : 0;
        flood_rscn(port, id);
    }
    delete packet;
    delete msg;
}

void SwitchCentreStandIn::flood_rscn(int skip, unsigned long id)
{
    for (int j = 0; j < static_cast<int>(portUp_.size()); ++j) {
        if (j == skip || !up(j))
            continue;
        auto* rscn = new cMessage("ISSUE_RSCN", ISSUE_RSCN, 0);
        rscn->addPar("portId").setLongValue(static_cast<long>(id));
        rscn->addPar("destAddrId").setLongValue(static_cast<long>(portAddress_[static_cast<size_t>(j)]));
        to_port(rscn, j);
    }
}

void SwitchCentreStandIn::answer_gid_ft(cMessage* msg, int port)
{
    if (msg->par("fc4Type").longValue() != TYPE_SCSI_FCP)
        error("---> proc_gid_ft : we only support GID_FT for SCSI_FCP");
    const std::string file = take_temp_file_name(root_, "gidFtFileId", "GidFt");
    std::ofstream out(file);
    int entries = 0;
    for (const auto& [id, entry] : nameServer_)
        if (entry.feature != UNREGISTERED) {
            out << id << "\n";
            ++entries;
        }
    queries.push_back({simTime(), port, GOT_GID_FT, 0, true, entries});
    cMessage* acc = answer("ACC_GID_FT", ACC_GID_FT, msg);
    acc->addPar("entryNum").setLongValue(entries);
    acc->addPar("gidFtFileName").setStringValue(file.c_str());
    to_port(acc, port);
    delete msg;
}

void SwitchCentreStandIn::answer_gff_id(cMessage* msg, int port)
{
    auto* packet = static_cast<FcGsPacket*>(msg->decapsulate());
    auto it = nameServer_.find(packet->getPortId());
    const bool known = it != nameServer_.end() && it->second.feature != UNREGISTERED;
    queries.push_back({simTime(), port, GOT_GFF_ID, packet->getPortId(), known, 0});
    cMessage* a = known ? answer("ACC_GFF_ID", ACC_GFF_ID, msg) : answer("RJT_GFF_ID", RJT_GFF_ID, msg);
    a->addPar("portId").setLongValue(packet->getPortId());
    if (known)
        a->addPar("fcpFeature").setLongValue(it->second.feature);
    to_port(a, port);
    delete packet;
    delete msg;
}

// ---- Forwarding -----------------------------------------------------------------

void SwitchCentreStandIn::forward_head(cMessage* coat, int port)
{
    const auto dId = static_cast<unsigned long>(coat->par("destId").longValue());
    const int out = port_of(dId);
    if (!up(out) || out == port) {
        ++refused;
        to_port(new cMessage("RJT_FRM_FWD", RJT_FRM_FWD, 0), port);
        discard_message(coat);
        return;
    }
    auto* head = static_cast<FcFrameHead*>(coat->decapsulate());
    delete coat;
    const std::string hop = "hop-" + std::to_string(head->getHopId());
    head->addPar(hop.c_str()).setLongValue(domainId_);
    head->setHopId(head->getHopId() + 1);
    frames.push_back({simTime(), port, out, head->getSId(), head->getDId(), head->getType(), head->getRCtl(), 0, {}});
    routes_[head->getFrmGid()] = {port, out, frames.size() - 1, false, false, false};
    auto* fwd = new cMessage("REQ_FRM_FWD", REQ_FRM_FWD, 0);
    fwd->addPar("srcPort").setLongValue(port);
    fwd->addPar("frmFlag").setLongValue(1);
    fwd->addPar("frmGid").setLongValue(static_cast<long>(head->getFrmGid()));
    fwd->encapsulate(head);
    to_port(fwd, out);
}

void SwitchCentreStandIn::forward_part(cMessage* msg, unsigned long gid)
{
    auto it = routes_.find(gid);
    if (it == routes_.end())
        error("switch centre stand-in: %s of an unknown frame", msg->name());
    Route& r = it->second;
    const bool tail = msg->kind() == FC_FRAME_TAIL;
    (tail ? r.tailDone : r.payDone) = true;
    if (!tail)
        frames[r.frame].payLen = static_cast<FcFramePayload*>(msg)->getPayLen();
    if (up(r.to)) {
        to_port(msg, r.to);
        return;
    }
    discard_message(msg);
    if (tail) {
        auto* com = new cMessage("COM_FRM_FWD", COM_FRM_FWD, 0);
        com->addPar("frmGid").setLongValue(static_cast<long>(gid));
        to_port(com, r.from);
        routes_.erase(it);
    }
}

void SwitchCentreStandIn::acknowledge(cMessage* ack)
{
    auto it = routes_.find(static_cast<unsigned long>(ack->par("frmGid").longValue()));
    if (it == routes_.end())
        error("switch centre stand-in: ACK_FRM_FWD of an unknown frame");
    if (up(it->second.from)) {
        it->second.headDone = true;
        to_port(ack, it->second.from);
    } else {
        delete ack;
        abort_rest(it->first, it->second);
    }
}

void SwitchCentreStandIn::complete(cMessage* com)
{
    auto it = routes_.find(static_cast<unsigned long>(com->par("frmGid").longValue()));
    if (it == routes_.end())
        error("switch centre stand-in: COM_FRM_FWD of an unknown frame");
    const int source = it->second.from;
    routes_.erase(it);
    if (up(source))
        to_port(com, source);
    else
        delete com;
}

// What is left of a frame whose source went away, for its destination: an
// empty payload and an aborting tail.
void SwitchCentreStandIn::abort_rest(unsigned long gid, Route& route)
{
    route.headDone = true;
    if (!route.payDone) {
        auto* pay = new FcFramePayload("FC_FRAME_PAYLOAD", FC_FRAME_PAYLOAD);
        pay->setLength(0);
        pay->setFrmGid(static_cast<std::uint32_t>(gid));
        pay->setFakePay(true);
        pay->setFrameFlag(1);
        pay->setPayLen(0);
        to_port(pay, route.to);
        route.payDone = true;
    }
    if (!route.tailDone) {
        auto* tail = new FcFrameTail("FC_FRAME_TAIL", FC_FRAME_TAIL);
        tail->setLength(0);
        tail->setEof(EOFa);
        tail->setFrmGid(static_cast<std::uint32_t>(gid));
        tail->setFrameFlag(1);
        tail->setTailLen(16);
        to_port(tail, route.to);
        route.tailDone = true;
    }
}

void SwitchCentreStandIn::close_routes_of(int port)
{
    for (auto it = routes_.begin(); it != routes_.end();) {
        Route& r = it->second;
        if (r.to == port && !r.headDone) {
            auto* ack = new cMessage("ACK_FRM_FWD", ACK_FRM_FWD, 0);
            ack->addPar("srcPort").setLongValue(r.from);
            ack->addPar("destPort").setLongValue(r.to);
            ack->addPar("frmGid").setLongValue(static_cast<long>(it->first));
            to_port(ack, r.from);
            r.headDone = true;
        } else if (r.to == port && r.tailDone) {
            auto* com = new cMessage("COM_FRM_FWD", COM_FRM_FWD, 0);
            com->addPar("frmGid").setLongValue(static_cast<long>(it->first));
            to_port(com, r.from);
            it = routes_.erase(it);
            continue;
        } else if (r.from == port && r.headDone) {
            abort_rest(it->first, r);
        }
        ++it;
    }
}

// ---- Look-ups for the tests ---------------------------------------------------------

std::vector<const SwitchCentreStandIn::Query*> SwitchCentreStandIn::queriesOfKind(int kind) const
{
    std::vector<const Query*> out;
    for (const Query& q : queries)
        if (q.kind == kind)
            out.push_back(&q);
    return out;
}

std::vector<const SwitchCentreStandIn::PortEvent*> SwitchCentreStandIn::portEventsOfKind(int kind) const
{
    std::vector<const PortEvent*> out;
    for (const PortEvent& e : portEvents)
        if (e.kind == kind)
            out.push_back(&e);
    return out;
}

std::vector<const SwitchCentreStandIn::Arrival*> SwitchCentreStandIn::arrivalsOfKind(int kind) const
{
    std::vector<const Arrival*> out;
    for (const Arrival& a : arrivals)
        if (a.kind == kind)
            out.push_back(&a);
    return out;
}

std::vector<const SwitchCentreStandIn::Frame*> SwitchCentreStandIn::framesOf(unsigned type, unsigned rCtl) const
{
    std::vector<const Frame*> out;
    for (const Frame& f : frames)
        if (f.type == type && f.rCtl == rCtl)
            out.push_back(&f);
    return out;
}

EXECUTE_ON_STARTUP(modtypes.add(new cModuleType("SwitchCentreStandIn", "SwitchConstruct", create_stand_in)));

// The switch of the tests that look at what the centre is handed: a real
// FcSwitch whose centre is the stand-in.
namespace {

const CompoundDescription& stand_in_switch_description()
{
    static const CompoundDescription desc = [] {
        CompoundDescription d = fc_switch_description();
        for (SubmoduleDescription& s : d.submodules)
            if (s.name == std::string("SwCtrlCtr"))
                s.type = "SwitchCentreStandIn";
        return d;
    }();
    return desc;
}

} // namespace

Define_Module_Interface(StandInFcSwitch, fcSwitchInterfaceItems);
Define_Described_Compound(StandInFcSwitch, stand_in_switch_description());
