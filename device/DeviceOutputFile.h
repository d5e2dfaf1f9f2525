#pragma once

#include <fstream>
#include <string>

class cModule;

// Opens a statistics or registry file the way every output file is opened
// (missing directories created, fixed-point left-justified format), but
// stops the run with the caller's own text when that fails: several device
// files have a wording of their own. `failFormat` holds one "%s", the path.
std::ofstream open_device_file(const cModule* writer, const std::string& path, bool truncate,
                               const char* failFormat);
