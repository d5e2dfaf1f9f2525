#pragma once

#include "messages/MsgSubclass_m.h"

// The FC-2 controller's records of the local frame being transmitted and of
// the one being received (LocalFrameActive), filled from the frame's parts as
// they pass. The pair engine applies a copy of each to its exchange.

// The head fields shared by both records.
void fill_record_from_head(LocalFrameActive& record, FcFrameHead& head);

// The receive record also takes the head's exchange key, IU index, sequence
// length, context object, time stamps and route: a new array of `hopId`
// longs from the head's parameters "hop-0", "hop-1", ... (the Domain_IDs the
// switches added), or none when the frame crossed no switch. The record
// takes over the context object and the array.
void fill_receive_record(LocalFrameActive& record, FcFrameHead& head);

// The qualifier by which a pair finds a frame's exchange.
FrameQualifier qualifier_of(const LocalFrameActive& record);
