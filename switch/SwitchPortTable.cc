#include "switch/SwitchPortTable.h"

#include "sim/Sim.h"

void SwitchPortTable::create(cModule* sw, int portNum)
{
    entries_.assign(static_cast<size_t>(portNum), Entry{});
    modules_.clear();
    for (int i = 0; i < portNum; ++i)
        modules_.push_back(sw->submodule("SwPort", i));
}

long SwitchPortTable::area_of(int port) const
{
    return module(port)->par("areaId").longValue();
}
