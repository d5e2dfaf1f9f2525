#include "tests/network/StandInDevices.h"

#include "network/CompoundBuilder.h"
#include "sim/Sim.h"

std::vector<Arrival> arrivals;

namespace {

class StandInPort : public cSimpleModule {
  public:
    using cSimpleModule::cSimpleModule;
    void activity() override
    {
        if (gate("out")->isRouteOK())
            send(new cMessage(fullPath().c_str()), "out");
        for (;;) {
            cMessage* msg = receive();
            arrivals.push_back({fullPath(), msg->name(), simTime()});
            delete msg;
        }
    }
};

const sDescrItem portItems[] = {
    {'M', "default", nullptr, 0}, {'G', "in", nullptr, 'I'}, {'G', "out", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

const sDescrItem hostItems[] = {{'M', "default", nullptr, 0},      {'P', "confFile", "S", 0},
                                {'P', "nxPortNum", "LDXFT", 0},    {'G', "link_in[]", nullptr, 'I'},
                                {'G', "link_out[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};
const sDescrItem switchItems[] = {{'M', "default", nullptr, 0},      {'P', "confFile", "S", 0},
                                  {'P', "swPortNum", "LDXFT", 0},    {'G', "link_in[]", nullptr, 'I'},
                                  {'G', "link_out[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};
const sDescrItem deviceItems[] = {
    {'M', "default", nullptr, 0},      {'P', "confFile", "S", 0},         {'P', "chipNxPortNum", "LDXFT", 0},
    {'P', "chipNum", "LDXFT", 0},      {'P', "acpNum", "LDXFT", 0},       {'P', "busNum", "LDXFT", 0},
    {'P', "cswNum", "LDXFT", 0},       {'P', "acpArrGrpNum", "LDXFT", 0}, {'G', "link_in[]", nullptr, 'I'},
    {'G', "link_out[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

CompoundDescription ports_of(Expr count, bool checked)
{
    return CompoundDescription{
        {{"Port", "StandInPort", count, {}, {}, "i=port"}},
        {{GateRef::self("link_in", Expr::index()), GateRef::element("Port", Expr::index(), "in"), "", {}, 0, count - 1},
         {GateRef::element("Port", Expr::index(), "out"),
          GateRef::self("link_out", Expr::index()),
          "",
          {},
          0,
          count - 1}},
        "b=40,40",
        checked,
    };
}

const CompoundDescription hostDesc = ports_of(Expr::par("nxPortNum"), false);
const CompoundDescription switchDesc = ports_of(Expr::par("swPortNum"), true);
const CompoundDescription deviceDesc = ports_of(Expr::par("chipNxPortNum") * Expr::par("chipNum"), true);

} // namespace

Define_Module_Interface(StandInPort, portItems);
Define_Module(StandInPort, 16384);
Define_Module_Interface(ClientHost, hostItems);
Define_Described_Compound(ClientHost, hostDesc);
Define_Module_Interface(FcSwitch, switchItems);
Define_Described_Compound(FcSwitch, switchDesc);
Define_Module_Interface(StorageDevice, deviceItems);
Define_Described_Compound(StorageDevice, deviceDesc);
