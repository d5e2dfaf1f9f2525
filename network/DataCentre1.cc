// The first site: six hosts, six switches and one storage device.

#include "network/CompoundBuilder.h"
#include "network/SiteLayout.h"

namespace {

const char* const hostLink = "o=#008080";
const char* const switchLink = "o=#ff8080";
const char* const deviceLink = "o=#0080ff";

} // namespace

const SiteTable& data_centre1_table()
{
    static const SiteTable table{
        {
            {"Host1", "ClientHost", "i=host;p=70,165;b=30,50"},
            {"Host2", "ClientHost", "i=host;p=70,315;b=30,50"},
            {"Host3", "ClientHost", "i=host;p=190,65;b=30,50"},
            {"Host4", "ClientHost", "i=host;p=190,415;b=30,50"},
            {"Host5", "ClientHost", "i=host;p=365,65;b=30,50"},
            {"Host6", "ClientHost", "i=host;p=365,415;b=30,50"},
            {"Sw1", "FcSwitch", "i=fcsw;p=190,165;b=50,25"},
            {"Sw2", "FcSwitch", "i=fcsw;p=190,315;b=50,25"},
            {"Sw3", "FcSwitch", "i=fcsw;p=365,165;b=50,25"},
            {"Sw4", "FcSwitch", "i=fcsw;p=365,315;b=50,25"},
            {"Sw5", "FcSwitch", "p=496,65;i=fcsw;b=50,25"},
            {"Sw6", "FcSwitch", "i=fcsw;p=496,415;b=50,25"},
            {"Dev1", "StorageDevice", "i=device;p=496,240;b=50,100"},
        },
        {
            {"Host1", 0, "Sw1", 0, hostLink},  {"Host1", 1, "Sw2", 1, hostLink},  {"Host2", 0, "Sw2", 0, hostLink},
            {"Host2", 1, "Sw1", 1, hostLink},  {"Host3", 0, "Sw3", 0, hostLink},  {"Host3", 1, "Sw1", 2, hostLink},
            {"Host4", 0, "Sw4", 0, hostLink},  {"Host4", 1, "Sw2", 2, hostLink},  {"Host5", 0, "Sw5", 0, hostLink},
            {"Host6", 0, "Sw4", 1, hostLink},  {"Sw1", 3, "Sw2", 3, switchLink},  {"Sw1", 4, "Sw3", 4, switchLink},
            {"Sw2", 4, "Sw4", 5, switchLink},  {"Sw3", 3, "Sw4", 4, switchLink},  {"Sw3", 5, "Sw5", 1, switchLink},
            {"Sw4", 6, "Sw6", 2, switchLink},  {"Dev1", 0, "Sw3", 1, deviceLink}, {"Dev1", 1, "Sw3", 2, deviceLink},
            {"Dev1", 4, "Sw4", 2, deviceLink}, {"Dev1", 5, "Sw4", 3, deviceLink}, {"Dev1", 6, "Sw6", 0, hostLink},
            {"Dev1", 7, "Sw6", 1, hostLink},   {"", 0, "Sw5", 2, switchLink},     {"", 1, "Sw6", 3, switchLink},
            {"", 2, "Sw6", 4, switchLink},
        },
        "o=#ffffff;p=10,10;b=600,500"};
    return table;
}

namespace {

const CompoundDescription dataCentre1Desc = site_description(data_centre1_table());

} // namespace

Define_Module_Interface(DataCentre1, dataCentreItems);
Define_Described_Compound(DataCentre1, dataCentre1Desc);
