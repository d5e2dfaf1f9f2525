#include "env/cmd/Cmdenv.h"

#include <cstdio>
#include <iostream>

#include "env/PartialRun.h"
#include "sim/Sim.h"

bool Cmdenv::parseOption(const std::string& arg)
{
    if (arg == "--quiet" || arg == "-q")
        quiet_ = true;
    else if (arg == "--express-mode=true" || arg == "-x")
        expressOverride_ = 1;
    else if (arg == "--express-mode=false" || arg == "-n")
        expressOverride_ = 0;
    else
        return false;
    return true;
}

bool Cmdenv::knowsSection(const std::string& section) const
{
    return section == "Cmdenv" || EnvirBase::knowsSection(section);
}

bool Cmdenv::knowsSetting(const std::string& section, const std::string& key) const
{
    if (section == "Cmdenv")
        return key == "express-mode";
    return EnvirBase::knowsSetting(section, key);
}

void Cmdenv::printUsage(std::ostream& out) const
{
    out << "Usage: " << programName_
        << " [options]\n"
           "  -f FILE                 read the configuration from FILE (default omnetpp.ini)\n"
           "  --express-mode=BOOL     true: no module output (default: [Cmdenv] express-mode,\n"
           "                          itself true by default); -x and -n are short for true/false\n"
           "  -q, --quiet             no progress lines on stderr\n"
           "  -h, --help              this text and everything the build contains\n";
}

bool Cmdenv::prepareForSetUp()
{
    catch_interrupt_signals();
    return true;
}

void Cmdenv::progress(bool force)
{
    if (quiet_)
        return;
    double elapsed = simulation.elapsedSeconds();
    if (!force && elapsed - lastProgress_ < 1.0)
        return;
    lastProgress_ = elapsed;
    double rate = elapsed > 0 ? simulation.eventNumber() / elapsed : 0;
    std::fprintf(stderr, "** t=%.6f s  events=%llu  events/s=%.0f  elapsed=%.1f s\n", simulation.simTime(),
                 static_cast<unsigned long long>(simulation.eventNumber()), rate, elapsed);
}

bool Cmdenv::beforeEvent(const cMessage& next)
{
    cModule* mod = simulation.module(next.arrivalModuleId());
    if (mod) {
        if (!outputBuffer_->atLineStart())
            ev.stream() << '\n';
        // To the picosecond, so that events apart by so little show apart.
        char time[40];
        std::snprintf(time, sizeof time, "%.12f", next.arrivalTime());
        ev.stream() << "** Event #" << simulation.eventNumber() + 1 << "  T=" << time << "  " << mod->fullPath() << " ("
                    << (mod->moduleType() ? mod->moduleType()->name() : mod->className()) << ", id=" << mod->id()
                    << ")\n";
    }
    return true;
}

int Cmdenv::runNetwork()
{
    bool express = ini_.getAsBool("Cmdenv", "express-mode", true);
    if (expressOverride_ >= 0)
        express = expressOverride_ == 1;
    ev.setDisabled(express);
    outputBuffer_ = std::make_unique<LineTrackingBuffer>(std::cout.rdbuf());
    output_ = std::make_unique<std::ostream>(outputBuffer_.get());
    ev.setStream(output_.get());
    simulation.setProgressHook([this] { progress(false); });
    simulation.setEventObserver(express ? nullptr : this);
    // Taken off again however the run ends: an error leaves by exception.
    struct ObserverReset {
        ~ObserverReset()
        {
            simulation.setEventObserver(nullptr);
            ev.flush();
            ev.setStream(nullptr);
        }
    } observerReset;

    try {
        simulation.callInitialize();
    } catch (const cRuntimeError& e) {
        return setupFailed(e);
    }
    warnUnusedParameterLines();
    RunOutcome outcome;
    try {
        outcome = simulation.run();
    } catch (const cRuntimeError&) {
        // A run that failed leaves no temporary files either.
        simulation.callAbandonRun();
        throw;
    }
    if (outcome == RunOutcome::INTERRUPTED)
        return end_partial_run();
    progress(true);
    if (!quiet_)
        std::fprintf(stderr, "** %s at t=%.6f s after %llu events\n", simulation.stopReason().c_str(),
                     simulation.simTime(), static_cast<unsigned long long>(simulation.eventNumber()));
    simulation.callFinish();
    ev.flush();
    printClosingLine();
    return 0;
}

void Cmdenv::printClosingLine()
{
    cModule::RunSummary summary = simulation.systemModule()->runSummary();
    if (!summary.line.empty() && (!quiet_ || summary.notable))
        std::fprintf(stderr, "** %s\n", summary.line.c_str());
}
