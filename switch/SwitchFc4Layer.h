#pragma once

#include "network/CompoundDescription.h"

// What a switch port's FC-4 layer holds and how it is wired: the generic and
// extended link services of a node port, the inter-switch link services and
// the switch FC-4 controller, which alone reaches FC-2 and the centre.
const CompoundDescription& switch_fc4_layer_description();
