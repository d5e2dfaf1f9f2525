#pragma once

#include <string>
#include <vector>

// Stand-ins for the device types a data centre places (ClientHost, FcSwitch,
// StorageDevice), with their parameters and link gates. Each device holds one
// StandInPort per port, wired to link_in[i] and link_out[i]. When the run
// starts, every port whose cable leads to another port sends one message
// named after itself; every port records what it receives.
struct Arrival {
    std::string receiver; // full path of the receiving port
    std::string sender;   // full path of the sending port
    double time;
};

extern std::vector<Arrival> arrivals;
