#include "fcport/FrameParts.h"

#include "fcport/MessageDisposal.h"

#include <cstdint>
#include <string>

#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "sim/ExactCast.h"
#include "sim/cModule.h"

namespace {

template <class Part>
Part* as_part(const cModule* mod, cMessage* msg, const char* className)
{
    auto* part = exact_cast<Part>(msg);
    if (!part) {
        const std::string name = msg->name();
        delete msg;
        mod->error("ERROR: %s is not a %s", name.c_str(), className);
    }
    return part;
}

bool delete_head_context(cMessage* msg)
{
    if (msg->kind() != FC_FRAME_HEAD)
        return false;
    auto* head = dynamic_cast<FcFrameHead*>(msg);
    if (!head || !delete_context(head->getHasCtxPtr(), head->getCtxPtr()))
        return false;
    head->setHasCtxPtr(false);
    head->setCtxPtr(0);
    return true;
}

} // namespace

FcFrameHead* as_head(const cModule* mod, cMessage* msg)
{
    return as_part<FcFrameHead>(mod, msg, "FcFrameHead");
}

FcFramePayload* as_payload(const cModule* mod, cMessage* msg)
{
    return as_part<FcFramePayload>(mod, msg, "FcFramePayload");
}

FcFrameTail* as_tail(const cModule* mod, cMessage* msg)
{
    return as_part<FcFrameTail>(mod, msg, "FcFrameTail");
}

unsigned long frame_gid_of(const cModule* mod, cMessage* part)
{
    switch (part->kind()) {
    case FC_FRAME_HEAD: return as_head(mod, part)->getFrmGid();
    case FC_FRAME_PAYLOAD: return as_payload(mod, part)->getFrmGid();
    case FC_FRAME_TAIL: return as_tail(mod, part)->getFrmGid();
    default: {
        const std::string name = part->name();
        delete part;
        mod->error("ERROR: %s is not a frame part", name.c_str());
    }
    }
}

bool dispose_fc1_message(cMessage* msg)
{
    bool deleted = false;
    if (msg->encapsulatedMsg())
        deleted = dispose_fc1_message(msg->decapsulate());
    deleted = delete_head_context(msg) || deleted;
    delete msg;
    return deleted;
}
