#pragma once

#include "network/CompoundDescription.h"
#include "sim/cModuleType.h"

// The interface of the Fc4Layer compound: its parameters and gates.
extern const sDescrItem fc4LayerItems[];

// What an Fc4Layer holds and how it is wired; variants of the layer start
// from a copy of it.
const CompoundDescription& fc4_layer_description();
