#include "network/CompoundBuilder.h"

// An array group of an array control processor board: its arbitrated-loop
// port FcAl towards the board's peripheral bus. The group's disks Disk[]
// are not part of the description: the port creates them beside itself at
// initialisation, as many as the group's row of the array file asks for.

namespace {

const sDescrItem groupItems[] = {{'M', "default", nullptr, 0},
                                 {'G', "from_driver", nullptr, 'I'},
                                 {'G', "to_driver", nullptr, 'O'},
                                 {'E', nullptr, nullptr, 0}};

const CompoundDescription& group_description()
{
    static const CompoundDescription desc = {
        {
            {"FcAl", "FcLoopPort", {}, {}, {}, "i=asic;p=301,174;b=35,35"},
        },
        {
            {GateRef::self("from_driver"), GateRef::sub("FcAl", "from_driver")},
            {GateRef::sub("FcAl", "to_driver"), GateRef::self("to_driver")},
        },
        "p=10,10;b=583,255;o=#ffffff",
        false,
    };
    return desc;
}

} // namespace

Define_Module_Interface(ArrayGroup, groupItems);
Define_Described_Compound(ArrayGroup, group_description());
