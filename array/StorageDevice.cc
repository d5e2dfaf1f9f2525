#include "network/CompoundBuilder.h"

// A disk storage array: its host-interface boards Chip[] with the fabric
// links of all their node ports, the cache-switch fabric, the control memory
// and cache, and the array control processor boards Acp[]. Every board has a
// control path to the control memory and a data path to each cache switch;
// the control memory reaches the fabric over cswNum x busNum buses. All
// boards are complete before the fabric is created, and the array control
// processors come last.
//
// Device link i * chipNxPortNum + j is node port j of board i; board i's
// path to cache switch j is fabric gate j * chipNum + i (j * acpNum + i for
// an array control processor); control-memory bus k is the same index on
// both sides.

namespace {

const sDescrItem deviceItems[] = {
    {'M', "default", nullptr, 0},      {'P', "confFile", "S", 0},         {'P', "chipNxPortNum", "LDXFT", 0},
    {'P', "chipNum", "LDXFT", 0},      {'P', "acpNum", "LDXFT", 0},       {'P', "busNum", "LDXFT", 0},
    {'P', "cswNum", "LDXFT", 0},       {'P', "acpArrGrpNum", "LDXFT", 0}, {'G', "link_in[]", nullptr, 'I'},
    {'G', "link_out[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

ConnectionDescription board_by(const char* outer, const char* inner, GateRef from, GateRef to,
                               const char* displayString)
{
    return nested_loop(std::move(from), std::move(to), displayString, 0, Expr::par(outer) - 1, 0, Expr::par(inner) - 1);
}

ConnectionDescription each(const char* count, GateRef from, GateRef to, const char* displayString)
{
    return {std::move(from), std::move(to), displayString, {}, 0, Expr::par(count) - 1};
}

const CompoundDescription& device_description()
{
    const Expr i = Expr::index();
    const Expr j = Expr::inner();
    const Expr link = i * Expr::par("chipNxPortNum") + j;
    const Expr chipCsw = j * Expr::par("chipNum") + i;
    const Expr acpCsw = j * Expr::par("acpNum") + i;
    const Expr cswNum = Expr::par("cswNum");
    const Expr buses = Expr::par("cswNum") * Expr::par("busNum");
    static const CompoundDescription desc = {
        {
            {"Chip",
             "ClientHostInterfaceProcessor",
             Expr::par("chipNum"),
             {copy_par("cswNum"), copy_par("nxPortNum", "chipNxPortNum")},
             {{"from_csw", cswNum},
              {"to_csw", cswNum},
              {"link_in", Expr::par("chipNxPortNum")},
              {"link_out", Expr::par("chipNxPortNum")}},
             "i=chip;p=160,205,col,75;b=100,30"},
            {"CswFab",
             "CswFabric",
             {},
             {copy_par("chipNum"), copy_par("acpNum"), copy_par("cswNum"), copy_par("busNum")},
             {{"from_ctrlmem", buses},
              {"to_ctrlmem", buses},
              {"from_chip", Expr::par("chipNum") * cswNum},
              {"to_chip", Expr::par("chipNum") * cswNum},
              {"from_acp", Expr::par("acpNum") * cswNum},
              {"to_acp", Expr::par("acpNum") * cswNum}},
             "i=csw;p=360,400;b=100,30"},
            {"CtrlMemCch",
             "ControlMemoryAndCache",
             {},
             {copy_par("chipNum"), copy_par("acpNum"), copy_par("cswNum"), copy_par("busNum")},
             {{"from_chip", Expr::par("chipNum")},
              {"to_chip", Expr::par("chipNum")},
              {"from_acp", Expr::par("acpNum")},
              {"to_acp", Expr::par("acpNum")},
              {"from_csw", buses},
              {"to_csw", buses}},
             "i=ctrlmemcch;p=360,135;b=100,30"},
            {"Acp",
             "ArrayControlProcessor",
             Expr::par("acpNum"),
             {copy_par("cswNum"), copy_par("arrGrpNum", "acpArrGrpNum")},
             {{"from_csw", cswNum}, {"to_csw", cswNum}},
             "i=acp;p=560,205,col,75;b=100,30"},
        },
        {
            board_by("chipNum", "chipNxPortNum", GateRef::self("link_in", link),
                     GateRef::element("Chip", i, "link_in", j), "o=#ffffff"),
            board_by("chipNum", "chipNxPortNum", GateRef::element("Chip", i, "link_out", j),
                     GateRef::self("link_out", link), "o=#ffffff"),
            each("chipNum", GateRef::sub("CtrlMemCch", "to_chip", i), GateRef::element("Chip", i, "from_ctrlmem"),
                 "o=#008040"),
            each("chipNum", GateRef::element("Chip", i, "to_ctrlmem"), GateRef::sub("CtrlMemCch", "from_chip", i),
                 "o=#008040"),
            each("acpNum", GateRef::sub("CtrlMemCch", "to_acp", i), GateRef::element("Acp", i, "from_ctrlmem"),
                 "o=#008040"),
            each("acpNum", GateRef::element("Acp", i, "to_ctrlmem"), GateRef::sub("CtrlMemCch", "from_acp", i),
                 "o=#008040"),
            board_by("chipNum", "cswNum", GateRef::sub("CswFab", "to_chip", chipCsw),
                     GateRef::element("Chip", i, "from_csw", j), "o=#0000ff,3"),
            board_by("chipNum", "cswNum", GateRef::element("Chip", i, "to_csw", j),
                     GateRef::sub("CswFab", "from_chip", chipCsw), "o=#0000ff,3"),
            board_by("acpNum", "cswNum", GateRef::sub("CswFab", "to_acp", acpCsw),
                     GateRef::element("Acp", i, "from_csw", j), "o=#ff80c0,3"),
            board_by("acpNum", "cswNum", GateRef::element("Acp", i, "to_csw", j),
                     GateRef::sub("CswFab", "from_acp", acpCsw), "o=#ff80c0,3"),
            {GateRef::sub("CtrlMemCch", "to_csw", i),
             GateRef::sub("CswFab", "from_ctrlmem", i),
             "o=#808000,2",
             {},
             0,
             buses - 1},
            {GateRef::sub("CswFab", "to_ctrlmem", i),
             GateRef::sub("CtrlMemCch", "from_csw", i),
             "o=#808000,2",
             {},
             0,
             buses - 1},
        },
        "o=#ffffff;p=10,10;b=650,550",
        true,
    };
    return desc;
}

} // namespace

Define_Module_Interface(StorageDevice, deviceItems);
Define_Described_Compound(StorageDevice, device_description());
