#pragma once

class cModule;

// The platform-name registry "PfOut.tmp" under the root's `progDataDir`: one
// platform name per line, in the order in which hosts, arrays and switches
// initialise, so that no two devices of a run share a name. The first device
// of the run (equipment number 0) starts the file afresh; every later one
// reads it for its name first and stops the run on a duplicate. The file
// stays until the end-of-run removal of temporary files.
void register_platform_name(const cModule* device, cModule* root, long equipId, long pfName);
