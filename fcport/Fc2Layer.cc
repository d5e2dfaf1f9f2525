#include "network/CompoundBuilder.h"

// The FC-2 layer of a port: the controller alone. Its exchange engines
// EePair[i] are created by the controller at initialisation; `currOxId` and
// `currRxId` are the port-wide OX_ID and RX_ID counters that all of them use.
// A node port leaves the switch-centre gates unconnected.

namespace {

const sDescrItem fc2LayerItems[] = {{'M', "default", nullptr, 0},     {'P', "currOxId", "LDXFT", 0},
                                    {'P', "currRxId", "LDXFT", 0},    {'G', "from_fc1", nullptr, 'I'},
                                    {'G', "to_fc1", nullptr, 'O'},    {'G', "from_fc4", nullptr, 'I'},
                                    {'G', "to_fc4", nullptr, 'O'},    {'G', "from_swctrl", nullptr, 'I'},
                                    {'G', "to_swctrl", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

const CompoundDescription fc2LayerDesc = {
    {
        {"Fc2Ctrl", "Fc2Controller", {}, {set_bool("portUp", false)}, {}, "i=asic;p=337,180;b=35,35"},
    },
    {
        {GateRef::self("from_fc1"), GateRef::sub("Fc2Ctrl", "from_fc1")},
        {GateRef::sub("Fc2Ctrl", "to_fc1"), GateRef::self("to_fc1")},
        {GateRef::self("from_fc4"), GateRef::sub("Fc2Ctrl", "from_fc4")},
        {GateRef::sub("Fc2Ctrl", "to_fc4"), GateRef::self("to_fc4")},
        {GateRef::self("from_swctrl"), GateRef::sub("Fc2Ctrl", "from_swctrl")},
        {GateRef::sub("Fc2Ctrl", "to_swctrl"), GateRef::self("to_swctrl")},
    },
    "o=#ffffff;p=10,10;b=663,261",
    false,
};

} // namespace

Define_Module_Interface(Fc2Layer, fc2LayerItems);
Define_Described_Compound(Fc2Layer, fc2LayerDesc);
