// The small SAN of the scenario tests as compound descriptions: the root
// "Velmora" of type SanBed (the run-wide parameters of the real test bed)
// holds a host "Host1", a switch "Sw1" and a storage device "Dev1" with one
// board; the host's port 0 is cabled to switch port 0 and the board's port to
// switch port 1.
//
// The host is built as a client host is, with a stand-in for its SCSI
// initiator. The switch is the real one, centre and all. The board holds the real port, bus, FC-4 layer and statistics,
// with the shared test processor playing its processor and LUN controllers.

#include <vector>

#include "device/TaskTiming.h"
#include "network/CompoundBuilder.h"
#include "network/NetworkTestBed.h"
#include "network/SiteLayout.h"
#include "tests/shared/TestProcessor.h"
#include "tests/shared/TestRoot.h"

namespace {

const char* const cableColour = "o=#ffffff";

Expr each(const char* count)
{
    return Expr::par(count) - 1;
}

// ---- The host ------------------------------------------------------------------------

const sDescrItem hostItems[] = {{'M', "default", nullptr, 0},      {'P', "confFile", "S", 0},
                                {'P', "nxPortNum", "LDXFT", 0},    {'G', "link_in[]", nullptr, 'I'},
                                {'G', "link_out[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

// A device's node ports with their FC-4 layers, bus and statistics: what a
// client host and a storage board have in common.
CompoundDescription node_device(const char* busName, const std::vector<SubmoduleDescription>& more,
                                const std::vector<ConnectionDescription>& moreConnections)
{
    const Expr n = Expr::par("nxPortNum");
    const Expr i = Expr::index();
    CompoundDescription d{
        {
            {"NxPort", "NodePort", n, {set_long("sFact", 1), set_long("addressId", 0)}, {}, "i=nxport"},
            {busName,
             "PeripheralController",
             {},
             {},
             {{"from_adapter", n}, {"to_adapter", n}, {"from_driver", n}, {"to_driver", n}},
             "i=ctrl"},
            {"Fc4",
             "Fc4Layer",
             n,
             {set_bool("flogiDone", false), set_bool("flogiLrDone", false), set_bool("nsRegDone", false)},
             {},
             "i=driver"},
            {"EeStat", "Fc2EeStat", {}, {}, {}, "i=eestat"},
        },
        {
            {GateRef::self("link_in", i), GateRef::element("NxPort", i, "link_in"), cableColour, {}, 0, n - 1},
            {GateRef::element("NxPort", i, "link_out"), GateRef::self("link_out", i), cableColour, {}, 0, n - 1},
            {GateRef::sub(busName, "to_adapter", i), GateRef::element("NxPort", i, "from_fc4"), "", {}, 0, n - 1},
            {GateRef::element("NxPort", i, "to_fc4"), GateRef::sub(busName, "from_adapter", i), "", {}, 0, n - 1},
            {GateRef::element("Fc4", i, "to_fc2"), GateRef::sub(busName, "from_driver", i), "", {}, 0, n - 1},
            {GateRef::sub(busName, "to_driver", i), GateRef::element("Fc4", i, "from_fc2"), "", {}, 0, n - 1},
        },
        "",
        false,
    };
    d.submodules.insert(d.submodules.end(), more.begin(), more.end());
    d.connections.insert(d.connections.end(), moreConnections.begin(), moreConnections.end());
    return d;
}

const CompoundDescription hostDesc = [] {
    const Expr n = Expr::par("nxPortNum");
    const Expr i = Expr::index();
    return node_device(
        "Hpc",
        {
            {"Cpu", "HostProcessor", {}, {}, {{"from_driver", n}, {"to_driver", n}}, "i=cpu"},
            {"Scsi", "ScsiInitiatorStandIn", {}, {}, {}, "i=scsi"},
        },
        {
            {GateRef::sub("Cpu", "to_driver", i), GateRef::element("Fc4", i, "from_ulp"), "", {}, 0, n - 1},
            {GateRef::element("Fc4", i, "to_ulp"), GateRef::sub("Cpu", "from_driver", i), "", {}, 0, n - 1},
            {GateRef::sub("Scsi", "to_llp"), GateRef::sub("Cpu", "from_scsi")},
            {GateRef::sub("Cpu", "to_scsi"), GateRef::sub("Scsi", "from_llp")},
        });
}();

// ---- The storage device and its board -----------------------------------------------------

const sDescrItem storageItems[] = {{'M', "default", nullptr, 0},      {'P', "confFile", "S", 0},
                                   {'P', "chipNum", "LDXFT", 0},      {'G', "link_in[]", nullptr, 'I'},
                                   {'G', "link_out[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

// One port per board, port c of the device on board c.
const CompoundDescription storageDesc = {
    {{"Chip",
      "SanBedBoard",
      Expr::par("chipNum"),
      {set_long("nxPortNum", 1)},
      {{"link_in", 1}, {"link_out", 1}},
      "i=chip"}},
    {
        {GateRef::self("link_in", Expr::index()),
         GateRef::element("Chip", Expr::index(), "link_in", 0),
         cableColour,
         {},
         0,
         each("chipNum")},
        {GateRef::element("Chip", Expr::index(), "link_out", 0),
         GateRef::self("link_out", Expr::index()),
         cableColour,
         {},
         0,
         each("chipNum")},
    },
    "",
    false,
};

const sDescrItem boardItems[] = {{'M', "default", nullptr, 0},
                                 {'P', "nxPortNum", "LDXFT", 0},
                                 {'G', "link_in[]", nullptr, 'I'},
                                 {'G', "link_out[]", nullptr, 'O'},
                                 {'E', nullptr, nullptr, 0}};

const CompoundDescription boardDesc = node_device("Cpc", {}, {});

// The board processor's model: 100 MHz, FC-4 units 20 us, FCP units 10 us.
const TaskTiming boardFc4Task{1000, 0, 1, 0, 1, 0};
const TaskTiming boardFcpTask{500, 0, 1, 0, 1, 0};
constexpr double boardClock = 100;

// A storage board whose processor is the shared test processor, which also
// sets the board bus's width and clock as the board's processor would.
class SanBedBoard : public cCompoundModule {
  public:
    using cCompoundModule::cCompoundModule;
    const char* className() const override { return "SanBedBoard"; }
    void doBuildInside() override
    {
        build_compound(this, boardDesc);
        const int n = static_cast<int>(par("nxPortNum").longValue());
        auto* cpu = new TestProcessor("ChipCpu", this, n, &boardFc4Task, &boardFc4Task, &boardFcpTask, &boardFcpTask,
                                      boardClock);
        for (int i = 0; i < n; ++i) {
            cModule* fc4 = submodule("Fc4", i);
            fc4->gate("to_ulp")->connectTo(cpu->gate("driver_in", i));
            cpu->gate("driver_out", i)->connectTo(fc4->gate("from_ulp"));
        }
        cModule* bus = submodule("Cpc");
        bus->addPar("busWidth").setDoubleValue(64);
        bus->addPar("busClock").setDoubleValue(100);
    }
};

// ---- The root ---------------------------------------------------------------------------

const CompoundDescription sanDesc = [] {
    std::vector<SubmoduleDescription> devices = {
        {"Host1",
         "SanBedHost",
         {},
         {},
         {{"link_in", Expr::own("nxPortNum")}, {"link_out", Expr::own("nxPortNum")}},
         "i=host"},
        {"Sw1",
         "FcSwitch",
         {},
         {},
         {{"link_in", Expr::own("swPortNum")}, {"link_out", Expr::own("swPortNum")}},
         "i=switch"},
        {"Dev1",
         "SanBedStorage",
         {},
         {},
         {{"link_in", Expr::own("chipNum")}, {"link_out", Expr::own("chipNum")}},
         "i=array"},
    };
    // 300 m of fibre between each device and the switch.
    return CompoundDescription{
        devices,
        cables({{"Host1", 0, "Sw1", 0, cableColour, Expr(1e-6)}, {"Dev1", 0, "Sw1", 1, cableColour, Expr(1e-6)}}), "",
        false};
}();

} // namespace

Define_Module_Interface(SanBedHost, hostItems);
Define_Described_Compound(SanBedHost, hostDesc);
Define_Module_Interface(SanBedStorage, storageItems);
Define_Described_Compound(SanBedStorage, storageDesc);
Define_Module_Interface(SanBedBoard, boardItems);
Define_Compound_Module(SanBedBoard);
Define_Module_Interface(SanBed, test_root_items());
Define_Described_Compound(SanBed, sanDesc);
