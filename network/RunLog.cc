#include "network/RunLog.h"

#include <memory>

#include "sim/cSimulation.h"

namespace {

RunLog* runLog = nullptr;

} // namespace

const char* opening_of(LogKind kind)
{
    switch (kind) {
    case LogKind::WARNING: return "WARNING: ";
    case LogKind::ALERT: return "ALERT: ";
    case LogKind::NOTICE: return "NOTICE: ";
    }
    return "";
}

RunLog& RunLog::of_run()
{
    if (!runLog)
        runLog = simulation.keepForRun(std::make_unique<RunLog>());
    return *runLog;
}

RunLog::~RunLog()
{
    if (runLog == this)
        runLog = nullptr;
}
