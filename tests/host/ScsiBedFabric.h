#pragma once

#include <string>

class cModule;
class TestProcessor;

// Where the SCSI scenarios take their fabric and their target boards from:
// the real switch ports with the shared stand-in centre, and the storage stand-in
// of the port-stack scenario bed. Every use of those goes through here.

// The module types of the switch and of the storage device.
const char* fabric_switch_type();
const char* target_storage_type();

// The switch's configuration file for `ports` F_Ports, domain 5, area 2, so
// that switch port p gives its N_Port the address 0x0502pp.
std::string fabric_switch_conf(int ports);
// The ini lines of the switch `path` ("Velmora.Sw1").
std::string fabric_switch_ini(const std::string& path, const std::string& confFile, int ports);

// The processor of board `chip` of `storage`, which plays its LUN side.
TestProcessor& target_board_cpu(cModule* storage, int chip);
