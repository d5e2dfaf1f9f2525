#pragma once

#include <string>

class cModule;

// The Domain_IDs a switch may take.
constexpr int MIN_DOMAIN_ID = 1;
constexpr int MAX_DOMAIN_ID = 239;

// Section "[1]" of a switch's configuration file: one data line with the
// switch's Domain_ID, its R_A_TOV and E_D_TOV in ms and the model of its
// control centre's processor (timings in "<cpuModel>.ini").
struct SwitchGeneralRow {
    long domainId = 0;
    long raTov = 0;
    long edTov = 0;
    std::string cpuModel;
};

// Reads and checks the section's line (from its marker to the "[2]" marker
// or the end of the file); what follows the line is not read. A missing line
// or a value out of range stops the run through `reader`.
SwitchGeneralRow read_switch_general_row(const cModule* reader, const std::string& confFile);
