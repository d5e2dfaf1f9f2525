#include "array/CswBusRate.h"

#include "sim/cModule.h"
#include "sim/cPar.h"

double csw_bus_rate(const cModule* module)
{
    cModule* device = module->parentModule()->parentModule();
    if (!device)
        module->error("---> %s is not inside a storage device", module->fullPath().c_str());
    const double width = device->par("cswBusWidth").doubleValue();
    const double clock = device->par("cswBusClock").doubleValue();
    const double rate = width / 8 * clock * 1e6 / 1024;
    // A zero rate would make every transfer last for ever.
    if (!(rate > 0))
        module->error("---> Invalid cache-switch bus rate: cswBusWidth %g bits at cswBusClock %g MHz of %s", width,
                      clock, device->fullPath().c_str());
    return rate;
}
