#pragma once

#include "network/CompoundDescription.h"
#include "sim/cModuleType.h"

// What a Fibre Channel switch holds and how it is wired: `swPortNum` switch
// ports `SwPort[i]`, each cabled as `link_in[i]` / `link_out[i]` and joined
// to the control centre `SwCtrlCtr` on its gates of index i. Variants (a
// switch of a test) start from a copy of it.
const CompoundDescription& fc_switch_description();

// Its interface: `confFile`, `swPortNum` and the cable gates.
extern const sDescrItem fcSwitchInterfaceItems[];
