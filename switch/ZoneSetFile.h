#pragma once

#include <string>

#include "switch/ZoneSet.h"

class cModule;

// Reads the zone-set file `path` into `zones`: a line "[name]" starts a
// zone, each further line names one N_Port module by its path below `root`,
// and ';' starts a comment line. A member's address is that of the N_Port
// behind the switch port at the far end of its cable; an N_Port without a
// cable to a switch port is no member. Errors stop the run through
// `reader`; with `reportOverwrites` a member named twice is said on the
// module output.
void read_zone_set_file(const cModule* reader, cModule* root, const std::string& path, ZoneSet& zones,
                        bool reportOverwrites);
