#pragma once

class cModule;

// The transfer rate in KB/s of the array's data buses, from the storage
// device's `cswBusWidth` (bits) and `cswBusClock` (MHz). `module` sits two
// levels below the device (a bus or bus selector inside a board or the
// cache-switch fabric). A rate that is not above 0 stops the run.
double csw_bus_rate(const cModule* module);
