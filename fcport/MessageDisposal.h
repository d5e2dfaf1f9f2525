#pragma once

struct LocalFrameActive;
class cMessage;

// Objects that ride on FC-2 messages by address, and who frees them.
//
// - The FC-4 object named by `ctxPtr` (with `hasCtxPtr` set) belongs to the
//   holder of the message or record that carries it: the sequence envelope,
//   then the first frame head, then the receiving controller's frame record,
//   the REQ_RX_PROC built from that record, the pair's record of the frame,
//   the recipient SSB, and finally the envelope delivered to FC-4. Whoever
//   passes it on clears its own reference, so that each holder in turn is the
//   only one that can free it.
// - The route array named by `rtPathPtr` in a received frame's record (the
//   Domain_IDs of the switches crossed, `hopNum` longs) goes the same way:
//   the controller's record, the REQ_RX_PROC, then the pair, which frees it
//   once the frame's statistics are taken. A frame dropped on the way (EOFa,
//   no pair, link down) has its array freed where it is dropped.

// - A carried FC-4 object owns in turn what it names by address: an FCP_CMND
//   unit the command-block copy it takes to the target (the target's engine
//   adopts the copy and clears the unit's reference), a name-server accept
//   the name of its id-list file. Whoever discards the object discards these
//   with it, so a unit lost on the way leaves nothing behind.

// Deletes the object at `ctxPtr`, with what it owns, when `hasCtxPtr` is set
// and the address is not empty; true when something was deleted. Every layer
// that discards a carried object comes here.
bool delete_context(bool hasCtxPtr, long ctxPtr);

// A new route array of `hopNum` entries, and its release (0 is no array).
long new_route(int hopNum);
long* route_at(long rtPathPtr);
void free_route(long rtPathPtr);

// Frees what a frame record still owns (its context object and its route
// array) and clears the references; true when a context object was deleted.
bool release_record(LocalFrameActive& record);

// The FC-2 member of the family of delete_message routines: an encapsulated
// message goes first, with the context of a frame head or the objects of a
// REQ_RX_PROC record; then the context of `msg` itself when it is a frame
// head or a sequence envelope, or the objects of its record when it is a
// REQ_RX_PROC; then `msg`.
void delete_fc2_message(cMessage* msg);
