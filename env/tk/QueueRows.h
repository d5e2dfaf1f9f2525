#pragma once

#include <string>
#include <vector>

#include "env/tk/FieldRows.h"

class cMessage;
class cModule;
class cQueue;

// A module's queues, one line each: the queue's name (or its place among the
// module's queues when it has none) and its length; `field` holds the
// queue's address for opening its inspector.
std::vector<InspectorRow> module_queue_rows(const cModule& mod);
// A queue's contents, oldest first: each object's class, name and, for a
// message, its kind by name; `field` holds a message's address for opening
// its inspector.
std::vector<InspectorRow> inspect_queue(const cQueue& queue);
// The live queue at `address`, or null.
const cQueue* queue_at(long address);
// The message at `address` when it waits in some live queue, or null.
cMessage* queued_message_at(long address);
