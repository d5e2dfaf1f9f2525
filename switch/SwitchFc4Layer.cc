#include "switch/SwitchFc4Layer.h"

#include "fc4/Fc4Layer.h"
#include "network/CompoundBuilder.h"
#include "sim/Sim.h"

namespace {

const sDescrItem switchFc4LayerItems[] = {{'M', "default", nullptr, 0},     {'P', "elpDone", "B", 0},
                                          {'P', "elpLrDone", "B", 0},       {'G', "from_fc2", nullptr, 'I'},
                                          {'G', "to_fc2", nullptr, 'O'},    {'G', "from_swctrl", nullptr, 'I'},
                                          {'G', "to_swctrl", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

} // namespace

const CompoundDescription& switch_fc4_layer_description()
{
    static const CompoundDescription desc = {
        {
            {"FcGs", "FcGenericServices", {}, {set_long("currConCurrIu", 0)}, {}, "i=swfc4;p=310,85;b=50,50"},
            {"FcEls", "FcExtendedLinkService", {}, {set_long("currConCurrIu", 0)}, {}, "i=swfc4;p=65,85;b=50,50"},
            {"SwIls", "SwitchInternalLinkService", {}, {set_long("currConCurrIu", 0)}, {}, "i=swfc4;p=185,85;b=50,50"},
            {"Fc4Ctrl", "SwitchFc4Controller", {}, {}, {}, "i=asic;p=185,215;b=35,35"},
        },
        [] {
            auto wiring = fc4_service_wiring({
                {GateRef::self("from_swctrl"), GateRef::sub("Fc4Ctrl", "from_swctrl")},
                {GateRef::sub("Fc4Ctrl", "to_swctrl"), GateRef::self("to_swctrl")},
            });
            wiring.push_back({GateRef::sub("Fc4Ctrl", "to_swils"), GateRef::sub("SwIls", "from_fc4ctrl")});
            wiring.push_back({GateRef::sub("SwIls", "to_fc4ctrl"), GateRef::sub("Fc4Ctrl", "from_swils")});
            return wiring;
        }(),
        "o=#ffffff;p=10,10;b=350,310",
        true,
    };
    return desc;
}

Define_Module_Interface(SwitchFc4Layer, switchFc4LayerItems);
Define_Described_Compound(SwitchFc4Layer, switch_fc4_layer_description());
