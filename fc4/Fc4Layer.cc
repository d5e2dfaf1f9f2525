// The FC-4 layer of a node port: the controller and the two link services.
// The controller creates the FCP engines `Fcp[i]` itself, once it knows from
// the port's configuration line how many pairs the port may have.

#include "fc4/Fc4Layer.h"

#include "network/CompoundBuilder.h"
#include "sim/Sim.h"

const sDescrItem fc4LayerItems[] = {
    {'M', "default", nullptr, 0},    {'P', "flogiDone", "B", 0},      {'P', "flogiLrDone", "B", 0},
    {'P', "nsRegDone", "B", 0},      {'G', "from_fc2", nullptr, 'I'}, {'G', "to_fc2", nullptr, 'O'},
    {'G', "from_ulp", nullptr, 'I'}, {'G', "to_ulp", nullptr, 'O'},   {'E', nullptr, nullptr, 0}};

std::vector<ConnectionDescription> fc4_service_wiring(std::vector<ConnectionDescription> first)
{
    first.insert(first.end(), {
                                  {GateRef::self("from_fc2"), GateRef::sub("Fc4Ctrl", "from_fc2")},
                                  {GateRef::sub("Fc4Ctrl", "to_fc2"), GateRef::self("to_fc2")},
                                  {GateRef::sub("Fc4Ctrl", "to_fcgs"), GateRef::sub("FcGs", "from_fc4ctrl")},
                                  {GateRef::sub("FcGs", "to_fc4ctrl"), GateRef::sub("Fc4Ctrl", "from_fcgs")},
                                  {GateRef::sub("Fc4Ctrl", "to_fcels"), GateRef::sub("FcEls", "from_fc4ctrl")},
                                  {GateRef::sub("FcEls", "to_fc4ctrl"), GateRef::sub("Fc4Ctrl", "from_fcels")},
                              });
    return first;
}

const CompoundDescription& fc4_layer_description()
{
    static const CompoundDescription desc = {
        {
            {"FcGs", "FcGenericServices", {}, {set_long("currConCurrIu", 0)}, {}, "i=fc4srvs;p=460,220;b=50,50"},
            {"FcEls", "FcExtendedLinkService", {}, {set_long("currConCurrIu", 0)}, {}, "i=fc4srvs;p=220,220;b=50,50"},
            {"Fc4Ctrl", "Fc4Controller", {}, {}, {}, "i=fc4ctrl;p=340,180;b=50,50"},
        },
        fc4_service_wiring({
            {GateRef::self("from_ulp"), GateRef::sub("Fc4Ctrl", "from_ulp")},
            {GateRef::sub("Fc4Ctrl", "to_ulp"), GateRef::self("to_ulp")},
        }),
        "o=#ffffff;p=10,10;b=665,265",
        false,
    };
    return desc;
}

Define_Module_Interface(Fc4Layer, fc4LayerItems);
Define_Described_Compound(Fc4Layer, fc4_layer_description());
