// The networks of the SCSI initiator scenarios: a root "Velmora" with the
// run-wide parameters of the real test bed, a host "Host1" built as a client
// host is (node ports, FC-4 layers, bus, processor, the real SCSI layer and a
// stand-in generator, or a real ClientHost), the fabric switch "Sw1" and the
// storage device "Dev1" whose boards play the targets. Layouts: one host port
// and one board (with either host), one host port and two boards (two paths
// from one port), two host ports and one board (one path from each port). Host port i is cabled to switch
// port i and board c to the switch port after the host's.

#include "tests/host/ScsiBed.h"

#include <vector>

#include "host/ClientHost.h"
#include "network/CompoundBuilder.h"
#include "network/NetworkTestBed.h"
#include "network/SiteLayout.h"
#include "network/Velmora.h"
#include "tests/host/ScsiBedFabric.h"
#include "tests/shared/TestRoot.h"

namespace {

const char* const cableColour = "o=#ffffff";

const sDescrItem hostItems[] = {{'M', "default", nullptr, 0},      {'P', "confFile", "S", 0},
                                {'P', "nxPortNum", "LDXFT", 0},    {'G', "link_in[]", nullptr, 'I'},
                                {'G', "link_out[]", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

// The real client host with the generator played by the stand-in.
const CompoundDescription hostDesc = [] {
    CompoundDescription d = client_host_description();
    for (SubmoduleDescription& sub : d.submodules)
        if (sub.name == "IoGen")
            sub.type = "IoGeneratorStandIn";
    return d;
}();

CompoundDescription bed(int hostPorts, int boards, const char* hostType = "ScsiBedHost")
{
    std::vector<SubmoduleDescription> devices = {
        {"Host1",
         hostType,
         {},
         {},
         {{"link_in", Expr::own("nxPortNum")}, {"link_out", Expr::own("nxPortNum")}},
         "i=host"},
        {"Sw1",
         fabric_switch_type(),
         {},
         {},
         {{"link_in", Expr::own("swPortNum")}, {"link_out", Expr::own("swPortNum")}},
         "i=switch"},
        {"Dev1",
         target_storage_type(),
         {},
         {},
         {{"link_in", Expr::own("chipNum")}, {"link_out", Expr::own("chipNum")}},
         "i=array"},
    };
    std::vector<Cable> wiring;
    for (int i = 0; i < hostPorts; ++i)
        wiring.push_back({"Host1", i, "Sw1", i, cableColour, Expr(1e-6)});
    for (int c = 0; c < boards; ++c)
        wiring.push_back({"Dev1", c, "Sw1", hostPorts + c, cableColour, Expr(1e-6)});
    return CompoundDescription{devices, cables(wiring), "", false};
}

const CompoundDescription bed1x1 = bed(1, 1);
const CompoundDescription bed1x2 = bed(1, 2);
const CompoundDescription bed2x1 = bed(2, 1);
const CompoundDescription bedClient = bed(1, 1, "ClientHost");

void setUp1x1()
{
    setup_root("ScsiBed1x1");
}
void setUp1x2()
{
    setup_root("ScsiBed1x2");
}
void setUp2x1()
{
    setup_root("ScsiBed2x1");
}
void setUpClient()
{
    setup_root("ScsiBedClient");
}

cNetworkType net1x1("ScsiBed1x1Network", setUp1x1);
cNetworkType net1x2("ScsiBed1x2Network", setUp1x2);
cNetworkType net2x1("ScsiBed2x1Network", setUp2x1);
cNetworkType netClient("ScsiBedClientNetwork", setUpClient);

} // namespace

cNetworkType* scsi_bed_network(int hostPorts, int boards, bool clientHost)
{
    if (clientHost)
        return &netClient;
    if (hostPorts == 2)
        return &net2x1;
    return boards == 2 ? &net1x2 : &net1x1;
}

Define_Module_Interface(ScsiBedHost, hostItems);
Define_Described_Compound(ScsiBedHost, hostDesc);
Define_Module_Interface(ScsiBed1x1, test_root_items());
Define_Described_Compound(ScsiBed1x1, bed1x1);
Define_Module_Interface(ScsiBed1x2, test_root_items());
Define_Described_Compound(ScsiBed1x2, bed1x2);
Define_Module_Interface(ScsiBed2x1, test_root_items());
Define_Described_Compound(ScsiBed2x1, bed2x1);
Define_Module_Interface(ScsiBedClient, test_root_items());
Define_Described_Compound(ScsiBedClient, bedClient);
