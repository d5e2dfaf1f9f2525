#pragma once

#include "sim/cModuleType.h"

// The interface of the switch control centre (`SwCtrlCtr`), a simple module
// of 16384 bytes of stack: the forwarding counters that its traffic rows
// read and reset, and one gate pair per switch port, port i on index i.
// Whatever module type is registered as "SwitchConstruct" takes this
// interface.
extern const sDescrItem switchConstructItems[];

constexpr unsigned SWITCH_CONSTRUCT_STACK = 16384;
