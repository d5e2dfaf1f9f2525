#pragma once

#include <string>
#include <vector>

class cModule;

// The LUN_WWNs of section "[6]" of a storage device's configuration file, in
// row order: row i configures LUN i + 1. Only the rows are read; each LUN
// controller checks its own row when it starts.
std::vector<std::string> lun_section_names(const cModule* reader, const std::string& confFile);
