#pragma once

#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "sim/ExactCast.h"

class cModule;

// What the FC-1 modules share about the three parts of a frame on a link.
// The checks run on every part that passes, so they are inline; only the
// refusals, which end the run, are out of line.

// Stops the run, naming `mod`: `msg` of a frame kind is not a `className`.
[[noreturn]] void refuse_part(const cModule* mod, cMessage* msg, const char* className);
// Stops the run, naming `mod`: `msg` is no frame part at all.
[[noreturn]] void refuse_non_part(const cModule* mod, cMessage* msg);

// The part as its class; a message of a frame kind that is not of the
// frame class stops the run, naming `mod`.
inline FcFrameHead* as_head(const cModule* mod, cMessage* msg)
{
    if (auto* head = exact_cast<FcFrameHead>(msg))
        return head;
    refuse_part(mod, msg, "FcFrameHead");
}

inline FcFramePayload* as_payload(const cModule* mod, cMessage* msg)
{
    if (auto* pay = exact_cast<FcFramePayload>(msg))
        return pay;
    refuse_part(mod, msg, "FcFramePayload");
}

inline FcFrameTail* as_tail(const cModule* mod, cMessage* msg)
{
    if (auto* tail = exact_cast<FcFrameTail>(msg))
        return tail;
    refuse_part(mod, msg, "FcFrameTail");
}

// The `frmGid` of a head, payload or tail.
inline unsigned long frame_gid_of(const cModule* mod, cMessage* part)
{
    switch (part->kind()) {
    case FC_FRAME_HEAD: return as_head(mod, part)->getFrmGid();
    case FC_FRAME_PAYLOAD: return as_payload(mod, part)->getFrmGid();
    case FC_FRAME_TAIL: return as_tail(mod, part)->getFrmGid();
    default: refuse_non_part(mod, part);
    }
}
