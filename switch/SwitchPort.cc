#include "switch/SwitchPort.h"

#include "network/CompoundBuilder.h"
#include "sim/Sim.h"

namespace {

const sDescrItem switchPortItems[] = {{'M', "default", nullptr, 0},       {'P', "sFact", "LDXFT", 0},
                                      {'G', "link_in", nullptr, 'I'},     {'G', "link_out", nullptr, 'O'},
                                      {'G', "from_swctrl", nullptr, 'I'}, {'G', "to_swctrl", nullptr, 'O'},
                                      {'E', nullptr, nullptr, 0}};

const char* const cable = "o=#ffffff";

} // namespace

const CompoundDescription& switch_port_description()
{
    static const CompoundDescription desc = {
        {
            {"Fc1", "Fc1Layer", {}, {}, {}, "i=ctrl;p=385,165;b=50,50"},
            {"Fc2", "Fc2Layer", {}, {set_long("currOxId", 0), set_long("currRxId", 0)}, {}, "i=ctrl;p=255,165;b=50,50"},
            {"Fc4",
             "SwitchFc4Layer",
             {},
             {set_bool("elpDone", false), set_bool("elpLrDone", false)},
             {},
             "i=ctrl;p=255,290;b=50,50"},
            {"SwTrans", "SwitchTransport", {}, {}, {}, "i=asic;p=125,165;b=35,35"},
        },
        {
            {GateRef::self("link_in"), GateRef::sub("Fc1", "link_in"), cable},
            {GateRef::sub("Fc1", "link_out"), GateRef::self("link_out"), cable},
            {GateRef::sub("Fc2", "to_fc1"), GateRef::sub("Fc1", "from_fc2")},
            {GateRef::sub("Fc1", "to_fc2"), GateRef::sub("Fc2", "from_fc1")},
            {GateRef::sub("Fc4", "to_fc2"), GateRef::sub("Fc2", "from_fc4")},
            {GateRef::sub("Fc2", "to_fc4"), GateRef::sub("Fc4", "from_fc2")},
            {GateRef::sub("Fc2", "to_swctrl"), GateRef::sub("SwTrans", "from_fc2")},
            {GateRef::sub("SwTrans", "to_fc2"), GateRef::sub("Fc2", "from_swctrl")},
            {GateRef::sub("Fc4", "to_swctrl"), GateRef::sub("SwTrans", "from_fc4")},
            {GateRef::sub("SwTrans", "to_fc4"), GateRef::sub("Fc4", "from_swctrl")},
            {GateRef::self("from_swctrl"), GateRef::sub("SwTrans", "from_swctrl")},
            {GateRef::sub("SwTrans", "to_swctrl"), GateRef::self("to_swctrl")},
        },
        "o=#ffffff;p=10,10;b=495,375",
        true,
    };
    return desc;
}

Define_Module_Interface(SwitchPort, switchPortItems);
Define_Described_Compound(SwitchPort, switch_port_description());
