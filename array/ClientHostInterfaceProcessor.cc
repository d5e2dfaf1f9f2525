#include "network/CompoundBuilder.h"

// A host-interface board of a storage array: per node port the port and its
// FC-4 layer, joined through the board's peripheral bus; the board processor,
// which arbitrates processor time and routes every SCSI-level message; the
// meta channel of the control path towards the control memory; the bus
// selector of the data path towards the cache switches; the board's frame
// statistics; and the remote-mirror initiator, which talks to the processor
// as a host's SCSI layer does and takes its copy requests from the meta
// channel instead of an I/O generator.

namespace {

const sDescrItem boardItems[] = {{'M', "default", nullptr, 0},      {'P', "cswNum", "LDXFT", 0},
                                 {'P', "nxPortNum", "LDXFT", 0},    {'G', "link_in[]", nullptr, 'I'},
                                 {'G', "link_out[]", nullptr, 'O'}, {'G', "from_ctrlmem", nullptr, 'I'},
                                 {'G', "to_ctrlmem", nullptr, 'O'}, {'G', "from_csw[]", nullptr, 'I'},
                                 {'G', "to_csw[]", nullptr, 'O'},   {'E', nullptr, nullptr, 0}};

ConnectionDescription per_port(GateRef from, GateRef to, const char* displayString = "")
{
    return {std::move(from), std::move(to), displayString, {}, 0, Expr::par("nxPortNum") - 1};
}

const CompoundDescription& board_description()
{
    const Expr ports = Expr::par("nxPortNum");
    const Expr i = Expr::index();
    static const CompoundDescription desc = {
        {
            {"NxPort",
             "NodePort",
             ports,
             {set_long("sFact", 1), set_long("addressId", 0)},
             {},
             "i=nxport;p=125,150,col;b=85,50"},
            {"Cpc",
             "PeripheralController",
             {},
             {},
             {{"from_adapter", ports}, {"to_adapter", ports}, {"from_driver", ports}, {"to_driver", ports}},
             "i=ctrl;p=260,300;b=50,50"},
            {"Fc4",
             "Fc4Layer",
             ports,
             {set_bool("flogiDone", false), set_bool("flogiLrDone", false), set_bool("nsRegDone", false)},
             {},
             "i=driver;p=385,150,col;b=50,50"},
            {"ChipCpu",
             "ChipProcessor",
             {},
             {},
             {{"from_driver", ports}, {"to_driver", ports}},
             "i=cpu;p=510,300;b=50,50"},
            {"MC", "MetaChannel", {}, {}, {}, "i=asic;p=650,205;b=35,35"},
            {"BS",
             "BusSelector",
             {},
             {copy_par("cswNum"), set_long("busNum", 0)},
             {{"from_bus", Expr::par("cswNum")}, {"to_bus", Expr::par("cswNum")}},
             "i=asic;p=650,400;b=35,35"},
            {"EeStat", "Fc2EeStat", {}, {}, {}, "i=eestat;p=510,400;b=50,50"},
            {"Scsi", "ScsiRmtMirr", {}, {}, {}, "i=scsi;p=510,205;b=50,50"},
        },
        {
            per_port(GateRef::self("link_in", i), GateRef::element("NxPort", i, "link_in"), "o=#ffffff"),
            per_port(GateRef::element("NxPort", i, "link_out"), GateRef::self("link_out", i), "o=#ffffff"),
            per_port(GateRef::sub("Cpc", "to_adapter", i), GateRef::element("NxPort", i, "from_fc4")),
            per_port(GateRef::element("NxPort", i, "to_fc4"), GateRef::sub("Cpc", "from_adapter", i)),
            per_port(GateRef::element("Fc4", i, "to_fc2"), GateRef::sub("Cpc", "from_driver", i)),
            per_port(GateRef::sub("Cpc", "to_driver", i), GateRef::element("Fc4", i, "from_fc2")),
            per_port(GateRef::sub("ChipCpu", "to_driver", i), GateRef::element("Fc4", i, "from_ulp")),
            per_port(GateRef::element("Fc4", i, "to_ulp"), GateRef::sub("ChipCpu", "from_driver", i)),
            {GateRef::sub("MC", "to_cpu"), GateRef::sub("ChipCpu", "from_mc")},
            {GateRef::sub("ChipCpu", "to_mc"), GateRef::sub("MC", "from_cpu")},
            {GateRef::sub("BS", "to_cpu"), GateRef::sub("ChipCpu", "from_bs")},
            {GateRef::sub("ChipCpu", "to_bs"), GateRef::sub("BS", "from_cpu")},
            {GateRef::self("from_ctrlmem"), GateRef::sub("MC", "from_meta"), "o=#008000"},
            {GateRef::sub("MC", "to_meta"), GateRef::self("to_ctrlmem"), "o=#008000"},
            {GateRef::self("from_csw", i),
             GateRef::sub("BS", "from_bus", i),
             "o=#0000ff,2",
             {},
             0,
             Expr::par("cswNum") - 1},
            {GateRef::sub("BS", "to_bus", i),
             GateRef::self("to_csw", i),
             "o=#0000ff,2",
             {},
             0,
             Expr::par("cswNum") - 1},
            {GateRef::sub("Scsi", "to_iogen"), GateRef::sub("MC", "from_scsi")},
            {GateRef::sub("MC", "to_scsi"), GateRef::sub("Scsi", "from_iogen")},
            {GateRef::sub("Scsi", "to_llp"), GateRef::sub("ChipCpu", "from_scsi")},
            {GateRef::sub("ChipCpu", "to_scsi"), GateRef::sub("Scsi", "from_llp")},
        },
        "o=#ffffff;p=10,10;b=750,565",
        true,
    };
    return desc;
}

} // namespace

Define_Module_Interface(ClientHostInterfaceProcessor, boardItems);
Define_Described_Compound(ClientHostInterfaceProcessor, board_description());
