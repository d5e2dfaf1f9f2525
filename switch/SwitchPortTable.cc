#include "switch/SwitchPortTable.h"

#include "sim/Sim.h"

void SwitchPortTable::create(cModule* sw, int portNum)
{
    entries_.assign(static_cast<size_t>(portNum), Entry{});
    modules_.clear();
    for (int i = 0; i < portNum; ++i)
        modules_.push_back(sw->submodule("SwPort", i));
    params_.assign(static_cast<size_t>(portNum), PortParams{});
}

cPar& SwitchPortTable::port_par(int port, cPar* PortParams::*slot, const char* name) const
{
    cPar*& par = params_[static_cast<size_t>(port)].*slot;
    if (!par)
        par = &module(port)->par(name);
    return *par;
}

long SwitchPortTable::area_of(int port) const
{
    return port_par(port, &PortParams::areaId, "areaId").longValue();
}

long SwitchPortTable::load(int port) const
{
    return port_par(port, &PortParams::currBbCnt, "currBbCnt").longValue() +
           port_par(port, &PortParams::txQueLen, "txQueLen").longValue();
}
