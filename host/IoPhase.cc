#include "host/IoPhase.h"

#include "device/WarningsLog.h"
#include "host/IoGenerator.h"
#include "sim/Sim.h"

void end_io_phase(const cModule* by, cModule* root)
{
    cPar& ioDone = root->par("ioDone");
    const bool first = !ioDone.boolValue();
    if (!first)
        warnings(by,
                 "ALERT: ioDone alreay is true. Please consider avoiding long-haul io access or setting up a larger "
                 "firstIo timing.",
                 OpenFailText::QUOTED);
    ioDone.setBoolValue(true);
    if (root->par("evDone").boolValue())
        root->par("simDone").setBoolValue(true);
    if (!first)
        return;
    for (int id = 0; id <= simulation.lastModuleId(); ++id)
        if (auto* generator = dynamic_cast<IoGenerator*>(simulation.module(id)))
            generator->warn_unstarted_tables();
}
