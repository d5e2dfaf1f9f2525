#include "sim/cSimulation.h"

#include <chrono>
#include <cstring>
#include <limits>

#include "sim/Coroutine.h"
#include "sim/cEventObserver.h"
#include "sim/cException.h"
#include "sim/cIniFile.h"
#include "sim/cModule.h"
#include "sim/cModuleType.h"
#include "sim/cSimpleModule.h"

cSimulation simulation;
volatile std::sig_atomic_t cSimulation::interruptSignal_ = 0;

namespace {
double wallClock()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

int cSimulation::registerModule(cModule* mod)
{
    modules_.push_back(mod);
    return static_cast<int>(modules_.size()) - 1;
}

void cSimulation::deregisterModule(cModule* mod)
{
    int id = mod->id();
    if (id >= 0 && id < static_cast<int>(modules_.size()) && modules_[id] == mod)
        modules_[id] = nullptr;
    if (mod == systemModule_)
        systemModule_ = nullptr;
}

cModule* cSimulation::moduleByPath(const char* path) const
{
    if (!systemModule_)
        return nullptr;
    std::string root = systemModule_->fullName();
    size_t n = root.size();
    if (std::strncmp(path, root.c_str(), n) != 0)
        return nullptr;
    if (path[n] == '\0')
        return systemModule_;
    if (path[n] != '.')
        return nullptr;
    return systemModule_->moduleByRelativePath(path + n + 1);
}

void cSimulation::readInputParameter(cPar& par)
{
    std::string path = par.fullPath();
    const cIniFile::Entry* line = ini_ ? ini_->findParameterEntry(path) : nullptr;
    const char* file = ini_ && !ini_->fileName().empty() ? ini_->fileName().c_str() : "omnetpp.ini";
    if (!line)
        throwError("Parameter %s has no value: give it in \"%s\"", path.c_str(), file);
    std::string why;
    if (!par.parse(line->value.c_str(), &why))
        throwError("Value %s given for parameter %s in \"%s\" line %d %s", line->value.c_str(), path.c_str(),
                   line->file.c_str(), line->line, why.c_str());
    par.setIniLine(line->file, line->line);
}

double cSimulation::elapsedSeconds() const
{
    return wallClock() - startWallClock_;
}

void cSimulation::setupNetwork(const char* networkName)
{
    cNetworkType* network = findNetwork(networkName);
    if (!network)
        throwError("Network %s not found", networkName);
    setupNetwork(network);
}

void cSimulation::setupNetwork(cNetworkType* network)
{
    if (phase_ != EMPTY)
        deleteNetwork();
    simTime_ = 0;
    eventCount_ = 0;
    fes_.resetInsertOrder();
    phase_ = BUILT;
    network->setupNetwork();
}

void cSimulation::initializeFrom(size_t firstId)
{
    // Modules created by an initialize() land at the end of the list and are
    // initialised in this same pass, after all that existed before them.
    for (size_t id = firstId; id < modules_.size(); ++id) {
        cModule* mod = modules_[id];
        if (!mod || mod->initialized())
            continue;
        mod->callInitialize();
        if (mod->isSimple())
            startQueue_.push_back(static_cast<cSimpleModule*>(mod));
    }
}

void cSimulation::callInitialize()
{
    try {
        initializeFrom(0);
    } catch (...) {
        callAbandonRun();
        throw;
    }
    phase_ = INITIALIZED;
    for (cSimpleModule* mod : startQueue_)
        if (module(mod->id()) == mod)
            scheduleStart(mod);
    startQueue_.clear();
}

void cSimulation::startCreatedModules(cModule* top)
{
    if (phase_ == BUILT)
        return; // the set-up's own initialisation pass will reach them
    initializeFrom(static_cast<size_t>(top->id()));
    for (cSimpleModule* mod : startQueue_)
        if (module(mod->id()) == mod)
            scheduleStart(mod);
    startQueue_.clear();
}

void cSimulation::scheduleStart(cSimpleModule* mod)
{
    mod->makeCoroutine();
    cMessage* starter = new cMessage("starter", -1);
    starter->arrival_ = simTime_;
    starter->arrivalModuleId_ = mod->id();
    starter->senderModuleId_ = mod->id();
    fes_.insert(starter);
}

void cSimulation::stop(RunOutcome outcome, std::string reason)
{
    if (stopping_)
        return;
    setStopping(true);
    outcome_ = outcome;
    stopReason_ = std::move(reason);
}

bool cSimulation::checkLimits()
{
    if (progressHook_)
        progressHook_();
    if (cpuTimeLimit_ > 0 && elapsedSeconds() > cpuTimeLimit_) {
        stop(RunOutcome::CPU_TIME_LIMIT, "CPU time limit reached");
        return false;
    }
    return true;
}

void cSimulation::boundShortWay()
{
    const bool everyEventChecked = stopping_ || observer_;
    shortWayUntil_ = everyEventChecked ? -std::numeric_limits<simtime_t>::infinity() : simTimeLimit_;
}

inline cSimpleModule* cSimulation::moduleForFastPath(const cMessageHeap::Entry* next) const
{
    if (interruptSignal_ || next->time > shortWayUntil_ || ((eventCount_ + 1) & 0x3FFF) == 0)
        return nullptr;
    const auto id = static_cast<size_t>(next->moduleId);
    auto* mod = static_cast<cSimpleModule*>(id < modules_.size() ? modules_[id] : nullptr);
    return mod && !mod->ended_ ? mod : nullptr;
}

inline cSimpleModule* cSimulation::handOver(cMessage* msg, cSimpleModule* mod)
{
    ++eventCount_;
    mod->delivered_ = msg;
    return mod;
}

// Calls nothing on its way, so that it saves no registers: a message passed
// on at the current time is the common event.
cSimpleModule* cSimulation::takeNextEvent()
{
    const cMessageHeap::Entry* next = fes_.runFrontIfNext();
    if (!next)
        return takeNextEventOfLists();
    cSimpleModule* mod = moduleForFastPath(next);
    if (!mod)
        return takeNextEventChecked();
    simTime_ = next->time;
    return handOver(fes_.removeRunFrontNext(), mod);
}

cSimpleModule* cSimulation::takeNextEventOfLists()
{
    const cMessageHeap::Entry* next = fes_.firstEntry();
    cSimpleModule* mod = next ? moduleForFastPath(next) : nullptr;
    if (!mod)
        return takeNextEventChecked();
    simTime_ = next->time;
    return handOver(fes_.removeFirst(next), mod);
}

cSimpleModule* cSimulation::takeNextEventChecked()
{
    for (;;) {
        if (stopping_)
            return nullptr;
        if (interruptSignal_) {
            stop(RunOutcome::INTERRUPTED, "Interrupted");
            return nullptr;
        }
        cMessage* msg = fes_.peekFirst();
        if (!msg) {
            stop(RunOutcome::EVENTS_EXHAUSTED, "No more events");
            return nullptr;
        }
        if (msg->arrival_ > simTimeLimit_) {
            simTime_ = simTimeLimit_;
            stop(RunOutcome::SIM_TIME_LIMIT, "Simulation time limit reached");
            return nullptr;
        }
        if (observer_ && !observer_->beforeEvent(*msg)) {
            stop(RunOutcome::INTERRUPTED, "Simulation stopped");
            return nullptr;
        }
        fes_.removeFirst();
        simTime_ = msg->arrival_;
        ++eventCount_;
        if ((eventCount_ & 0x3FFF) == 0 && !checkLimits()) {
            fes_.insert(msg); // undelivered; it stays for the leak count to ignore
            return nullptr;
        }
        cModule* target = module(msg->arrivalModuleId_);
        if (!target) { // its module was deleted meanwhile
            cMessage::dispose(msg);
            continue;
        }
        auto* mod = static_cast<cSimpleModule*>(target);
        if (mod->ended_) {
            pendingError_ = std::make_exception_ptr(
                cRuntimeError(opp_format("Message (%s)%s arrived at module %s, whose activity() has already ended",
                                         msg->className(), msg->name(), mod->fullPath().c_str())));
            cMessage::dispose(msg);
            stop(RunOutcome::EVENTS_EXHAUSTED, "error");
            return nullptr;
        }
        mod->delivered_ = msg;
        return mod;
    }
}

void cSimulation::transferTo(cSimpleModule* mod)
{
    if (!mod->started_) {
        delete mod->delivered_; // the starter
        mod->delivered_ = nullptr;
        mod->started_ = true;
    }
    running_ = mod;
    Coroutine::switchTo(&mod->coroutine_);
}

void cSimulation::returnToMain()
{
    running_ = nullptr;
    Coroutine::switchTo(Coroutine::main());
}

void cSimulation::failAfterEvent(const cRuntimeError& error)
{
    if (!pendingError_)
        pendingError_ = std::make_exception_ptr(error);
    setStopping(true);
}

RunOutcome cSimulation::run()
{
    // A run stopped by a time limit may go on; one that failed may not.
    if (phase_ != INITIALIZED && !(phase_ == ENDED && !failed_))
        throwError("Network is not set up and initialised, or its run failed");
    phase_ = RUNNING;
    setStopping(false);
    pendingError_ = nullptr;
    startWallClock_ = wallClock();
    Coroutine::main();
    for (;;) {
        cSimpleModule* next = takeNextEvent();
        if (next)
            transferTo(next);
        running_ = nullptr;
        if (pendingError_) {
            phase_ = ENDED;
            failed_ = true;
            std::exception_ptr e = pendingError_;
            pendingError_ = nullptr;
            std::rethrow_exception(e);
        }
        if (stopping_)
            break;
    }
    phase_ = ENDED;
    return outcome_;
}

void cSimulation::callFinish()
{
    for (cModule* mod : modules_)
        if (mod)
            mod->callFinish();
}

void cSimulation::callAbandonRun()
{
    for (cModule* mod : modules_)
        if (mod && mod->initialized())
            mod->abandonRun();
}

void cSimulation::deleteNetwork()
{
    // Modules go first: they take their own scheduled messages (time-outs)
    // off the event list; what is left there belongs to nobody else.
    delete systemModule_;
    systemModule_ = nullptr;
    // Modules created without a parent (tests) go too.
    for (size_t i = modules_.size(); i-- > 0;)
        if (modules_[i] && !modules_[i]->parentModule())
            delete modules_[i];
    fes_.clear();
    modules_.clear();
    startQueue_.clear();
    runObjects_.clear();
    simTime_ = 0;
    eventCount_ = 0;
    running_ = nullptr;
    phase_ = EMPTY;
    failed_ = false;
    interruptSignal_ = 0;
    setStopping(false);
    stopReason_.clear();
}
