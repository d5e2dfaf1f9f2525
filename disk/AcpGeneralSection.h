#pragma once

#include <string>

class cModule;

// The row of one array control processor board in section "[4]" of the
// storage device's configuration file, fields in this order:
//
//   AcpIdx       the board's index in the device's Acp[] vector
//   ApcBusWidth  width of the board's peripheral bus in bits
//   ApcBusClock  its clock in MHz
//   cpuModel     the board processor's model, kept on the board
struct AcpGeneralRow {
    double apcBusWidth = 0;
    double apcBusClock = 0;
    std::string cpuModel;
};

// Reads section "[4]" (from its marker to the "[5]" marker or the end of the
// file) for the first row whose AcpIdx is `acpIdx`, of a device with
// `acpNum` boards; rows of other boards before it are passed over but must
// not hold more than four fields. The bus values are checked here; no row for
// the board stops the run naming `boardPath`; a second row for it, or a row
// for a board the device does not have, is warned of (read_board_row).
AcpGeneralRow read_acp_general_row(const cModule* reader, const std::string& confFile, long acpIdx, int acpNum,
                                   const std::string& boardPath);
