// The centre's side of cut-through forwarding: the head is routed at the
// end of a processor task, the output port's acceptance goes back to the
// source, payload and tail follow at no cost, and the output port's
// completion closes the frame. A port lost in the middle of a frame is
// answered so that the port at the other end still frees its buffer.

#include "device/WarningsLog.h"
#include "fcport/HopNames.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "sim/ExactCast.h"
#include "switch/SwitchConstruct.h"

namespace {

constexpr unsigned long MIN_NPORT_ADDRESS = 0x010000;
constexpr unsigned long MAX_NPORT_ADDRESS = 0xEFFFFF;

cMessage* with_gid(const char* name, int kind, std::uint32_t frmGid)
{
    auto* msg = new cMessage(name, kind, 0);
    msg->addPar("frmGid").setLongValue(static_cast<long>(frmGid));
    return msg;
}

} // namespace

void SwitchConstruct::initFrmFwdTbl()
{
    EV << "Initializing Switch Frame Forwarding Table ... ";
    fwdTable_.reset_all(ForwardingTable::INITIAL_SIZE);
    EV << "Done.\n";
}

// ---- Routing a head -------------------------------------------------------------------

void SwitchConstruct::proc_fwd_req(cMessage* msg)
{
    const long srcPort = msg->par("srcPort").longValue();
    if (srcPort < 0 || srcPort >= swPortNum_)
        error("---> proc_fwd_req : invalid srcPort for REQ_FRM_FWD");
    // The request repeats the destination, trunk and frame id of the head it
    // carries; they are read from the head, which takes no look-up by name.
    auto* head = exact_cast<FcFrameHead>(msg->encapsulatedMsg());
    if (!head)
        error("---> proc_fwd_req : REQ_FRM_FWD missing encapsulated message");
    const unsigned long destId = head->getDId();
    if (destId < MIN_NPORT_ADDRESS || destId > MAX_NPORT_ADDRESS)
        error("---> proc_fwd_req : invalid Destnation AddressID for forwarding frame");
    const int outPort = lookup_routing_table(*head, static_cast<std::uint32_t>(destId));
    mark_hop(head);
    if (outPort == -1) {
        reject_request(msg, static_cast<int>(srcPort));
        return;
    }
    frmFwdDelta_->setLongValue(frmFwdDelta_->longValue() + 1);
    latSumDelta_->setDoubleValue(latSumDelta_->doubleValue() + (simTime() - head->getFrmFwdStime()) * 1e6);
    if (fwdTable_.pair_open(static_cast<int>(srcPort), outPort))
        error("---> proc_fwd_req : REQ_FRM_FWD complicts with a currently opened frmFwdTable");
    const int sizeBefore = fwdTable_.size();
    const int entry = fwdTable_.take_free();
    if (fwdTable_.size() != sizeBefore) {
        EV << "Dynamically enlarging forwarding table ... ";
        EV << "New table size is " << fwdTable_.size() << "\n";
    }
    FrmFwdTable& e = fwdTable_[entry];
    e.srcPort = static_cast<int>(srcPort);
    e.destPort = outPort;
    e.frmGid = static_cast<std::uint32_t>(head->getFrmGid());
    e.headDone = e.payDone = e.tailDone = false;
    e.free = false;
    to_port(msg, outPort);
}

// The switches a frame crosses are written into its head as "hop-<n>".
void SwitchConstruct::mark_hop(FcFrameHead* head) const
{
    const int n = head->getHopId();
    head->addPar(hop_param_name(n)).setLongValue(domainId_);
    head->setHopId(n + 1);
}

void SwitchConstruct::reject_request(cMessage* msg, int srcPort)
{
    ::warnings_as_written(this, LogKind::WARNING, "REQ_FRM_FWD found destPort unavailable, ... issuing RJT_FRM_FWD",
                          OpenFailText::QUOTED);
    to_port(new cMessage("RJT_FRM_FWD", RJT_FRM_FWD, 0), srcPort);
    delete_message(msg);
}

int SwitchConstruct::lookup_routing_table(const FcFrameHead& head, std::uint32_t destId)
{
    const auto trunkId = static_cast<std::uint32_t>(head.getTrunkId());
    const bool trunkEnd = head.getEndSeq();
    for (auto it = trunkQue_.begin(); it != trunkQue_.end(); ++it)
        if (it->trunkId == trunkId) {
            const int port = it->port;
            if (trunkEnd)
                trunkQue_.erase(it);
            return port;
        }

    const std::uint32_t destDom = destId >> 16;
    int index;
    if (destDom == domainId_) {
        index = static_cast<int>(destId & 0xFF);
        if (index >= swPortNum_)
            error("---> lookup_routing_table : wrong output port index [%d] by Routing Table Look-up", index);
        const long area = (destId >> 8) & 0xFF;
        if (area != ports_.area_of(index))
            error("---> lookup_routing_table : invalid AreaID - %ld", area);
    } else {
        const RoutingEntry* route = routes_.table().find(destDom);
        // No route: the frame is refused before any port is looked at.
        if (!route)
            return -1;
        index = route->ouId;
    }
    if (index < 0 || index >= swPortNum_)
        error("---> lookup_routing_table : wrong output port index [%d] by Routing Table Look-up", index);
    if (!ports_.up(index))
        return -1;
    if (destDom == domainId_)
        return index;

    // Another domain: among the parallel links to the same neighbour the
    // least loaded one carries the trunk.
    const LinkStateRecord* local = routes_.record(domainId_);
    if (!local)
        error("---> lookup_routing_table : couldn't find a local LSR");
    const LinkDescriptor& routed = local->lds[static_cast<size_t>(index)];
    if (!routed.valid)
        error("---> lookup_routing_table : couldn't get a requested LD");
    int best = -1;
    long bestLoad = 0;
    int parallel = 0;
    for (int j = 0; j < swPortNum_; ++j) {
        const LinkDescriptor& ld = local->lds[static_cast<size_t>(j)];
        if (!ld.valid || ld.lkId != routed.lkId)
            continue;
        ++parallel;
        const long load = ports_.load(j);
        if (best < 0 || load < bestLoad) {
            best = j;
            bestLoad = load;
        }
    }
    if (best < 0)
        error("---> lookup_routing_table : ISL trunking found invalid bestPort");
    if (parallel > 1 && !trunkEnd)
        trunkQue_.push_back({best, trunkId});
    return best;
}

// ---- Relays -----------------------------------------------------------------------------

int SwitchConstruct::arrival_port(const cMessage* msg)
{
    const cGate* from = msg->arrivalGate();
    return from ? from->index() : -1;
}

int SwitchConstruct::entry_or_stop(int i, const char* missingText) const
{
    if (i < 0)
        error("%s", missingText);
    return i;
}

void SwitchConstruct::proc_fwd_ack(cMessage* msg)
{
    const auto frmGid = static_cast<std::uint32_t>(msg->par("frmGid").longValue());
    const int srcPort = static_cast<int>(msg->par("srcPort").longValue());
    const int i = entry_or_stop(fwdTable_.lookup(frmGid, srcPort, arrival_port(msg)),
                                "---> proc_fwd_ack : processing ACK_FRM_FWD but couldn't find its FWD_TABLE");
    FrmFwdTable& e = fwdTable_[i];
    if (e.headDone || e.payDone || e.tailDone)
        error("---> proc_fwd_ack : Frame forwarding unexpectedly (partially)completed");
    if (ports_.up(e.srcPort)) {
        e.headDone = true;
        to_port(msg, e.srcPort);
        return;
    }
    warnings(LogKind::WARNING, "switch srcPort down when receiving ACK ... attaching EOFa");
    delete msg;
    e.headDone = true;
    send_abort_rest(i);
}

void SwitchConstruct::fwd_frm_pay(cMessage* msg)
{
    const int i = entry_or_stop(fwdTable_.lookup(static_cast<FcFramePayload*>(msg)->getFrmGid(), arrival_port(msg), -1),
                                "---> fwd_frm_pay : about to forward Frame Payload but couldn't find its FWD_TABLE");
    FrmFwdTable& e = fwdTable_[i];
    if (!e.headDone)
        error("---> fwd_frm_pay : expected Frame Head forwarded before Payload");
    if (e.payDone)
        error("---> fwd_frm_pay : Frame Payload already been forwarded");
    e.payDone = true;
    if (ports_.up(e.destPort)) {
        to_port(msg, e.destPort);
        return;
    }
    warnings(LogKind::WARNING, "FWD_FRM_PAY found destPort Down ... Deleting message");
    delete_message(msg);
}

void SwitchConstruct::fwd_frm_tail(cMessage* msg)
{
    const int i = entry_or_stop(fwdTable_.lookup(static_cast<FcFrameTail*>(msg)->getFrmGid(), arrival_port(msg), -1),
                                "---> fwd_frm_tail : about to forward Frame Tail but couldn't find its FWD_TABLE");
    FrmFwdTable& e = fwdTable_[i];
    if (!e.headDone || !e.payDone)
        error("---> fwd_frm_tail : expected Frame Head/Payload forwarded before Tail");
    if (e.tailDone)
        error("---> fwd_frm_tail : Frame Tail already been forwarded");
    e.tailDone = true;
    if (ports_.up(e.destPort)) {
        to_port(msg, e.destPort);
        return;
    }
    delete_message(msg);
    warnings(LogKind::WARNING, "FWD_FRM_TAIL found destPort Down ... Deleting message and issuing COM_FRM_FWD");
    send_new_com(e.srcPort, e.frmGid);
    fwdTable_.reset(i);
}

void SwitchConstruct::proc_fwd_com(cMessage* msg)
{
    const auto frmGid = static_cast<std::uint32_t>(msg->par("frmGid").longValue());
    const int i = entry_or_stop(fwdTable_.lookup(frmGid, -1, arrival_port(msg), true),
                                "---> proc_fwd_com : about to close frame fowarding but couldn't find its FWD_TABLE");
    FrmFwdTable& e = fwdTable_[i];
    if (!e.headDone || !e.payDone || !e.tailDone)
        error("---> proc_fwd_com : Frame forwarding incomplete");
    if (ports_.up(e.srcPort)) {
        to_port(msg, e.srcPort);
    } else {
        ::warnings_as_written(this, LogKind::WARNING, "COM_FRM_FWD found srcPort down ... Deleting message!",
                              OpenFailText::QUOTED);
        delete msg;
    }
    fwdTable_.reset(i);
}

void SwitchConstruct::send_new_com(int srcPort, std::uint32_t frmGid)
{
    to_port(with_gid("COM_FRM_FWD", COM_FRM_FWD, frmGid), srcPort);
}

void SwitchConstruct::send_new_ack(const FrmFwdTable& e)
{
    cMessage* ack = with_gid("ACK_FRM_FWD", ACK_FRM_FWD, e.frmGid);
    ack->addPar("srcPort").setLongValue(e.srcPort);
    ack->addPar("destPort").setLongValue(e.destPort);
    to_port(ack, e.srcPort);
}

// What is left of a frame whose source went away: an empty payload and an
// aborting tail for its destination.
void SwitchConstruct::send_abort_rest(int i)
{
    FrmFwdTable& e = fwdTable_[i];
    if (!e.payDone) {
        auto* pay = new FcFramePayload("FC_FRAME_PAYLOAD", FC_FRAME_PAYLOAD);
        pay->setLength(0);
        pay->setFrmGid(e.frmGid);
        pay->setFakePay(true);
        pay->setFrameFlag(1);
        pay->setPayLen(0);
        to_port(pay, e.destPort);
        e.payDone = true;
    }
    if (!e.tailDone) {
        auto* tail = new FcFrameTail("FC_FRAME_TAIL", FC_FRAME_TAIL);
        tail->setLength(0);
        tail->setEof(EOFa);
        tail->setFrmGid(e.frmGid);
        tail->setFrameFlag(1);
        tail->setTailLen(16);
        to_port(tail, e.destPort);
        e.tailDone = true;
    }
}

// ---- Port down ----------------------------------------------------------------------------

// The port's own loss first: an N_Port's to the name server, an E_Port's
// to the link-state protocol, whose changed records the routes follow.
void SwitchConstruct::proc_link_down(int port)
{
    SwitchPortTable::Entry& p = ports_[port];
    if (p.state == SwitchPortTable::PORT_DOWN_STATE) {
        EV << "Port[" << port << "] already down !\n";
        return;
    }
    const bool nPortLost = p.state == SwitchPortTable::F_PORT_STATE;
    p.state = SwitchPortTable::PORT_DOWN_STATE;
    if (nPortLost) {
        ns_.lose_f_port(port);
        send_output(ns_.output());
    } else {
        fspf_.lose_e_port(port);
        send_output(fspf_.output());
        build_routing_table();
        for (auto it = trunkQue_.begin(); it != trunkQue_.end();)
            it = it->port == port ? trunkQue_.erase(it) : std::next(it);
    }
    close_frames_of(port);
}

void SwitchConstruct::close_frames_of(int port)
{
    for (int i = 0; i < fwdTable_.size(); ++i) {
        FrmFwdTable& e = fwdTable_[i];
        if (e.free)
            continue;
        if (e.destPort == port && !e.headDone) {
            warnings(LogKind::WARNING, "destPort down but FwdTbl open. ACK_FRM_FWD will be issued from SwCtrl");
            send_new_ack(e);
            e.headDone = true;
        } else if (e.destPort == port && e.tailDone) {
            warnings(LogKind::WARNING,
                     "destPort down, FwdTbl open, ACK already back but TAIL_DONE. COM_FRM_FWD will be "
                     "issued from SwCtrl");
            send_new_com(e.srcPort, e.frmGid);
            fwdTable_.reset(i);
        }
        if (!e.free && e.srcPort == port && e.headDone) {
            warnings(LogKind::WARNING, "SrcPort FwdTbl open and ACK already received ... issuing EOFa");
            send_abort_rest(i);
        }
    }
}
