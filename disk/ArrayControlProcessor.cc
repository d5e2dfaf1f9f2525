#include "network/CompoundBuilder.h"

// An array control processor board, Acp[i] of a storage array: its meta
// channel MC of the control path towards the control memory, its bus
// selector BS of the data path towards the cache switches, the router
// AcpCpu, and per array group a driver ArrGrpDrv[g] and the group ArrGrp[g]
// itself, the drivers reaching their groups over the board's peripheral bus
// Apc (driver g on bus index g). The meta channel has no initiator beside it
// on this board, so its initiator gates stay unconnected.

namespace {

const sDescrItem boardItems[] = {{'M', "default", nullptr, 0},      {'P', "cswNum", "LDXFT", 0},
                                 {'P', "arrGrpNum", "LDXFT", 0},    {'G', "from_ctrlmem", nullptr, 'I'},
                                 {'G', "to_ctrlmem", nullptr, 'O'}, {'G', "from_csw[]", nullptr, 'I'},
                                 {'G', "to_csw[]", nullptr, 'O'},   {'E', nullptr, nullptr, 0}};

ConnectionDescription per_group(GateRef from, GateRef to)
{
    return {std::move(from), std::move(to), "", {}, 0, Expr::par("arrGrpNum") - 1};
}

ConnectionDescription per_switch(GateRef from, GateRef to, const char* displayString = "")
{
    return {std::move(from), std::move(to), displayString, {}, 0, Expr::par("cswNum") - 1};
}

const CompoundDescription& board_description()
{
    const Expr i = Expr::index();
    const Expr groups = Expr::par("arrGrpNum");
    static const CompoundDescription desc = {
        {
            {"MC", "MetaChannel", {}, {}, {}, "i=asic;p=110,185;b=35,35"},
            {"BS",
             "BusSelector",
             {},
             {copy_par("cswNum"), set_long("busNum", 0)},
             {{"from_bus", Expr::par("cswNum")}, {"to_bus", Expr::par("cswNum")}},
             "i=asic;p=110,320;b=35,35"},
            {"AcpCpu",
             "AcpProcessor",
             {},
             {},
             {{"from_driver", groups}, {"to_driver", groups}},
             "i=cpu;p=220,250;b=50,50"},
            {"ArrGrpDrv", "ArrayGroupDriver", groups, {}, {}, "i=driver;p=350,90,col;b=50,50"},
            {"Apc",
             "PeripheralController",
             {},
             {},
             {{"from_adapter", groups}, {"to_adapter", groups}, {"from_driver", groups}, {"to_driver", groups}},
             "i=ctrl;p=480,250;b=50,50"},
            {"ArrGrp", "ArrayGroup", groups, {}, {}, "i=arrgrp;p=630,90,col;b=75,50"},
        },
        {
            {GateRef::self("from_ctrlmem"), GateRef::sub("MC", "from_meta"), "o=#008000"},
            {GateRef::sub("MC", "to_meta"), GateRef::self("to_ctrlmem")},
            {GateRef::sub("MC", "to_cpu"), GateRef::sub("AcpCpu", "from_mc")},
            {GateRef::sub("AcpCpu", "to_mc"), GateRef::sub("MC", "from_cpu")},
            {GateRef::sub("BS", "to_cpu"), GateRef::sub("AcpCpu", "from_bs")},
            {GateRef::sub("AcpCpu", "to_bs"), GateRef::sub("BS", "from_cpu")},
            per_switch(GateRef::self("from_csw", i), GateRef::sub("BS", "from_bus", i), "o=#ff80c0,2"),
            per_switch(GateRef::sub("BS", "to_bus", i), GateRef::self("to_csw", i)),
            per_group(GateRef::element("ArrGrpDrv", i, "to_ulp"), GateRef::sub("AcpCpu", "from_driver", i)),
            per_group(GateRef::sub("AcpCpu", "to_driver", i), GateRef::element("ArrGrpDrv", i, "from_ulp")),
            per_group(GateRef::sub("Apc", "to_driver", i), GateRef::element("ArrGrpDrv", i, "from_fcal")),
            per_group(GateRef::element("ArrGrpDrv", i, "to_fcal"), GateRef::sub("Apc", "from_driver", i)),
            per_group(GateRef::sub("Apc", "to_adapter", i), GateRef::element("ArrGrp", i, "from_driver")),
            per_group(GateRef::element("ArrGrp", i, "to_driver"), GateRef::sub("Apc", "from_adapter", i)),
        },
        "o=#ffffff;p=10,10;b=720,475",
        false,
    };
    return desc;
}

} // namespace

Define_Module_Interface(ArrayControlProcessor, boardItems);
Define_Described_Compound(ArrayControlProcessor, board_description());
