#pragma once

#include <typeinfo>

#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"

class cModule;

// What the FC-1 modules share about the three parts of a frame on a link.
// The checks run several times on every part that passes, so the common case
// of a part of exactly its frame class is inline; the others, subclasses or
// refusals, are out of line.

// The part as its class; a message of a frame kind that is not of the
// frame class stops the run, naming `mod`. Never inlined, so that the checks
// below stay small enough to be inlined where they are used (link-time
// optimisation would otherwise merge these into them).
[[gnu::noinline]] FcFrameHead* as_head_checked(const cModule* mod, cMessage* msg);
[[gnu::noinline]] FcFramePayload* as_payload_checked(const cModule* mod, cMessage* msg);
[[gnu::noinline]] FcFrameTail* as_tail_checked(const cModule* mod, cMessage* msg);

inline FcFrameHead* as_head(const cModule* mod, cMessage* msg)
{
    if (typeid(*msg) == typeid(FcFrameHead))
        return static_cast<FcFrameHead*>(msg);
    return as_head_checked(mod, msg);
}

inline FcFramePayload* as_payload(const cModule* mod, cMessage* msg)
{
    if (typeid(*msg) == typeid(FcFramePayload))
        return static_cast<FcFramePayload*>(msg);
    return as_payload_checked(mod, msg);
}

inline FcFrameTail* as_tail(const cModule* mod, cMessage* msg)
{
    if (typeid(*msg) == typeid(FcFrameTail))
        return static_cast<FcFrameTail*>(msg);
    return as_tail_checked(mod, msg);
}

// The `frmGid` of a head, payload or tail; anything else stops the run.
[[gnu::noinline]] unsigned long frame_gid_checked(const cModule* mod, cMessage* part);

// A part of exactly its class has its getter called directly, not through
// the virtual table, which keeps this small enough to inline.
inline unsigned long frame_gid_of(const cModule* mod, cMessage* part)
{
    const std::type_info& type = typeid(*part);
    switch (part->kind()) {
    case FC_FRAME_HEAD:
        if (type == typeid(FcFrameHead))
            return static_cast<FcFrameHead*>(part)->FcFrameHead::getFrmGid();
        break;
    case FC_FRAME_PAYLOAD:
        if (type == typeid(FcFramePayload))
            return static_cast<FcFramePayload*>(part)->FcFramePayload::getFrmGid();
        break;
    case FC_FRAME_TAIL:
        if (type == typeid(FcFrameTail))
            return static_cast<FcFrameTail*>(part)->FcFrameTail::getFrmGid();
        break;
    default: break;
    }
    return frame_gid_checked(mod, part);
}
