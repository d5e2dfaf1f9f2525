#pragma once

#include <csignal>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/SimTime.h"
#include "sim/cMessageHeap.h"

class cRuntimeError;
class cEventObserver;
class cIniFile;
class cModule;
class cNetworkType;
class cPar;
class cSimpleModule;
class Coroutine;

// How a run ended.
enum class RunOutcome { EVENTS_EXHAUSTED, END_SIMULATION, SIM_TIME_LIMIT, CPU_TIME_LIMIT, INTERRUPTED };

// The simulation: the modules of the network, the event list, the clock and
// the loop that delivers events to module coroutines.
//
// finish() is called only after a normal end (the event list ran dry,
// endSimulation(), a time limit). After an error the run stops where it is:
// summaries written from a half-done state would mislead, so no finish()
// runs and the error is what the user sees.
class cSimulation {
  public:
    cSimulation() = default;
    cSimulation(const cSimulation&) = delete;
    cSimulation& operator=(const cSimulation&) = delete;

    // Modules.
    int registerModule(cModule* mod);
    void deregisterModule(cModule* mod);
    cModule* module(int id) const { return id >= 0 && id < static_cast<int>(modules_.size()) ? modules_[id] : nullptr; }
    int lastModuleId() const { return static_cast<int>(modules_.size()) - 1; }
    cModule* systemModule() const { return systemModule_; }
    // A module by full path from the root, such as "Velmora.DataCtr1.Host1".
    cModule* moduleByPath(const char* path) const;

    // Clock and events.
    simtime_t simTime() const { return simTime_; }
    uint64_t eventNumber() const { return eventCount_; }
    cMessageHeap& messageQueue() { return fes_; }
    void insertEvent(cMessage* msg) { fes_.insert(msg); }
    // The module whose activity() is running, or null in the main context.
    cSimpleModule* runningModule() const { return running_; }

    // Configuration.
    void setIniFile(cIniFile* ini) { ini_ = ini; }
    cIniFile* iniFile() const { return ini_; }
    // Gives an input parameter its value from the configuration, or ends the
    // set-up with a message naming the parameter's full path.
    void readInputParameter(cPar& par);
    void setMinStackSize(size_t bytes) { minStackSize_ = bytes; }
    size_t minStackSize() const { return minStackSize_; }
    void setSimTimeLimit(simtime_t t)
    {
        simTimeLimit_ = t;
        boundShortWay();
    }
    void setCpuTimeLimit(double seconds) { cpuTimeLimit_ = seconds; }
    // Called about every 16384 events, for progress lines; returning true
    // stops the run as past the CPU-time limit.
    void setProgressHook(std::function<void()> hook) { progressHook_ = std::move(hook); }
    double elapsedSeconds() const;
    // The environment's per-event observer, or null (the default) for none.
    void setEventObserver(cEventObserver* observer)
    {
        observer_ = observer;
        boundShortWay();
    }
    cEventObserver* eventObserver() const { return observer_; }

    // The run's life: set up a network, initialise every module, run, finish,
    // delete. Errors are thrown as cRuntimeError.
    void setupNetwork(const char* networkName);
    void setupNetwork(cNetworkType* network);
    void setSystemModule(cModule* root) { systemModule_ = root; }
    // Initialises every module; when one fails, the modules initialised so
    // far are abandoned (callAbandonRun) before the error goes on, so that
    // a set-up that fails leaves no temporary files either.
    void callInitialize();
    RunOutcome run();
    void callFinish();
    // In place of callFinish() after a run stopped part-way: the abandonRun()
    // of every module initialised, which writes no summaries.
    void callAbandonRun();
    void deleteNetwork();
    bool isRunning() const { return phase_ == RUNNING; }
    // Ends the run with `error` once the current event is done. For a fault
    // met in the middle of a module's work (a write the file system refuses),
    // where unwinding at once would leave the messages the module holds in
    // its hands without an owner.
    void failAfterEvent(const cRuntimeError& error);
    // Asks the run to stop at the next event boundary as interrupted by
    // `signal`. It only stores the number, so a signal handler may call it.
    static void interrupt(int signal) { interruptSignal_ = signal; }
    // The signal that interrupted the run, or 0.
    static int interruptSignal() { return interruptSignal_; }
    const std::string& stopReason() const { return stopReason_; }

    // Keeps `obj` until the network is deleted: records that modules share by
    // address for the whole run (task timings, shared tables) go with the run
    // instead of outliving it.
    template <class T>
    T* keepForRun(std::unique_ptr<T> obj)
    {
        T* kept = obj.get();
        runObjects_.emplace_back(std::shared_ptr<T>(std::move(obj)));
        return kept;
    }

    // Initialises a module tree created while the network is already
    // initialised, and starts its coroutines at the current time.
    void startCreatedModules(cModule* top);

  private:
    friend class cSimpleModule;
    enum Phase { EMPTY, BUILT, INITIALIZED, RUNNING, ENDED };

    void scheduleStart(cSimpleModule* mod);
    void initializeFrom(size_t firstId);
    // Picks the next event and hands its message to its module; returns that
    // module, or null when the run must stop. Never throws: a kernel error is
    // kept for the main context to raise.
    cSimpleModule* takeNextEvent();
    // The same when the next event is not the front of the run.
    [[gnu::noinline]] cSimpleModule* takeNextEventOfLists();
    // The module of `next` when nothing calls for takeNextEventChecked():
    // no stop, interrupt, observer, limit or periodic check, and a module
    // that exists and has not ended.
    cSimpleModule* moduleForFastPath(const cMessageHeap::Entry* next) const;
    // Counts the event and gives its message to its module.
    cSimpleModule* handOver(cMessage* msg, cSimpleModule* mod);
    // The same for every case: a stop, the end of the list or of the time
    // allowed, an observer, the periodic limit check, a module deleted or
    // ended. takeNextEvent() and takeNextEventOfLists() handle the common one.
    cSimpleModule* takeNextEventChecked();
    // Runs `mod` (which must have a delivered message) from whatever context
    // calls it: the main loop or another module's coroutine.
    void transferTo(cSimpleModule* mod);
    void returnToMain();
    void stop(RunOutcome outcome, std::string reason);
    bool checkLimits();
    void boundShortWay();
    void setStopping(bool stopping)
    {
        stopping_ = stopping;
        boundShortWay();
    }

    std::vector<cModule*> modules_;
    cModule* systemModule_ = nullptr;
    cMessageHeap fes_;
    simtime_t simTime_ = 0;
    uint64_t eventCount_ = 0;
    cSimpleModule* running_ = nullptr;
    cIniFile* ini_ = nullptr;
    size_t minStackSize_ = 256 * 1024;
    simtime_t simTimeLimit_ = MAXTIME;
    double cpuTimeLimit_ = 0;
    double startWallClock_ = 0;
    std::function<void()> progressHook_;
    cEventObserver* observer_ = nullptr;
    // The latest time an event may take the short way: the time limit, or
    // before every event while the run is stopping or observed. It folds
    // those tests into one comparison.
    simtime_t shortWayUntil_ = MAXTIME;
    Phase phase_ = EMPTY;
    bool stopping_ = false;
    bool failed_ = false;
    RunOutcome outcome_ = RunOutcome::EVENTS_EXHAUSTED;
    std::string stopReason_;
    std::exception_ptr pendingError_;
    std::vector<cSimpleModule*> startQueue_;
    std::vector<std::shared_ptr<void>> runObjects_;
    static volatile std::sig_atomic_t interruptSignal_;
};

extern cSimulation simulation;

inline simtime_t simTime()
{
    return simulation.simTime();
}
