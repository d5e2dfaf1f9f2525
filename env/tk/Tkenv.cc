#include "env/tk/Tkenv.h"

#include <chrono>
#include <cstdio>
#include <iostream>

#include "env/PartialRun.h"
#include "env/tk/TkCommands.h"
#include "sim/Sim.h"

// Last: tcl.h defines a CONST macro that the kernel's headers must not see.
#include <tcl.h>
#include <tk.h>

extern const char* const tkenvScript;

namespace {

// How often the window's loop looks for a signal while no run is going.
constexpr int SIGNAL_CHECK_MS = 100;

double wallClock()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

Tkenv::Tkenv() : logStream_(&log_), controller_([this](bool full) { refresh(full); }) {}

Tkenv::~Tkenv()
{
    if (interp_)
        Tcl_DeleteInterp(interp_);
    ev.setStream(&std::cout);
}

bool Tkenv::parseOption(const std::string& arg)
{
    const std::string script = "--script=";
    if (arg.compare(0, script.size(), script) != 0)
        return false;
    scriptFile_ = arg.substr(script.size());
    return !scriptFile_.empty();
}

bool Tkenv::knowsSection(const std::string& section) const
{
    // The command-line environment's settings are shared, not warned about.
    return section == "Cmdenv" || EnvirBase::knowsSection(section);
}

bool Tkenv::knowsSetting(const std::string& section, const std::string& key) const
{
    if (section == "Cmdenv")
        return key == "express-mode";
    return EnvirBase::knowsSetting(section, key);
}

void Tkenv::printUsage(std::ostream& out) const
{
    out << "Usage: " << programName_
        << " [options]\n"
           "  -f FILE                 read the configuration from FILE (default omnetpp.ini)\n"
           "  --script=FILE           run the Tcl commands in FILE once the window is up\n"
           "  -h, --help              this text and everything the build contains\n";
}

bool Tkenv::prepareForSetUp()
{
    interp_ = Tcl_CreateInterp();
    if (Tcl_Init(interp_) != TCL_OK || Tk_Init(interp_) != TCL_OK) {
        std::cerr << "<!> Error: cannot start Tk: " << Tcl_GetStringResult(interp_) << "\n";
        return false;
    }
    catch_interrupt_signals();
    return true;
}

int Tkenv::runNetwork()
{
    networkName_ = ini_.getAsString("General", "network", "");
    ev.setDisabled(false);
    ev.setStream(&logStream_);
    try {
        simulation.callInitialize();
    } catch (const cRuntimeError& e) {
        return setupFailed(e);
    }
    warnUnusedParameterLines();
    return runWindow();
}

int Tkenv::setupFailed(const cRuntimeError& e)
{
    printError(e);
    warnUnusedParameterLines(false);
    networkName_ = ini_.getAsString("General", "network", "");
    ev.setDisabled(false);
    ev.setStream(&logStream_);
    failed_ = true;
    setupError_ = errorText(e);
    return runWindow();
}

std::string Tkenv::errorText(const cRuntimeError& e)
{
    return e.modulePath().empty() ? std::string("Error: ") + e.what()
                                  : "Error in module " + e.modulePath() + ": " + e.what();
}

int Tkenv::runWindow()
{
    // A signal during the set-up stops the run before its first event.
    if (cSimulation::interruptSignal())
        return failed_ ? 128 + cSimulation::interruptSignal() : end_partial_run();
    TkCommands::registerAll(interp_, this);
    if (Tcl_Eval(interp_, tkenvScript) != TCL_OK) {
        std::cerr << "<!> Error: the window could not be built: " << Tcl_GetStringResult(interp_) << "\n";
        return 1;
    }
    if (!scriptFile_.empty()) {
        Tcl_Obj* cmd = Tcl_NewListObj(0, nullptr);
        Tcl_ListObjAppendElement(interp_, cmd, Tcl_NewStringObj("vm_run_script", -1));
        Tcl_ListObjAppendElement(interp_, cmd, Tcl_NewStringObj(scriptFile_.c_str(), -1));
        Tcl_IncrRefCount(cmd);
        Tcl_EvalObjEx(interp_, cmd, TCL_EVAL_GLOBAL);
        Tcl_DecrRefCount(cmd);
    }
    Tcl_CreateTimerHandler(SIGNAL_CHECK_MS, checkForSignal, this);
    Tk_MainLoop();
    if (signalExit_)
        return signalExit_;
    if (failed_)
        return 1;
    int code = finished_ ? 0 : runInterrupted();
    return scriptStatus_ != 0 ? scriptStatus_ : code;
}

// The window was closed before the run ended: as on the command line, the
// run is said to be partial, writes no finish files and leaves no temporary
// files behind.
int Tkenv::runInterrupted()
{
    return end_partial_run(INTERRUPTED_EXIT);
}

void Tkenv::endForSignal()
{
    if (signalExit_)
        return;
    const bool runUnderWay = !finished_ && !failed_;
    signalExit_ = runUnderWay ? end_partial_run() : 128 + cSimulation::interruptSignal();
    Tcl_Eval(interp_, "destroy .");
    // Whatever script is going (a button's command, a scripted session)
    // stops where it is, its catches passed by; with the window gone the
    // loop then ends.
    Tcl_CancelEval(interp_, nullptr, nullptr, TCL_CANCEL_UNWIND);
}

void Tkenv::checkForSignal(void* data)
{
    auto* env = static_cast<Tkenv*>(data);
    if (cSimulation::interruptSignal() && !env->controller_.isRunning())
        env->endForSignal();
    if (!env->signalExit_)
        Tcl_CreateTimerHandler(SIGNAL_CHECK_MS, checkForSignal, data);
}

std::string Tkenv::runFor(RunController::Mode mode, double untilTime, unsigned long long untilEvent)
{
    if (failed_)
        return "The run failed; restart it to run again";
    if (finished_)
        return "The run has ended; restart it to run again";
    rate_.reset();
    rate_.sample(wallClock(), simulation.eventNumber());
    // Express mode collects no module output, as on the command line.
    struct OutputGuard {
        ~OutputGuard() { ev.setDisabled(false); }
    } outputGuard;
    ev.setDisabled(mode == RunController::EXPRESS);
    try {
        RunOutcome outcome = controller_.run(mode, untilTime, untilEvent);
        rate_.sample(wallClock(), simulation.eventNumber());
        if (cSimulation::interruptSignal()) {
            endForSignal();
            return simulation.stopReason();
        }
        if (outcome != RunOutcome::INTERRUPTED) {
            finished_ = true;
            simulation.callFinish();
            ending_ = ending_text();
        }
        return simulation.stopReason();
    } catch (const cRuntimeError& e) {
        failed_ = true;
        simulation.callAbandonRun(); // a run that failed leaves no temporary files either
        printError(e);
        throw std::runtime_error(errorText(e));
    }
}

std::string Tkenv::ending_text()
{
    std::string text = simulation.stopReason();
    const std::string summary = simulation.systemModule()->runSummary().line;
    return summary.empty() ? text : text + "; " + summary;
}

void Tkenv::restart()
{
    if (!finished_ && !failed_)
        simulation.callAbandonRun(); // the run given up leaves no temporary files
    simulation.deleteNetwork();
    log_.clear();
    rate_.reset();
    finished_ = failed_ = false;
    setupError_.clear();
    ending_.clear();
    try {
        applyGeneralSettings();
        simulation.setupNetwork(networkName_.c_str());
        simulation.callInitialize();
    } catch (const cRuntimeError& e) {
        failed_ = true;
        setupError_ = errorText(e);
        printError(e);
        throw std::runtime_error(setupError_);
    }
}

void Tkenv::refresh(bool full)
{
    rate_.sample(wallClock(), simulation.eventNumber());
    Tcl_Eval(interp_, full ? "vm_refresh 1" : "vm_refresh 0");
}
