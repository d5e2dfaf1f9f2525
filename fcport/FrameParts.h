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

// How FC-1 discards a message: its encapsulated message first, then the
// object that a first frame head carries by address (`ctxPtr` with
// `hasCtxPtr` set), then the message itself. Returns true when a head's
// object was deleted, so that the caller can put that on record.
bool dispose_fc1_message(cMessage* msg);
