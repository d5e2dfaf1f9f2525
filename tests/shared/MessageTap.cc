#include "tests/shared/MessageTap.h"

#include <fstream>
#include <sstream>

#include "device/FileNameString.h"
#include "fc4/SequenceEnvelope.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"

namespace {

const sDescrItem tapItems[] = {
    {'M', "default", nullptr, 0}, {'G', "in", nullptr, 'I'}, {'G', "out", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

unsigned long code_of(const cMessage* obj)
{
    if (auto* els = dynamic_cast<const FcElsPacket*>(obj))
        return els->getCmdCode();
    if (auto* gs = dynamic_cast<const FcGsPacket*>(obj))
        return gs->getCmdCode();
    if (auto* ils = dynamic_cast<const SwIlsPacket*>(obj))
        return ils->getCmdCode();
    if (auto* fspf = dynamic_cast<const FspfPacket*>(obj))
        return fspf->getCmdCode();
    return 0;
}

} // namespace

MessageTap::MessageTap(const char* name, cModule* parent, unsigned stackSize) : cSimpleModule(name, parent, stackSize)
{
}

MessageTap* MessageTap::splice(cModule* owner, const char* name, cGate* from)
{
    cGate* to = from->toGate();
    if (!to)
        throw cRuntimeError("tap: " + from->fullPath() + " leads nowhere");
    auto* tap = static_cast<MessageTap*>(findModuleType("MessageTap")->create(name, owner));
    from->disconnect();
    from->connectTo(tap->gate("in"));
    tap->gate("out")->connectTo(to);
    return tap;
}

void MessageTap::inject(double time, cMessage* msg)
{
    pending_.push_back({time, msg});
}

void MessageTap::activity()
{
    for (auto& [time, msg] : pending_) {
        auto* timer = new cMessage("TAP_INJECT", 0, 0);
        timer->encapsulate(msg);
        scheduleAt(time, timer);
    }
    pending_.clear();
    for (;;) {
        cMessage* msg = receive();
        if (msg->isSelfMessage()) {
            cMessage* carried = msg->decapsulate();
            delete msg;
            send(carried, "out");
            continue;
        }
        record(msg);
        send(msg, "out");
    }
}

void MessageTap::record(cMessage* msg)
{
    Passage p{simTime(), msg->kind(), msg->name(), 0, 0, 0, 0, 0};
    if (msg->kind() == FC_SEQ_PAYLOAD) {
        auto* seq = static_cast<FcSeqPayload*>(msg);
        p.type = seq->getType();
        p.key = seq->getFc4MemAddr();
        p.sId = seq->getSId();
        p.dId = seq->getDId();
        if (cMessage* obj = carried_object(seq)) {
            p.name = obj->name();
            p.code = code_of(obj);
        }
    }
    record_switching(msg, p);
    passed.push_back(p);
}

void MessageTap::record_switching(cMessage* msg, Passage& p)
{
    const auto longPar = [msg](const char* name) { return msg->hasPar(name) ? msg->par(name).longValue() : -1L; };
    p.portId = longPar("portId");
    p.srcPort = longPar("srcPort");
    p.entryNum = longPar("entryNum");
    p.destDom = longPar("destDom");
    record_fspf(msg, p);
    if (msg->hasPar("frmGid"))
        p.frmGid = static_cast<unsigned long>(msg->par("frmGid").longValue());
    if (auto* gs = dynamic_cast<FcGsPacket*>(msg->encapsulatedMsg()))
        p.portId = static_cast<long>(gs->getPortId());
    if (auto* head = dynamic_cast<FcFrameHead*>(msg->encapsulatedMsg())) {
        p.type = head->getType();
        p.rCtl = head->getRCtl();
        p.sId = head->getSId();
        p.dId = head->getDId();
        p.frmGid = head->getFrmGid();
        for (int n = 0; head->hasPar(("hop-" + std::to_string(n)).c_str()); ++n)
            p.hops.push_back(head->par(("hop-" + std::to_string(n)).c_str()).longValue());
    }
    if (auto* pay = dynamic_cast<FcFramePayload*>(msg)) {
        p.payLen = pay->getPayLen();
        p.frmGid = pay->getFrmGid();
    }
    if (auto* tail = dynamic_cast<FcFrameTail*>(msg))
        p.frmGid = tail->getFrmGid();
}

void MessageTap::record_fspf(cMessage* msg, Passage& p)
{
    auto* fspf = dynamic_cast<FspfPacket*>(msg);
    if (!fspf)
        return;
    p.code = fspf->getCmdCode();
    p.sId = fspf->getOrigDomId();
    p.dId = fspf->getRecpDomId();
    p.entryNum = static_cast<long>(fspf->getLsrNum());
    p.payLen = fspf->getMsgLen();
    p.origPortIndex = fspf->getOrigPortIndex();
    constexpr unsigned char LSU = 0x15;
    if (fspf->getCmdCode() != LSU)
        return;
    p.lsuFileName = peek_file_name_string(fspf->getLsuFileNamePtr());
    std::ifstream in(p.lsuFileName);
    std::ostringstream text;
    text << in.rdbuf();
    p.lsuText = text.str();
}

std::vector<const MessageTap::Passage*> MessageTap::ofKind(int kind) const
{
    std::vector<const Passage*> out;
    for (const Passage& p : passed)
        if (p.kind == kind)
            out.push_back(&p);
    return out;
}

std::vector<const MessageTap::Passage*> MessageTap::carrying(const std::string& name) const
{
    std::vector<const Passage*> out;
    for (const Passage& p : passed)
        if (p.kind == FC_SEQ_PAYLOAD && p.name == name)
            out.push_back(&p);
    return out;
}

Define_Module_Interface(MessageTap, tapItems);
Define_Module(MessageTap, 32768);
