#include "host/IoPhase.h"

#include "device/WarningsLog.h"
#include "host/IoGenerator.h"
#include "sim/Sim.h"

namespace {

template <class Visit>
void for_each_generator(Visit visit)
{
    for (int id = 0; id <= simulation.lastModuleId(); ++id)
        if (auto* generator = dynamic_cast<IoGenerator*>(simulation.module(id)))
            visit(*generator);
}

} // namespace

void end_io_phase(const cModule* by, cModule* root)
{
    cPar& ioDone = root->par("ioDone");
    const bool first = !ioDone.boolValue();
    if (!first)
        warnings(by, LogKind::ALERT,
                 "ioDone alreay is true. Please consider avoiding long-haul io access or setting up a larger "
                 "firstIo timing.",
                 OpenFailText::QUOTED);
    ioDone.setBoolValue(true);
    if (root->par("evDone").boolValue())
        root->par("simDone").setBoolValue(true);
    if (!first)
        return;
    for_each_generator([](IoGenerator& generator) { generator.warn_unstarted_tables(); });
}

bool every_stream_triggered()
{
    bool all = true;
    for_each_generator([&all](IoGenerator& generator) {
        for (const IoGenTable& t : generator.tables())
            all = all && t.triggered;
    });
    return all;
}
