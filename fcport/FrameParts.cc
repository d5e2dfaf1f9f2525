#include "fcport/FrameParts.h"

#include <string>

#include "messages/MessageOwnership.h"
#include "sim/ExactCast.h"
#include "sim/cModule.h"

namespace {

[[noreturn]] void refuse(const cModule* mod, cMessage* msg, const char* what)
{
    const std::string name = msg->name();
    discard_message(msg);
    mod->error("ERROR: %s is not a %s", name.c_str(), what);
}

template <class Part>
Part* as_part(const cModule* mod, cMessage* msg, const char* className)
{
    if (auto* part = exact_cast<Part>(msg))
        return part;
    refuse(mod, msg, className);
}

} // namespace

FcFrameHead* as_head_checked(const cModule* mod, cMessage* msg)
{
    return as_part<FcFrameHead>(mod, msg, "FcFrameHead");
}

FcFramePayload* as_payload_checked(const cModule* mod, cMessage* msg)
{
    return as_part<FcFramePayload>(mod, msg, "FcFramePayload");
}

FcFrameTail* as_tail_checked(const cModule* mod, cMessage* msg)
{
    return as_part<FcFrameTail>(mod, msg, "FcFrameTail");
}

unsigned long frame_gid_checked(const cModule* mod, cMessage* part)
{
    switch (part->kind()) {
    case FC_FRAME_HEAD: return as_head_checked(mod, part)->getFrmGid();
    case FC_FRAME_PAYLOAD: return as_payload_checked(mod, part)->getFrmGid();
    case FC_FRAME_TAIL: return as_tail_checked(mod, part)->getFrmGid();
    default: refuse(mod, part, "frame part");
    }
}
