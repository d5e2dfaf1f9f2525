#include "switch/FcSwitch.h"

#include "network/CompoundBuilder.h"
#include "sim/Sim.h"

const sDescrItem fcSwitchInterfaceItems[] = {{'M', "default", nullptr, 0},      {'P', "confFile", "S", 0},
                                             {'P', "swPortNum", "LDXFT", 0},    {'G', "link_in[]", nullptr, 'I'},
                                             {'G', "link_out[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

namespace {

const char* const cable = "o=#ffffff";

} // namespace

const CompoundDescription& fc_switch_description()
{
    static const CompoundDescription desc = [] {
        const Expr ports = Expr::par("swPortNum");
        const Expr i = Expr::index();
        const Expr last = ports - 1;
        return CompoundDescription{
            {
                {"SwPort", "SwitchPort", ports, {set_long("sFact", 1)}, {}, "i=swport;p=150,110,row,75;b=25,50"},
                {"SwCtrlCtr",
                 "SwitchConstruct",
                 {},
                 {set_long("frmFwdDelta", 0), set_long("latSumDelta", 0)},
                 {{"from_swport", ports}, {"to_swport", ports}},
                 "i=cpu;p=555,255;b=50,50"},
            },
            {
                {GateRef::self("link_in", i), GateRef::element("SwPort", i, "link_in"), cable, {}, 0, last},
                {GateRef::element("SwPort", i, "link_out"), GateRef::self("link_out", i), cable, {}, 0, last},
                {GateRef::sub("SwCtrlCtr", "to_swport", i),
                 GateRef::element("SwPort", i, "from_swctrl"),
                 "",
                 {},
                 0,
                 last},
                {GateRef::element("SwPort", i, "to_swctrl"),
                 GateRef::sub("SwCtrlCtr", "from_swport", i),
                 "",
                 {},
                 0,
                 last},
            },
            "o=#ffffff;p=10,10;b=1100,325",
            true,
        };
    }();
    return desc;
}

Define_Module_Interface(FcSwitch, fcSwitchInterfaceItems);
Define_Described_Compound(FcSwitch, fc_switch_description());
