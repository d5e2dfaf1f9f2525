// The small SAN of the scenario tests as compound descriptions: the root
// "Velmora" of type SanBed (the run-wide parameters of the real test bed)
// holds a host "Host1", a switch "Sw1" and a storage device "Dev1" with one
// board; the host's port 0 is cabled to switch port 0 and the board's port to
// switch port 1.
//
// The host is built as a client host is, with a stand-in for its SCSI
// initiator. The switch ports stack the real FC-1, FC-2 and FC-4 link
// services with stand-ins for the port's FC-4 controller and the switch's
// centre. The board holds the real port, bus, FC-4 layer and statistics, with
// the shared test processor playing its processor and LUN controllers.

#include <vector>

#include "fc4/Fc4Layer.h"
#include "device/TaskTiming.h"
#include "network/CompoundBuilder.h"
#include "network/NetworkTestBed.h"
#include "network/SiteLayout.h"
#include "tests/shared/TestProcessor.h"

namespace {

const char* const cableColour = "o=#ffffff";

Expr each(const char* count)
{
    return Expr::par(count) - 1;
}

// ---- The host ------------------------------------------------------------------------

const sDescrItem hostItems[] = {{'M', "default", nullptr, 0},  {'P', "confFile", "S", 0},
                                {'P', "nxPortNum", "LDXFT", 0}, {'G', "link_in[]", nullptr, 'I'},
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
            {busName, "PeripheralController", {}, {},
             {{"from_adapter", n}, {"to_adapter", n}, {"from_driver", n}, {"to_driver", n}}, "i=ctrl"},
            {"Fc4", "Fc4Layer", n,
             {set_bool("flogiDone", false), set_bool("flogiLrDone", false), set_bool("nsRegDone", false)}, {},
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

const sDescrItem storageItems[] = {{'M', "default", nullptr, 0},  {'P', "confFile", "S", 0},
                                   {'P', "chipNum", "LDXFT", 0},   {'G', "link_in[]", nullptr, 'I'},
                                   {'G', "link_out[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

// One port per board, port c of the device on board c.
const CompoundDescription storageDesc = {
    {{"Chip", "SanBedBoard", Expr::par("chipNum"), {set_long("nxPortNum", 1)},
      {{"link_in", 1}, {"link_out", 1}}, "i=chip"}},
    {
        {GateRef::self("link_in", Expr::index()), GateRef::element("Chip", Expr::index(), "link_in", 0), cableColour,
         {}, 0, each("chipNum")},
        {GateRef::element("Chip", Expr::index(), "link_out", 0), GateRef::self("link_out", Expr::index()),
         cableColour, {}, 0, each("chipNum")},
    },
    "",
    false,
};

const sDescrItem boardItems[] = {{'M', "default", nullptr, 0}, {'P', "nxPortNum", "LDXFT", 0},
                                 {'G', "link_in[]", nullptr, 'I'}, {'G', "link_out[]", nullptr, 'O'},
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
        auto* cpu = new TestProcessor("ChipCpu", this, n, &boardFc4Task, &boardFc4Task, &boardFcpTask,
                                      &boardFcpTask, boardClock);
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

// ---- The switch -----------------------------------------------------------------------

const sDescrItem switchItems[] = {{'M', "default", nullptr, 0},      {'P', "confFile", "S", 0},
                                  {'P', "swPortNum", "LDXFT", 0},     {'P', "domainId", "LDXFT", 0},
                                  {'P', "raTov", "LDXFT", 0},         {'P', "edTov", "LDXFT", 0},
                                  {'G', "link_in[]", nullptr, 'I'},   {'G', "link_out[]", nullptr, 'O'},
                                  {'E', nullptr, nullptr, 0}};

const CompoundDescription switchDesc = [] {
    const Expr i = Expr::index();
    const Expr last = each("swPortNum");
    const Expr n = Expr::par("swPortNum");
    return CompoundDescription{
        {
            {"SwPort", "SanBedSwitchPort", n, {set_long("sFact", 1)}, {}, "i=swport"},
            {"SwCtrlCtr", "SwitchCentreStandIn", {}, {},
             {{"from_fc2", n}, {"to_fc2", n}, {"from_fc4", n}, {"to_fc4", n}}, "i=cpu"},
        },
        {
            {GateRef::self("link_in", i), GateRef::element("SwPort", i, "link_in"), cableColour, {}, 0, last},
            {GateRef::element("SwPort", i, "link_out"), GateRef::self("link_out", i), cableColour, {}, 0, last},
            {GateRef::sub("SwCtrlCtr", "to_fc2", i), GateRef::element("SwPort", i, "from_swctrl"), "", {}, 0, last},
            {GateRef::element("SwPort", i, "to_swctrl"), GateRef::sub("SwCtrlCtr", "from_fc2", i), "", {}, 0, last},
            {GateRef::sub("SwCtrlCtr", "to_fc4", i), GateRef::element("SwPort", i, "from_centre"), "", {}, 0, last},
            {GateRef::element("SwPort", i, "to_centre"), GateRef::sub("SwCtrlCtr", "from_fc4", i), "", {}, 0, last},
        },
        "",
        true,
    };
}();

// A switch port reaches the centre on two gate pairs, FC-2's frames and
// FC-4's name-server traffic, where the real port has one transport.
const sDescrItem switchPortItems[] = {{'M', "default", nullptr, 0},     {'P', "sFact", "LDXFT", 0},
                                      {'G', "link_in", nullptr, 'I'},    {'G', "link_out", nullptr, 'O'},
                                      {'G', "from_swctrl", nullptr, 'I'}, {'G', "to_swctrl", nullptr, 'O'},
                                      {'G', "from_centre", nullptr, 'I'}, {'G', "to_centre", nullptr, 'O'},
                                      {'E', nullptr, nullptr, 0}};

const CompoundDescription switchPortDesc = {
    {
        {"Fc1", "Fc1Layer", {}, {}, {}, "i=ctrl"},
        {"Fc2", "Fc2Layer", {}, {set_long("currOxId", 0), set_long("currRxId", 0)}, {}, "i=ctrl"},
        {"Fc4", "SanBedSwitchFc4Layer", {}, {set_bool("elpDone", false), set_bool("elpLrDone", false)}, {},
         "i=ctrl"},
    },
    {
        {GateRef::self("link_in"), GateRef::sub("Fc1", "link_in"), cableColour},
        {GateRef::sub("Fc1", "link_out"), GateRef::self("link_out"), cableColour},
        {GateRef::sub("Fc2", "to_fc1"), GateRef::sub("Fc1", "from_fc2")},
        {GateRef::sub("Fc1", "to_fc2"), GateRef::sub("Fc2", "from_fc1")},
        {GateRef::sub("Fc4", "to_fc2"), GateRef::sub("Fc2", "from_fc4")},
        {GateRef::sub("Fc2", "to_fc4"), GateRef::sub("Fc4", "from_fc2")},
        {GateRef::sub("Fc2", "to_swctrl"), GateRef::self("to_swctrl")},
        {GateRef::self("from_swctrl"), GateRef::sub("Fc2", "from_swctrl")},
        {GateRef::sub("Fc4", "to_swctrl"), GateRef::self("to_centre")},
        {GateRef::self("from_centre"), GateRef::sub("Fc4", "from_swctrl")},
    },
    "",
    true,
};

const sDescrItem switchFc4LayerItems[] = {{'M', "default", nullptr, 0},     {'P', "elpDone", "B", 0},
                                          {'P', "elpLrDone", "B", 0},       {'G', "from_fc2", nullptr, 'I'},
                                          {'G', "to_fc2", nullptr, 'O'},     {'G', "from_swctrl", nullptr, 'I'},
                                          {'G', "to_swctrl", nullptr, 'O'},  {'E', nullptr, nullptr, 0}};

// A switch port's FC-4 layer: the node port's layer with the stand-in as its
// controller and the switch-control gates in place of the upper-layer ones.
const CompoundDescription switchFc4LayerDesc = [] {
    CompoundDescription desc = fc4_layer_description();
    for (SubmoduleDescription& sub : desc.submodules) {
        if (sub.name == "Fc4Ctrl") {
            sub.type = "SwitchFc4StandIn";
            sub.displayString = "i=asic";
        } else {
            sub.displayString = "i=swfc4";
        }
    }
    for (ConnectionDescription& conn : desc.connections) {
        for (GateRef* end : {&conn.from, &conn.to}) {
            if (end->gate == "from_ulp")
                end->gate = "from_swctrl";
            else if (end->gate == "to_ulp")
                end->gate = "to_swctrl";
        }
    }
    desc.displayString.clear();
    desc.checkInternalConnections = true;
    return desc;
}();

// ---- The root ---------------------------------------------------------------------------

const std::vector<sDescrItem>& root_items()
{
    static const std::vector<sDescrItem> items = [] {
        std::vector<sDescrItem> v{{'M', "default", nullptr, 0}};
        for (const RootParamDecl& p : root_parameters())
            v.push_back({'P', p.name, p.types, 0});
        v.push_back({'E', nullptr, nullptr, 0});
        return v;
    }();
    return items;
}

const CompoundDescription sanDesc = [] {
    std::vector<SubmoduleDescription> devices = {
        {"Host1", "SanBedHost", {}, {}, {{"link_in", Expr::own("nxPortNum")}, {"link_out", Expr::own("nxPortNum")}},
         "i=host"},
        {"Sw1", "SanBedSwitch", {}, {}, {{"link_in", Expr::own("swPortNum")}, {"link_out", Expr::own("swPortNum")}},
         "i=switch"},
        {"Dev1", "SanBedStorage", {}, {}, {{"link_in", Expr::own("chipNum")}, {"link_out", Expr::own("chipNum")}},
         "i=array"},
    };
    // 300 m of fibre between each device and the switch.
    return CompoundDescription{devices,
                               cables({{"Host1", 0, "Sw1", 0, cableColour, Expr(1e-6)},
                                       {"Dev1", 0, "Sw1", 1, cableColour, Expr(1e-6)}}),
                               "", false};
}();

} // namespace

Define_Module_Interface(SanBedHost, hostItems);
Define_Described_Compound(SanBedHost, hostDesc);
Define_Module_Interface(SanBedStorage, storageItems);
Define_Described_Compound(SanBedStorage, storageDesc);
Define_Module_Interface(SanBedBoard, boardItems);
Define_Compound_Module(SanBedBoard);
Define_Module_Interface(SanBedSwitch, switchItems);
Define_Described_Compound(SanBedSwitch, switchDesc);
Define_Module_Interface(SanBedSwitchPort, switchPortItems);
Define_Described_Compound(SanBedSwitchPort, switchPortDesc);
Define_Module_Interface(SanBedSwitchFc4Layer, switchFc4LayerItems);
Define_Described_Compound(SanBedSwitchFc4Layer, switchFc4LayerDesc);
Define_Module_Interface(SanBed, root_items().data());
Define_Described_Compound(SanBed, sanDesc);
