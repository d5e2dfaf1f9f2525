// A client host: its node ports, the peripheral bus between them and their
// FC-4 layers, the processor that every FC-4 layer and the SCSI layer go
// through, the SCSI initiator, the I/O generator above it and the port
// statistics. The heartbeat gates are declared for the test bed and left
// unconnected.

#include "host/ClientHost.h"

#include <string>

#include "device/WarningsLog.h"
#include "network/CompoundBuilder.h"
#include "sim/Sim.h"

namespace {

const sDescrItem clientHostItems[] = {{'M', "default", nullptr, 0},      {'P', "confFile", "S", 0},
                                      {'P', "nxPortNum", "LDXFT", 0},    {'G', "link_in[]", nullptr, 'I'},
                                      {'G', "link_out[]", nullptr, 'O'}, {'G', "hb_in", nullptr, 'I'},
                                      {'G', "hb_out", nullptr, 'O'},     {'E', nullptr, nullptr, 0}};

const char* const cable = "o=#ffffff";

} // namespace

const CompoundDescription& client_host_description()
{
    static const CompoundDescription desc = [] {
        const Expr n = Expr::par("nxPortNum");
        const Expr i = Expr::index();
        const Expr last = n - 1;
        return CompoundDescription{
            {
                {"NxPort",
                 "NodePort",
                 n,
                 {set_long("sFact", 1), set_long("addressId", 0)},
                 {},
                 "i=nxport;p=580,170,col;b=32,32"},
                {"Hpc",
                 "PeripheralController",
                 {},
                 {},
                 {{"from_adapter", n}, {"to_adapter", n}, {"from_driver", n}, {"to_driver", n}},
                 "i=ctrl;p=440,220;b=50,50"},
                {"Fc4",
                 "Fc4Layer",
                 n,
                 {set_bool("flogiDone", false), set_bool("flogiLrDone", false), set_bool("nsRegDone", false)},
                 {},
                 "i=driver;p=320,170,col;b=50,50"},
                {"Cpu", "HostProcessor", {}, {}, {{"from_driver", n}, {"to_driver", n}}, "i=cpu;p=200,220;b=50,50"},
                {"Scsi", "ScsiLayer", {}, {}, {}, "i=scsi;p=80,220;b=50,50"},
                {"IoGen", "IoGenerator", {}, {}, {}, "i=iogen;p=200,320;b=50,50"},
                {"EeStat", "Fc2EeStat", {}, {}, {}, "i=eestat;p=200,120;b=50,50"},
            },
            {
                {GateRef::self("link_in", i), GateRef::element("NxPort", i, "link_in"), cable, {}, 0, last},
                {GateRef::element("NxPort", i, "link_out"), GateRef::self("link_out", i), cable, {}, 0, last},
                {GateRef::sub("Hpc", "to_adapter", i), GateRef::element("NxPort", i, "from_fc4"), "", {}, 0, last},
                {GateRef::element("NxPort", i, "to_fc4"), GateRef::sub("Hpc", "from_adapter", i), "", {}, 0, last},
                {GateRef::element("Fc4", i, "to_fc2"), GateRef::sub("Hpc", "from_driver", i), "", {}, 0, last},
                {GateRef::sub("Hpc", "to_driver", i), GateRef::element("Fc4", i, "from_fc2"), "", {}, 0, last},
                {GateRef::sub("Cpu", "to_driver", i), GateRef::element("Fc4", i, "from_ulp"), "", {}, 0, last},
                {GateRef::element("Fc4", i, "to_ulp"), GateRef::sub("Cpu", "from_driver", i), "", {}, 0, last},
                {GateRef::sub("Scsi", "to_llp"), GateRef::sub("Cpu", "from_scsi")},
                {GateRef::sub("Cpu", "to_scsi"), GateRef::sub("Scsi", "from_llp")},
                {GateRef::sub("Scsi", "to_iogen"), GateRef::sub("IoGen", "from_scsi")},
                {GateRef::sub("IoGen", "to_scsi"), GateRef::sub("Scsi", "from_iogen")},
            },
            "o=#ffffff;p=10,10;b=700,425",
            false,
        };
    }();
    return desc;
}

namespace {

// The host as its site placed it. The site's cables are fixed: a port that
// `nxPortNum` adds beyond them stays without a cable and never comes up,
// which the run alone would not show.
class ClientHost : public cCompoundModule {
  public:
    using cCompoundModule::cCompoundModule;
    const char* className() const override { return "ClientHost"; }
    void doBuildInside() override { build_compound(this, client_host_description()); }
    void initialize() override { warn_of_uncabled_ports(); }

  private:
    void warn_of_uncabled_ports()
    {
        const int ports = gateSize("link_out");
        int cabled = 0;
        std::string uncabled;
        for (int i = 0; i < ports; ++i) {
            if (gate("link_out", i)->isConnectedOutside())
                ++cabled;
            else
                uncabled += (uncabled.empty() ? "NxPort[" : ", NxPort[") + std::to_string(i) + "]";
        }
        if (cabled == ports)
            return;
        const cPar& setting = par("nxPortNum");
        const bool one = ports - cabled == 1;
        user_warning(this, setting.fullPath() + " = " + std::to_string(setting.longValue()) + " gives the host " +
                               std::to_string(ports) + " node port" + (ports == 1 ? "" : "s") +
                               ", but the test bed cables " + std::to_string(cabled) + " of them: " + uncabled +
                               (one ? " has no cable and never comes up" : " have no cable and never come up") +
                               ". The cabling is fixed; please set nxPortNum to at most " + std::to_string(cabled) +
                               " in the file \"omnetpp.ini\"");
    }
};

} // namespace

Define_Module_Interface(ClientHost, clientHostItems);
Define_Compound_Module(ClientHost);
