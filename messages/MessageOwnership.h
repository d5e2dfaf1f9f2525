#pragma once

#include <memory>

class cMessage;
struct LocalFrameActive;

// Objects that ride on messages by address, and who frees them.
//
// Many message fields hold the address of an object rather than the object.
// Some of those objects belong to the message (whoever holds the message holds
// the object, and whoever discards the message frees it); the others belong to
// a module that outlives the message and are only borrowed. Which is which is
// declared once, in the table of MessageOwnership.cc, field by field:
//
// Owned by the message:
// - `ctxPtr` of a sequence envelope (FcSeqPayload), of a first frame head
//   (FcFrameHead) and of the frame record in a REQ_RX_PROC (LocFrmOk), when
//   `hasCtxPtr` is set: the FC-4 packet or information unit being carried. It
//   passes from the envelope to the first frame head, the receiving
//   controller's record, the REQ_RX_PROC, the pair's record, the recipient
//   sequence block and the envelope delivered to FC-4; whoever passes it on
//   clears its own reference, so that each holder in turn is the only one
//   that can free it.
// - `rtPathPtr` of a received frame's record: the route array, the Domain_IDs
//   of the switches crossed (`hopNum` longs), freed once the frame's
//   statistics are taken or where the frame is dropped.
// - `cdbPtr` of an FCP information unit: the copy of the command block that an
//   FCP_CMND takes to the target (the target's engine adopts it and clears the
//   unit's reference).
// - `gidFtFileNamePtr` of a name-server packet: the name of its id-list file.
// - `lsuFileNamePtr` of an FSPF LSU (cmdCode 0x15): the name of its link-state
//   record file. An LSA copies the address of the LSU's name and frees nothing.
// - The encapsulated message of any message.
//
// Borrowed (never freed with the message): `cdbPtr` of SEND_SCSI_CMD and
// SCSI_CMD_RECVD (the initiator's and the target engine's own block), the
// answer-file names `lunListPtr` and `lunWwnPtr` (freed by the LUN
// controller that wrote them), sense and response addresses, and the records
// of a block request (state block, disk model).

// Frees `msg` with everything it owns, to the full depth: its encapsulated
// message, the objects its owning fields name (each discarded the same way in
// turn) and the strings and arrays they name. True when some object carried by
// address was freed with it, for the layers that put that on record.
bool discard_message(cMessage* msg);

// A message held by a module across a wait(): should the network be deleted
// (a time limit, an error elsewhere) while the module waits, the message goes
// with everything it owns as the coroutine unwinds.
struct MessageDiscard {
    void operator()(cMessage* msg) const { discard_message(msg); }
};
template <class T>
using HeldMessage = std::unique_ptr<T, MessageDiscard>;

// Discards the object at `ctxPtr` when `hasCtxPtr` is set and the address is
// not empty; true when something was freed. For holders that keep a carried
// object outside a message (exchange and sequence blocks).
bool delete_context(bool hasCtxPtr, long ctxPtr);

// Frees what a frame record owns (its carried object and its route array) and
// clears the references; true when a carried object was freed.
bool release_record(LocalFrameActive& record);

// A new route array of `hopNum` entries, all 0, as the address for
// `rtPathPtr` (0 when there are no hops); the array at an address; and its
// release (0 is no array).
long new_route(int hopNum);
long* route_at(long rtPathPtr);
void free_route(long rtPathPtr);
