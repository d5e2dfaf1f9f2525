#include "network/CompoundBuilder.h"

// The control memory and cache of a storage array: its processor, one meta
// channel of the control path per host-interface board and per array
// control processor, and the bus selector over every bus of every cache
// switch on the data path. The processor adds the LUN controllers at
// initialisation; the meta channels' initiator gates stay unconnected.

namespace {

const sDescrItem controlMemoryItems[] = {
    {'M', "default", nullptr, 0},      {'P', "chipNum", "LDXFT", 0},      {'P', "acpNum", "LDXFT", 0},
    {'P', "cswNum", "LDXFT", 0},       {'P', "busNum", "LDXFT", 0},       {'G', "from_chip[]", nullptr, 'I'},
    {'G', "to_chip[]", nullptr, 'O'},  {'G', "from_acp[]", nullptr, 'I'}, {'G', "to_acp[]", nullptr, 'O'},
    {'G', "from_csw[]", nullptr, 'I'}, {'G', "to_csw[]", nullptr, 'O'},   {'E', nullptr, nullptr, 0}};

constexpr const char META[] = "o=#008000";
constexpr const char BUS[] = "o=#808000,2";

ConnectionDescription each(const char* count, GateRef from, GateRef to, const char* displayString)
{
    return {std::move(from), std::move(to), displayString, {}, 0, Expr::par(count) - 1};
}

const CompoundDescription& control_memory_description()
{
    const Expr i = Expr::index();
    const Expr buses = Expr::par("cswNum") * Expr::par("busNum");
    static const CompoundDescription desc = {
        {
            {"CtrlMemCpu",
             "CtrlMemProcessor",
             {},
             {},
             {{"from_chip", Expr::par("chipNum")},
              {"to_chip", Expr::par("chipNum")},
              {"from_acp", Expr::par("acpNum")},
              {"to_acp", Expr::par("acpNum")}},
             "i=cpu;p=347,203;b=50,50"},
            {"BS",
             "BusSelector",
             {},
             {copy_par("cswNum"), copy_par("busNum")},
             {{"from_bus", buses}, {"to_bus", buses}},
             "i=asic;p=347,317;b=35,35"},
            {"ChipMc", "MetaChannel", Expr::par("chipNum"), {}, {}, "i=asic;p=126,322,row;b=35,35"},
            {"AcpMc", "MetaChannel", Expr::par("acpNum"), {}, {}, "i=asic;p=445,316,row;b=35,35"},
        },
        {
            each("chipNum", GateRef::self("from_chip", i), GateRef::element("ChipMc", i, "from_meta"), META),
            each("chipNum", GateRef::element("ChipMc", i, "to_cpu"), GateRef::sub("CtrlMemCpu", "from_chip", i), META),
            each("chipNum", GateRef::element("ChipMc", i, "to_meta"), GateRef::self("to_chip", i), META),
            each("chipNum", GateRef::sub("CtrlMemCpu", "to_chip", i), GateRef::element("ChipMc", i, "from_cpu"), META),
            each("acpNum", GateRef::self("from_acp", i), GateRef::element("AcpMc", i, "from_meta"), META),
            each("acpNum", GateRef::element("AcpMc", i, "to_cpu"), GateRef::sub("CtrlMemCpu", "from_acp", i), META),
            each("acpNum", GateRef::element("AcpMc", i, "to_meta"), GateRef::self("to_acp", i), META),
            each("acpNum", GateRef::sub("CtrlMemCpu", "to_acp", i), GateRef::element("AcpMc", i, "from_cpu"), META),
            {GateRef::sub("BS", "to_cpu"), GateRef::sub("CtrlMemCpu", "from_bs"), BUS},
            {GateRef::sub("CtrlMemCpu", "to_bs"), GateRef::sub("BS", "from_cpu"), BUS},
            {GateRef::self("from_csw", i), GateRef::sub("BS", "from_bus", i), BUS, {}, 0, buses - 1},
            {GateRef::sub("BS", "to_bus", i), GateRef::self("to_csw", i), BUS, {}, 0, buses - 1},
        },
        "o=#ffffff;p=10,10;b=627,389",
        false,
    };
    return desc;
}

} // namespace

Define_Module_Interface(ControlMemoryAndCache, controlMemoryItems);
Define_Described_Compound(ControlMemoryAndCache, control_memory_description());
