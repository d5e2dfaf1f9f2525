// Fabrics of several real switches around the host and storage device of
// the small SAN (SanBed.cc): the host on port 0 of "Sw1", the storage
// board on port 0 of the last switch, the switches joined on their other
// ports. Each root is a network of its own for SanBedTest.
//
// Cables of 1e-6 s give a cost factor of 1; one of 5e-5 s (15 km) gives 2.

#include <vector>

#include "network/CompoundBuilder.h"
#include "network/SiteLayout.h"
#include "tests/shared/TestRoot.h"

namespace {

const char* const cableColour = "o=#ffffff";
const Expr shortCable(1e-6);
const Expr longCable(5e-5);

SubmoduleDescription fabric_switch(const char* name)
{
    return {name,      "FcSwitch", {}, {}, {{"link_in", Expr::own("swPortNum")}, {"link_out", Expr::own("swPortNum")}},
            "i=switch"};
}

CompoundDescription fabric(const std::vector<const char*>& switches, const std::vector<Cable>& links)
{
    std::vector<SubmoduleDescription> devices = {
        {"Host1",
         "SanBedHost",
         {},
         {},
         {{"link_in", Expr::own("nxPortNum")}, {"link_out", Expr::own("nxPortNum")}},
         "i=host"},
        {"Dev1",
         "SanBedStorage",
         {},
         {},
         {{"link_in", Expr::own("chipNum")}, {"link_out", Expr::own("chipNum")}},
         "i=array"},
    };
    for (const char* s : switches)
        devices.push_back(fabric_switch(s));
    return CompoundDescription{devices, cables(links), "", false};
}

// Sw1 = Sw2 on port 1 of each; the board on Sw2.
const CompoundDescription pairDesc = fabric({"Sw1", "Sw2"}, {{"Host1", 0, "Sw1", 0, cableColour, shortCable},
                                                             {"Dev1", 0, "Sw2", 0, cableColour, shortCable},
                                                             {"Sw1", 1, "Sw2", 1, cableColour, shortCable}});

// Sw1 = Sw2 on ports 1 and on ports 2: a trunk of two links.
const CompoundDescription twinDesc = fabric({"Sw1", "Sw2"}, {{"Host1", 0, "Sw1", 0, cableColour, shortCable},
                                                             {"Dev1", 0, "Sw2", 0, cableColour, shortCable},
                                                             {"Sw1", 1, "Sw2", 1, cableColour, shortCable},
                                                             {"Sw1", 2, "Sw2", 2, cableColour, shortCable}});

// Sw1 - Sw2 - Sw3 in a line; the board on Sw3.
const CompoundDescription lineDesc = fabric({"Sw1", "Sw2", "Sw3"}, {{"Host1", 0, "Sw1", 0, cableColour, shortCable},
                                                                    {"Dev1", 0, "Sw3", 0, cableColour, shortCable},
                                                                    {"Sw1", 1, "Sw2", 1, cableColour, shortCable},
                                                                    {"Sw2", 2, "Sw3", 1, cableColour, shortCable}});

// The line closed into a triangle by a long link from Sw1 port 2 to Sw3
// port 2, which costs as much as the two short hops through Sw2.
const CompoundDescription triangleDesc = fabric({"Sw1", "Sw2", "Sw3"}, {{"Host1", 0, "Sw1", 0, cableColour, shortCable},
                                                                        {"Dev1", 0, "Sw3", 0, cableColour, shortCable},
                                                                        {"Sw1", 1, "Sw2", 1, cableColour, shortCable},
                                                                        {"Sw2", 2, "Sw3", 1, cableColour, shortCable},
                                                                        {"Sw1", 2, "Sw3", 2, cableColour, longCable}});

} // namespace

Define_Module_Interface(FabricPair, test_root_items());
Define_Described_Compound(FabricPair, pairDesc);
Define_Module_Interface(FabricTwin, test_root_items());
Define_Described_Compound(FabricTwin, twinDesc);
Define_Module_Interface(FabricLine, test_root_items());
Define_Described_Compound(FabricLine, lineDesc);
Define_Module_Interface(FabricTriangle, test_root_items());
Define_Described_Compound(FabricTriangle, triangleDesc);
