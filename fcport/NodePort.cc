#include "fcport/NodePort.h"

#include "network/CompoundBuilder.h"

// The N_Port of a host or a storage array board: FC-1 and FC-2 side by side,
// the cable outward and the FC-4 gates towards the device's FC-4 layer, which
// sits beside the port in the device. `addressId` is the port's N_Port
// identifier once fabric login has given one (0 before); other modules read
// it by path. The device names its ports "NxPort", which the exchange engine
// and the statistics module rely on.

const sDescrItem nodePortItems[] = {{'M', "default", nullptr, 0},    {'P', "sFact", "LDXFT", 0},
                                    {'P', "addressId", "LDXFT", 0},  {'G', "link_in", nullptr, 'I'},
                                    {'G', "link_out", nullptr, 'O'}, {'G', "from_fc4", nullptr, 'I'},
                                    {'G', "to_fc4", nullptr, 'O'},   {'E', nullptr, nullptr, 0}};

const CompoundDescription& node_port_description()
{
    static const CompoundDescription desc = {
        {
            {"Fc1", "Fc1Layer", {}, {}, {}, "i=ctrl;p=255,140;b=50,50"},
            {"Fc2", "Fc2Layer", {}, {set_long("currOxId", 0), set_long("currRxId", 0)}, {}, "i=ctrl;p=115,140;b=50,50"},
        },
        {
            {GateRef::self("link_in"), GateRef::sub("Fc1", "link_in"), "o=#ffffff"},
            {GateRef::sub("Fc1", "link_out"), GateRef::self("link_out"), "o=#ffffff"},
            {GateRef::self("from_fc4"), GateRef::sub("Fc2", "from_fc4")},
            {GateRef::sub("Fc2", "to_fc4"), GateRef::self("to_fc4")},
            {GateRef::sub("Fc2", "to_fc1"), GateRef::sub("Fc1", "from_fc2")},
            {GateRef::sub("Fc1", "to_fc2"), GateRef::sub("Fc2", "from_fc1")},
        },
        "o=#ffffff;p=10,10;b=355,245",
        false,
    };
    return desc;
}

Define_Module_Interface(NodePort, nodePortItems);
Define_Described_Compound(NodePort, node_port_description());
