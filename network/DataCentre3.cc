// The third site: two switches and two storage devices, no hosts. The two
// switches have no cable between them; they reach each other only through the
// other sites.

#include "network/CompoundBuilder.h"
#include "network/SiteLayout.h"

namespace {

const char* const switchLink = "o=#ff8080";
const char* const deviceLink = "o=#0080ff";

} // namespace

const SiteTable& data_centre3_table()
{
    static const SiteTable table{{
                                     {"Sw11", "FcSwitch", "i=fcsw;p=96,105;b=50,25"},
                                     {"Sw12", "FcSwitch", "i=fcsw;p=324,105;b=50,25"},
                                     {"Dev3", "StorageDevice", "i=device;p=96,280;b=50,100"},
                                     {"Dev4", "StorageDevice", "i=device;p=324,280;b=50,100"},
                                 },
                                 {
                                     {"Dev3", 0, "Sw11", 0, deviceLink},
                                     {"Dev3", 1, "Sw11", 1, deviceLink},
                                     {"Dev3", 2, "Sw12", 2, deviceLink},
                                     {"Dev4", 0, "Sw12", 0, deviceLink},
                                     {"Dev4", 1, "Sw12", 1, deviceLink},
                                     {"Dev4", 2, "Sw11", 2, deviceLink},
                                     {"", 0, "Sw11", 4, switchLink},
                                     {"", 1, "Sw11", 5, switchLink},
                                     {"", 2, "Sw12", 4, switchLink},
                                     {"", 3, "Sw12", 5, switchLink},
                                 },
                                 "o=#ffffff;p=10,10;b=400,380"};
    return table;
}

namespace {

const CompoundDescription dataCentre3Desc = site_description(data_centre3_table());

} // namespace

Define_Module_Interface(DataCentre3, dataCentreItems);
Define_Described_Compound(DataCentre3, dataCentre3Desc);
