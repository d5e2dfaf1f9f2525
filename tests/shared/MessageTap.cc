#include "tests/shared/MessageTap.h"

#include "fc4/SequenceEnvelope.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"

namespace {

const sDescrItem tapItems[] = {{'M', "default", nullptr, 0}, {'G', "in", nullptr, 'I'},
                               {'G', "out", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

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
    passed.push_back(p);
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
