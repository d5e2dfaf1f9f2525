#include "fcport/FrameParts.h"

#include <cstdint>
#include <string>

#include "messages/MessageOwnership.h"
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
        discard_message(msg);
        mod->error("ERROR: %s is not a %s", name.c_str(), className);
    }
    return part;
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
        discard_message(part);
        mod->error("ERROR: %s is not a frame part", name.c_str());
    }
    }
}
