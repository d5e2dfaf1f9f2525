#include "network/CompoundBuilder.h"

// The cache-switch fabric of a storage array. Cache switch i has its own bus
// selector BS[i] over its buses towards the control memory, M[i*busNum + j];
// host-interface board j reaches it over C[i*chipNum + j] and array control
// processor j over A[i*acpNum + j]. A fabric gate of a board or processor is
// therefore numbered (cache switch) x (count) + (board or processor).

namespace {

const sDescrItem fabricItems[] = {
    {'M', "default", nullptr, 0},        {'P', "chipNum", "LDXFT", 0},       {'P', "acpNum", "LDXFT", 0},
    {'P', "cswNum", "LDXFT", 0},         {'P', "busNum", "LDXFT", 0},        {'G', "from_ctrlmem[]", nullptr, 'I'},
    {'G', "to_ctrlmem[]", nullptr, 'O'}, {'G', "from_chip[]", nullptr, 'I'}, {'G', "to_chip[]", nullptr, 'O'},
    {'G', "from_acp[]", nullptr, 'I'},   {'G', "to_acp[]", nullptr, 'O'},    {'E', nullptr, nullptr, 0}};

constexpr const char CTRLMEM[] = "o=#808000,2";
constexpr const char CHIP[] = "o=#0000ff,2";
constexpr const char ACP[] = "o=#ff80c0,2";

// For i < cswNum and j < `count`, with k = i * count + j as the bus and
// fabric gate index.
ConnectionDescription per_switch(const char* count, GateRef from, GateRef to, const char* displayString = "")
{
    return nested_loop(std::move(from), std::move(to), displayString, 0, Expr::par("cswNum") - 1, 0,
                       Expr::par(count) - 1);
}

Expr bus_index(const char* count)
{
    return Expr::index() * Expr::par(count) + Expr::inner();
}

const CompoundDescription& fabric_description()
{
    const Expr i = Expr::index();
    const Expr j = Expr::inner();
    const Expr m = bus_index("busNum");
    const Expr c = bus_index("chipNum");
    const Expr a = bus_index("acpNum");
    const Expr cswNum = Expr::par("cswNum");
    static const CompoundDescription desc = {
        {
            {"BS",
             "BusSelector",
             cswNum,
             {copy_par("cswNum"), copy_par("busNum")},
             {{"from_bus", Expr::par("busNum")}, {"to_bus", Expr::par("busNum")}},
             "i=asic;p=210,210,row,100;b=35,35"},
            {"M", "Simplex", cswNum * Expr::par("busNum"), {}, {}, "i=bus;p=155,105,row;b=15,17"},
            {"C", "Simplex", cswNum * Expr::par("chipNum"), {}, {}, "i=bus;p=105,415,col;b=15,17"},
            {"A", "Simplex", cswNum * Expr::par("acpNum"), {}, {}, "i=bus;p=415,415,col;b=15,17"},
            {"Csw",
             "CacheSwitch",
             cswNum,
             {copy_par("chipNum"), copy_par("acpNum")},
             {{"from_chip", Expr::par("chipNum")},
              {"to_chip", Expr::par("chipNum")},
              {"from_acp", Expr::par("acpNum")},
              {"to_acp", Expr::par("acpNum")}},
             "i=cpu;p=210,325,row,100;b=50,50"},
        },
        {
            per_switch("busNum", GateRef::self("from_ctrlmem", m), GateRef::element("M", m, "from_cpu"), CTRLMEM),
            per_switch("busNum", GateRef::element("M", m, "to_csw"), GateRef::element("BS", i, "from_bus", j)),
            per_switch("busNum", GateRef::element("M", m, "to_cpu"), GateRef::self("to_ctrlmem", m)),
            per_switch("busNum", GateRef::element("BS", i, "to_bus", j), GateRef::element("M", m, "from_csw")),
            per_switch("chipNum", GateRef::self("from_chip", c), GateRef::element("C", c, "from_cpu"), CHIP),
            per_switch("chipNum", GateRef::element("C", c, "to_csw"), GateRef::element("Csw", i, "from_chip", j)),
            per_switch("chipNum", GateRef::element("C", c, "to_cpu"), GateRef::self("to_chip", c)),
            per_switch("chipNum", GateRef::element("Csw", i, "to_chip", j), GateRef::element("C", c, "from_csw")),
            {GateRef::element("Csw", i, "to_bs"), GateRef::element("BS", i, "from_cpu"), "", {}, 0, cswNum - 1},
            {GateRef::element("BS", i, "to_cpu"), GateRef::element("Csw", i, "from_bs"), "", {}, 0, cswNum - 1},
            per_switch("acpNum", GateRef::self("from_acp", a), GateRef::element("A", a, "from_cpu"), ACP),
            per_switch("acpNum", GateRef::element("A", a, "to_csw"), GateRef::element("Csw", i, "from_acp", j)),
            per_switch("acpNum", GateRef::element("A", a, "to_cpu"), GateRef::self("to_acp", a)),
            per_switch("acpNum", GateRef::element("Csw", i, "to_acp", j), GateRef::element("A", a, "from_csw")),
        },
        "o=#ffffff;p=10,10;b=505,620",
        false,
    };
    return desc;
}

} // namespace

Define_Module_Interface(CswFabric, fabricItems);
Define_Described_Compound(CswFabric, fabric_description());
