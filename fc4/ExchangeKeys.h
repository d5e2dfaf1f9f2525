#pragma once

#include "network/RootModule.h"

class cModule;

// The two run-wide counters of the root that every FC-4 service draws from:
// the exchange key that both ends of an exchange store, and the number of
// each information unit sent. Neither is ever reset.
inline unsigned long obtain_fc4_addr(cModule* root)
{
    return static_cast<unsigned long>(take_a_number(root, "fc4MemAddr"));
}

inline unsigned long obtain_fc4_index(cModule* root)
{
    return static_cast<unsigned long>(take_a_number(root, "fc4IuIndex"));
}
