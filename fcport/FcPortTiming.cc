#include "fcport/FcPortTiming.h"

#include <cstdint>

#include "network/RootModule.h"
#include "sim/cModule.h"

FcPortTiming* fc_port_timing(const cModule* user, cModule* port)
{
    cModule* root = find_root(user);
    const long address = root->par(port->par("gbStr").stringValue()).longValue();
    return reinterpret_cast<FcPortTiming*>(static_cast<std::intptr_t>(address));
}

long fc_port_timing_address(const FcPortTiming* block)
{
    return static_cast<long>(reinterpret_cast<std::intptr_t>(block));
}
