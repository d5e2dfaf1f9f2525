#pragma once

class cMessage;
class cModule;
class FcFrameHead;
class FcFramePayload;
class FcFrameTail;

// What the FC-1 modules share about the three parts of a frame on a link.

// The part as its class; a message of a frame kind that is not of the
// frame class stops the run, naming `mod`.
FcFrameHead* as_head(const cModule* mod, cMessage* msg);
FcFramePayload* as_payload(const cModule* mod, cMessage* msg);
FcFrameTail* as_tail(const cModule* mod, cMessage* msg);

// The `frmGid` of a head, payload or tail.
unsigned long frame_gid_of(const cModule* mod, cMessage* part);
