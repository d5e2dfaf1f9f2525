#pragma once

#include <string>
#include <vector>

#include "network/CompoundDescription.h"
#include "sim/cModuleType.h"

// Tables from which the test bed and the data centres are described: the
// devices a site places and the cables between their ports. Port i of a
// module is its pair link_in[i], link_out[i].

// A device of a data centre. Its link_in[] and link_out[] are sized from its
// own parameters, read from "omnetpp.ini" just before: `nxPortNum` for a
// ClientHost, `swPortNum` for an FcSwitch, `chipNxPortNum` * `chipNum` for a
// StorageDevice.
struct SiteDevice {
    const char* name;
    const char* type;
    const char* displayString;
};

// A two-way cable between port `portA` of module `a` and port `portB` of `b`:
// the connections a.link_out[portA] -> b.link_in[portB] and
// b.link_out[portB] -> a.link_in[portA], in that order, each with its own
// channel when a delay is given. An empty module name is the compound's own
// port: its link_in leads inwards and its link_out is reached outwards.
struct Cable {
    const char* a;
    int portA;
    const char* b;
    int portB;
    const char* colour; // connection display string, such as "o=#008080"
    Expr delay{};
};

std::vector<SubmoduleDescription> site_devices(const std::vector<SiteDevice>& devices);
std::vector<ConnectionDescription> cables(const std::vector<Cable>& cables);

// A data centre: its devices and cables; it leaves unconnected ports alone.
CompoundDescription site_description(const std::vector<SiteDevice>& devices, const std::vector<Cable>& cables,
                                     const char* displayString);

// A site's devices, cables and display string as one table.
struct SiteTable {
    std::vector<SiteDevice> devices;
    std::vector<Cable> cables;
    const char* displayString;
};
CompoundDescription site_description(const SiteTable& table);

// The tables of DataCentre1, DataCentre2 and DataCentre3, also read by the
// benchmarks that build larger variants of the two sites with hosts, and by
// the set-up checks that run before the network is built.
const SiteTable& data_centre1_table();
const SiteTable& data_centre2_table();
const SiteTable& data_centre3_table();

// The interface of DataCentre1, DataCentre2 and DataCentre3: no parameters,
// gate vectors link_in[] and link_out[].
extern const sDescrItem dataCentreItems[];
