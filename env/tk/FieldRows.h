#pragma once

#include <string>
#include <vector>

class cMessage;
class cModule;

// One line of an inspector. `field` addresses a descriptor field of a
// message ("3", or "5.1" for field 1 of the record in field 5); it is empty
// for a line that is not a field. A field that holds an address is labelled
// "read-only" and refuses every edit.
struct InspectorRow {
    std::string section;
    std::string label;
    std::string value;
    std::string field;
};

// A module: its parameters, gates with what they connect to, WATCHed
// variables, queues, submodules.
std::vector<InspectorRow> inspect_module(const cModule& mod);
// A message: name, class, kind by name, length and times, parameters, and
// every field its class descriptor offers, records through their own
// descriptors.
std::vector<InspectorRow> inspect_message(cMessage& msg);
// Sets a field addressed as in InspectorRow::field from its text; false when
// the descriptor refuses it.
bool edit_message_field(cMessage& msg, const std::string& field, const std::string& value);
// The scheduled events in time order: time, message and destination module;
// `field` holds the message's address for opening its inspector.
std::vector<InspectorRow> inspect_event_list();
