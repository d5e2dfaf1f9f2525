#pragma once

#include "sim/cModuleType.h"

// The interface of a test bed's root "Velmora": every run-wide parameter of
// the real test bed, so that the root is set up as a run's is.
const sDescrItem* test_root_items();
