#pragma once

class cModule;

// The platform-name registry "PfOut.tmp" under the root's `progDataDir`: one
// platform name per line, in the order in which hosts, arrays and switches
// initialise, so that no two devices of a run share a name. The first device
// of the run (equipment number 0) starts the file afresh; every later one
// reads it for its name first and stops the run on a duplicate. The file
// stays until the end-of-run removal of temporary files.
//
// A platform name of 0 is refused with `invalidNameFormat` (one "%ld" for
// the name): hosts and arrays say "invalid Pf_Name", switches "invalid switch
// name".
void register_platform_name(const cModule* device, cModule* root, long equipId, long pfName,
                            const char* invalidNameFormat);

namespace PfNameText {
inline constexpr const char INVALID_PF_NAME[] = "---> reg_pfname : invalid Pf_Name [%ld]";
inline constexpr const char INVALID_SWITCH_NAME[] = "---> reg_pfname : invalid switch name [%ld]";
} // namespace PfNameText
