#pragma once

#include "network/CompoundDescription.h"
#include "sim/cModuleType.h"

// The interface of the NodePort compound: its parameters and gates.
extern const sDescrItem nodePortItems[];

// What a NodePort holds and how it is wired; variants of the port start from
// a copy of it.
const CompoundDescription& node_port_description();
