#include "device/WarningsLog.h"

#include <iomanip>
#include <iostream>

#include "network/RootModule.h"
#include "sim/cEnvir.h"
#include "sim/cModule.h"

namespace {

void writeHeader(std::ostream& out)
{
    out << std::setw(10) << "Count" << std::setw(15) << "SimTime(ms)" << std::setw(62) << "Module"
        << "Message\n";
    out << std::string(140, '-') << '\n';
}

} // namespace

void warnings_as_written(const cModule* mod, LogKind kind, const std::string& text, const char* failFormat)
{
    cModule* root = find_root(mod);
    OutputStream out = open_shared_output(mod, root->par("warningsFile").stringValue(), root->par("warnFileNew"),
                                          writeHeader, failFormat);
    cPar& count = root->par("warningsCnt");
    out << std::setw(10) << count.longValue() << std::setprecision(4) << std::setw(15) << sim_time_ms() << std::setw(62)
        << mod->fullPath() << text << '\n';
    out.finish();
    count.setLongValue(count.longValue() + 1);
    RunLog::of_run().count(kind);
}

void warnings(const cModule* mod, LogKind kind, const std::string& text, const char* failFormat)
{
    warnings_as_written(mod, kind, opening_of(kind) + text, failFormat);
}

void user_warning(const cModule* mod, const std::string& text, const char* failFormat)
{
    warnings(mod, LogKind::WARNING, text, failFormat);
    ev.flush(); // module output written earlier shows before the warning
    std::cerr << "<!> Warning in module " << mod->fullPath() << ": " << text << '\n';
}

void user_warning_once(const cModule* mod, const std::string& text)
{
    if (RunLog::of_run().first_time(text))
        user_warning(mod, text);
}
