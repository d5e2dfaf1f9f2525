#pragma once

#include <string>

class cModule;

// The row of one host-interface board in section "[1]" of the storage
// device's configuration file, the boards' general settings, fields in this
// order:
//
//   ChipIdx      the board's index in the device's Chip[] vector
//   CpcBusWidth  width of the board's peripheral bus in bits
//   CpcBusClock  its clock in MHz
//   cpuModel     the board processor's model; its timings are in "<cpuModel>.ini"
//   MaxTarLun    LUNs the remote-mirror initiator keeps per target port
//   MaxRdWrIo    read and write I/Os it keeps open
//   MaxCtrlIo    control I/Os it keeps open
struct ChipGeneralRow {
    long chipIdx = 0;
    double cpcBusWidth = 0;
    double cpcBusClock = 0;
    std::string cpuModel;
    long maxTarLun = 0;
    long maxRdWrIo = 0;
    long maxCtrlIo = 0;
};

// Reads section "[1]" (from its marker to the "[2]" marker or the end of the
// file) for the first row whose ChipIdx is `chipIdx`, of a device with
// `chipNum` boards; rows of other boards before it are passed over but must
// not hold more than seven fields. No row for the board stops the run naming
// `boardPath`; a second row for it, or a row for a board the device does not
// have, is warned of (read_board_row). The values are checked by whoever
// applies them.
ChipGeneralRow read_chip_general_row(const cModule* reader, const std::string& confFile, long chipIdx, int chipNum,
                                     const std::string& boardPath);

// The board's bus settings, checked before its processor's timings are
// read; a value out of range stops the run through `reader`.
void check_chip_bus(const cModule* reader, const ChipGeneralRow& row, const char* file);
// The board's LUN and open-I/O limits, checked after the timings.
void check_chip_io_limits(const cModule* reader, const ChipGeneralRow& row, const char* file);
