// The second site: four hosts, four switches and one storage device.

#include "network/CompoundBuilder.h"
#include "network/SiteLayout.h"

namespace {

const char* const hostLink = "o=#008080";
const char* const switchLink = "o=#ff8080";
const char* const deviceLink = "o=#0080ff";

} // namespace

const SiteTable& data_centre2_table()
{
    static const SiteTable table{{
                                     {"Host7", "ClientHost", "i=host;p=370,165;b=30,50"},
                                     {"Host8", "ClientHost", "i=host;p=370,315;b=30,50"},
                                     {"Host9", "ClientHost", "i=host;p=250,65;b=30,50"},
                                     {"Host10", "ClientHost", "i=host;p=250,415;b=30,50"},
                                     {"Sw7", "FcSwitch", "i=fcsw;p=250,165;b=50,25"},
                                     {"Sw8", "FcSwitch", "i=fcsw;p=250,315;b=50,25"},
                                     {"Sw9", "FcSwitch", "i=fcsw;p=124,65;b=50,25"},
                                     {"Sw10", "FcSwitch", "i=fcsw;p=124,415;b=50,25"},
                                     {"Dev2", "StorageDevice", "i=device;p=124,240;b=50,100"},
                                 },
                                 {
                                     {"Host7", 0, "Sw7", 0, hostLink},
                                     {"Host7", 1, "Sw8", 1, hostLink},
                                     {"Host8", 0, "Sw8", 0, hostLink},
                                     {"Host8", 1, "Sw7", 1, hostLink},
                                     {"Host9", 0, "Sw7", 2, hostLink},
                                     {"Host10", 0, "Sw8", 2, hostLink},
                                     {"Sw7", 6, "Sw9", 0, switchLink},
                                     {"Sw7", 5, "Sw8", 5, switchLink},
                                     {"Sw8", 6, "Sw10", 2, switchLink},
                                     {"Dev2", 0, "Sw7", 3, deviceLink},
                                     {"Dev2", 1, "Sw7", 4, deviceLink},
                                     {"Dev2", 4, "Sw8", 3, deviceLink},
                                     {"Dev2", 5, "Sw8", 4, deviceLink},
                                     {"Dev2", 6, "Sw10", 0, hostLink},
                                     {"Dev2", 7, "Sw10", 1, hostLink},
                                     {"", 0, "Sw9", 1, switchLink},
                                     {"", 1, "Sw10", 3, switchLink},
                                     {"", 2, "Sw10", 4, switchLink},
                                 },
                                 "o=#ffffff;p=10,10;b=425,500"};
    return table;
}

namespace {

const CompoundDescription dataCentre2Desc = site_description(data_centre2_table());

} // namespace

Define_Module_Interface(DataCentre2, dataCentreItems);
Define_Described_Compound(DataCentre2, dataCentre2Desc);
