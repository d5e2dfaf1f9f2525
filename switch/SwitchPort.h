#pragma once

#include "network/CompoundDescription.h"

// What a switch port holds and how it is wired: the FC-1 and FC-2 layers of
// a node port, the switch FC-4 layer, and the port transport through which
// FC-2 and FC-4 reach the switch control centre.
const CompoundDescription& switch_port_description();
