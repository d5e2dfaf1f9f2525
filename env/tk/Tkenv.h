#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "env/EnvirBase.h"
#include "env/tk/EventRate.h"
#include "env/tk/LogBuffer.h"
#include "env/tk/RunController.h"

struct Tcl_Interp;

// The graphical environment: the network set up as the command-line
// environment does, then driven from a Tk window (module tree, run
// controls, compound pictures, inspectors, log).
class Tkenv : public EnvirBase {
  public:
    Tkenv();
    ~Tkenv() override;

  protected:
    bool parseOption(const std::string& arg) override;
    void printUsage(std::ostream& out) const override;
    // Tk is started first: without a display the program ends before it
    // sets up anything. Ctrl-C and SIGTERM are caught from there on.
    bool prepareForSetUp() override;
    int runNetwork() override;
    // The window opens on what was built, with the error shown and the run
    // stopped.
    int setupFailed(const cRuntimeError& e) override;
    bool knowsSection(const std::string& section) const override;
    bool knowsSetting(const std::string& section, const std::string& key) const override;

  private:
    friend class TkCommandTable;
    // Runs in `mode`; a run error is shown, not thrown. Returns the outcome text.
    std::string runFor(RunController::Mode mode, double untilTime, unsigned long long untilEvent);
    void restart();
    // Why the run ended and the system module's summary of it.
    static std::string ending_text();
    // Builds the window and runs it until it is closed; returns the exit code.
    int runWindow();
    int runInterrupted();
    // Ctrl-C or SIGTERM came: a run under way ends as on the command line
    // (stopped at its event boundary, its temporary files removed, no finish
    // files), the window goes and the program ends with 128 + the signal.
    void endForSignal();
    // Between events of the window's loop: a signal that came while no run
    // was going ends the program; during a run the kernel stops at the
    // next event boundary and runFor() ends it.
    static void checkForSignal(void* env);
    // The exit code of a run whose window was closed before its end.
    static constexpr int INTERRUPTED_EXIT = 2;
    static std::string errorText(const cRuntimeError& e);
    void refresh(bool full);

    Tcl_Interp* interp_ = nullptr;
    LogBuffer log_;
    std::ostream logStream_;
    RunController controller_;
    std::string scriptFile_; // sourced once the window is up (for scripted sessions)
    std::string networkName_;
    bool finished_ = false;
    bool failed_ = false;
    std::string setupError_; // why the last set-up stopped; empty when it did not
    std::string ending_;     // how the run ended; empty until it has
    int scriptStatus_ = 0;   // a scripted session's verdict
    int signalExit_ = 0;     // the exit code once a signal ends the program
    EventRate rate_;
};
