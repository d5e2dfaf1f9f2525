#pragma once

#include "network/CompoundDescription.h"

// What a client host holds and how it is wired.
const CompoundDescription& client_host_description();
