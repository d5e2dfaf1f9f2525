#include "tests/integration/SwitchCentreStandIn.h"

#include <fstream>

#include "messages/MessageOwnership.h"
#include "fcport/SequenceFrames.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "network/RootModule.h"

namespace {

const sDescrItem centreItems[] = {{'M', "default", nullptr, 0}, {'G', "from_fc2[]", nullptr, 'I'},
                                  {'G', "to_fc2[]", nullptr, 'O'}, {'G', "from_fc4[]", nullptr, 'I'},
                                  {'G', "to_fc4[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

constexpr int UNREGISTERED = 255;

} // namespace

std::vector<const SwitchCentreStandIn::Query*> SwitchCentreStandIn::queriesOfKind(int kind) const
{
    std::vector<const Query*> out;
    for (const Query& q : queries)
        if (q.kind == kind)
            out.push_back(&q);
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

void SwitchCentreStandIn::activity()
{
    root_ = find_root(this);
    domainId_ = parentModule()->par("domainId").longValue();
    portUp_.assign(static_cast<size_t>(gateSize("to_fc2")), false);
    portAddress_.assign(portUp_.size(), 0);
    for (;;) {
        cMessage* msg = receive();
        const int port = msg->arrivalGate()->index();
        if (msg->arrivalGate()->isName("from_fc4"))
            from_port_fc4(msg, port);
        else
            from_port_fc2(msg, port);
    }
}

int SwitchCentreStandIn::port_of(unsigned long id) const
{
    auto it = nameServer_.find(id);
    return it == nameServer_.end() ? -1 : it->second.port;
}

cMessage* SwitchCentreStandIn::answer(const char* name, int kind, cMessage* request) const
{
    auto* a = new cMessage(name, kind, 0);
    a->addPar("sId").setLongValue(request->par("dId").longValue());
    a->addPar("dId").setLongValue(request->par("sId").longValue());
    a->addPar("fc4MemAddr").setLongValue(request->par("fc4MemAddr").longValue());
    return a;
}

void SwitchCentreStandIn::from_port_fc4(cMessage* msg, int port)
{
    switch (msg->kind()) {
    case F_PORT_UP: {
        const auto id = static_cast<unsigned long>(msg->par("portId").longValue());
        portEvents.push_back({simTime(), port, F_PORT_UP, id});
        nameServer_[id] = {port, UNREGISTERED};
        portUp_[static_cast<size_t>(port)] = true;
        portAddress_[static_cast<size_t>(port)] = id;
        delete msg;
        break;
    }
    case DEV_DOWN: {
        portEvents.push_back({simTime(), port, DEV_DOWN, 0});
        const bool wasUp = up(port);
        for (auto it = nameServer_.begin(); it != nameServer_.end();)
            it = it->second.port == port ? nameServer_.erase(it) : std::next(it);
        portUp_[static_cast<size_t>(port)] = false;
        port_down(port);
        if (wasUp)
            flood_rscn(port, portAddress_[static_cast<size_t>(port)]);
        delete msg;
        break;
    }
    case GOT_RFF_ID: register_feature(msg, port); break;
    case GOT_GID_FT: answer_gid_ft(msg, port); break;
    case GOT_GFF_ID: answer_gff_id(msg, port); break;
    default: error("switch centre stand-in got %s from FC-4", msg->name());
    }
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
        cMessage* rscn = new cMessage("ISSUE_RSCN", ISSUE_RSCN, 0);
        rscn->addPar("portId").setLongValue(static_cast<long>(id));
        rscn->addPar("destAddrId").setLongValue(static_cast<long>(portAddress_[static_cast<size_t>(j)]));
        send(rscn, "to_fc4", j);
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
    send(acc, "to_fc4", port);
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
    send(a, "to_fc4", port);
    delete packet;
    delete msg;
}

void SwitchCentreStandIn::from_port_fc2(cMessage* msg, int port)
{
    switch (msg->kind()) {
    case REQ_FRM_FWD: forward_head(msg, port); break;
    case FC_FRAME_PAYLOAD: forward_part(msg, static_cast<FcFramePayload*>(msg)->getFrmGid()); break;
    case FC_FRAME_TAIL: forward_part(msg, static_cast<FcFrameTail*>(msg)->getFrmGid()); break;
    case ACK_FRM_FWD: {
        auto it = routes_.find(static_cast<unsigned long>(msg->par("frmGid").longValue()));
        if (it == routes_.end())
            error("switch centre stand-in: ACK_FRM_FWD of an unknown frame");
        if (up(it->second.from)) {
            it->second.headDone = true;
            send(msg, "to_fc2", it->second.from);
        } else {
            delete msg;
            abort_rest(it->first, it->second);
        }
        break;
    }
    case COM_FRM_FWD: complete(msg); break;
    default: error("switch centre stand-in got %s from FC-2", msg->name());
    }
}

void SwitchCentreStandIn::forward_head(cMessage* coat, int port)
{
    const auto dId = static_cast<unsigned long>(coat->par("destId").longValue());
    const int out = port_of(dId);
    if (!up(out) || out == port) {
        ++refused;
        send(new cMessage("RJT_FRM_FWD", RJT_FRM_FWD, 0), "to_fc2", port);
        discard_message(coat);
        return;
    }
    auto* head = static_cast<FcFrameHead*>(coat->decapsulate());
    delete coat;
    const std::string hop = "hop-" + std::to_string(head->getHopId());
    head->addPar(hop.c_str()).setLongValue(domainId_);
    head->setHopId(head->getHopId() + 1);
    frames.push_back({simTime(), port, out, head->getSId(), head->getDId(), head->getType(), head->getRCtl(), 0});
    routes_[head->getFrmGid()] = {port, out, frames.size() - 1, false, false, false};
    auto* fwd = new cMessage("REQ_FRM_FWD", REQ_FRM_FWD, 0);
    fwd->addPar("srcPort").setLongValue(port);
    fwd->addPar("frmFlag").setLongValue(1);
    fwd->addPar("frmGid").setLongValue(static_cast<long>(head->getFrmGid()));
    fwd->encapsulate(head);
    send(fwd, "to_fc2", out);
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
        send(msg, "to_fc2", r.to);
        return;
    }
    discard_message(msg);
    if (tail) {
        cMessage* com = new cMessage("COM_FRM_FWD", COM_FRM_FWD, 0);
        com->addPar("frmGid").setLongValue(static_cast<long>(gid));
        send(com, "to_fc2", r.from);
        routes_.erase(it);
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
        send(com, "to_fc2", source);
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
        send(pay, "to_fc2", route.to);
        route.payDone = true;
    }
    if (!route.tailDone) {
        auto* tail = new FcFrameTail("FC_FRAME_TAIL", FC_FRAME_TAIL);
        tail->setLength(0);
        tail->setEof(EOFa);
        tail->setFrmGid(static_cast<std::uint32_t>(gid));
        tail->setFrameFlag(1);
        tail->setTailLen(16);
        send(tail, "to_fc2", route.to);
        route.tailDone = true;
    }
}

void SwitchCentreStandIn::port_down(int port)
{
    for (auto it = routes_.begin(); it != routes_.end();) {
        Route& r = it->second;
        if (r.to == port && !r.headDone) {
            cMessage* ack = new cMessage("ACK_FRM_FWD", ACK_FRM_FWD, 0);
            ack->addPar("srcPort").setLongValue(r.from);
            ack->addPar("destPort").setLongValue(r.to);
            ack->addPar("frmGid").setLongValue(static_cast<long>(it->first));
            send(ack, "to_fc2", r.from);
            r.headDone = true;
        } else if (r.to == port && r.tailDone) {
            cMessage* com = new cMessage("COM_FRM_FWD", COM_FRM_FWD, 0);
            com->addPar("frmGid").setLongValue(static_cast<long>(it->first));
            send(com, "to_fc2", r.from);
            it = routes_.erase(it);
            continue;
        } else if (r.from == port && r.headDone) {
            abort_rest(it->first, r);
        }
        ++it;
    }
}

Define_Module_Interface(SwitchCentreStandIn, centreItems);
Define_Module(SwitchCentreStandIn, 32768);
