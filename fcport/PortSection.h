#pragma once

#include <string>

#include "device/SettingCatalogue.h"

class ConfigFileReader;
class ConfigRow;
class cModule;

// Section "[2]" of a device configuration file: one row per port. A host
// port row has 10 fields (port index, speed code, R_T_TOV, FCP feature,
// receive and transmit buffers, Class-3 concurrent sequences, MaxSeqTry,
// MaxPeerPort, FC controller CPU model); an array host-interface port row
// puts the board index first (11 fields); a switch port row has 9 (port
// index, Area_ID, speed code, R_T_TOV, B_Port, receive and transmit buffers,
// a reserved field, FC controller CPU model).

// Where a port's row is: the device whose `confFile` holds it and the keys.
struct PortLocation {
    enum Kind { HOST, ARRAY, SWITCH };
    Kind kind = HOST;
    cModule* device = nullptr; // the host, the storage device or the switch
    long boardIndex = -1;      // the index c of Chip[c] on an array board
    long portIndex = -1;
    std::string confFile;

    // The number of fields of a row of this kind of port.
    int fieldCount() const { return kind == ARRAY ? 11 : kind == SWITCH ? 9 : 10; }
};

// A port compound named "SwPort" is a switch port; one whose parent is named
// "Chip" sits on an array board inside the storage device; any other is a
// host port.
PortLocation locate_port(cModule* port);

// "---> SwPort[3] : ", "---> NxPort[0] : " or "---> Chip[1].NxPort[0] : ":
// the start of every message about a row of section "[2]", naming the port
// by the row's keys.
std::string port_row_prefix(const PortLocation& loc, const ConfigRow& row);

// The kind of file that holds the port's row, for its settings.
SettingFile port_setting_file(const PortLocation& loc);

// Opens section "[2]" of `file` and reads on to the port's own row: the
// first whose key fields (board index, then port index) match. A host or
// array section ends at a line beginning "[2.1]", a switch section at the end
// of the file. With `checkCount`, every row read on the way that has more
// fields than a row of the port's kind stops the run, whichever port it is
// for. False when no row matches.
bool find_port_row(ConfigFileReader& file, const PortLocation& loc, bool checkCount, ConfigRow& row);

// The FC-2 controller's reading of its port's row: checks every field, adds
// the port compound's parameters from it and the fixed ones (`currRaTov`,
// `currEdTov`, `currBbCredit`, `currBbCnt`, and `portName` taken from the
// root counter `iniEqName`), then loads the timing of the port's FC
// controller CPU model. `reader` is the controller; its errors stop the run.
void read_port_section(const cModule* reader, cModule* port);
