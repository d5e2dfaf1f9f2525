#pragma once

#include <vector>

#include "network/CompoundDescription.h"
#include "sim/cModuleType.h"

// The interface of the Fc4Layer compound: its parameters and gates.
extern const sDescrItem fc4LayerItems[];

// What an Fc4Layer holds and how it is wired; variants of the layer start
// from a copy of it.
const CompoundDescription& fc4_layer_description();

// The wiring every FC-4 layer shares, of a node port or of a switch port:
// its controller `Fc4Ctrl` to FC-2 and to the services `FcGs` and `FcEls`,
// after the connections `first`.
std::vector<ConnectionDescription> fc4_service_wiring(std::vector<ConnectionDescription> first);
