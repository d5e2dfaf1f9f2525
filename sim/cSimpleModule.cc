#include "sim/cSimpleModule.h"

#include <cfloat>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstring>
#include <new>

#include "sim/AddressSanitizer.h"
#include "sim/ModuleStackBlock.h"
#include "sim/StaticText.h"
#include "sim/cException.h"
#include "sim/cSimulation.h"

#ifdef VELMORA_ASAN
// The sanitizer keeps watching modules made on its own heap.
constexpr bool kModulesInStackBlocks = false;
#else
constexpr bool kModulesInStackBlocks = true;
#endif

cSimpleModule::cSimpleModule(const char* name, cModule* parent, unsigned stackSize)
    : cModule(name, parent), stackSize_(stackSize)
{
    if (!ModuleStackBlock::stackOf(this, blockStack_, blockStackSize_))
        blockStack_ = nullptr;
}

void* cSimpleModule::operator new(size_t size)
{
    return kModulesInStackBlocks ? ModuleStackBlock::allocate(size) : ::operator new(size);
}

void cSimpleModule::operator delete(void* p)
{
    if (kModulesInStackBlocks)
        ModuleStackBlock::release(p);
    else
        ::operator delete(p);
}

cSimpleModule::~cSimpleModule()
{
    if (started_ && !ended_) {
        // Unwind the suspended activity() so that its locals are destroyed.
        if (simulation.running_ == this)
            std::terminate(); // a module cannot delete itself from its own activity()
        cSimpleModule* wasRunning = simulation.running_;
        unwinder_ = Coroutine::current();
        unwinding_ = true;
        simulation.running_ = this;
        Coroutine::switchTo(&coroutine_);
        simulation.running_ = wasRunning;
    }
    coroutine_.release();
    cMessage::dispose(delivered_);
    for (cMessage* msg : putAside_)
        cMessage::dispose(msg);
    if (timeoutMsg_) {
        simulation.messageQueue().remove(timeoutMsg_);
        delete timeoutMsg_;
    }
}

void cSimpleModule::makeCoroutine()
{
    if (coroutine_.made())
        return;
    const size_t needed = std::max<size_t>(stackSize_, simulation.minStackSize());
    if (blockStack_ && blockStackSize_ >= needed)
        coroutine_.make(&cSimpleModule::run, this, blockStack_, blockStackSize_, fullPath());
    else
        coroutine_.make(&cSimpleModule::run, this, needed, fullPath());
}

void cSimpleModule::run(void* self)
{
    auto* mod = static_cast<cSimpleModule*>(self);
    try {
        mod->activity();
    } catch (cEndModuleException&) {
    } catch (cStackCleanupException&) {
    } catch (cTerminationException& e) {
        simulation.stop(RunOutcome::END_SIMULATION, e.reason());
    } catch (cRuntimeError&) {
        simulation.pendingError_ = std::current_exception();
    } catch (std::bad_alloc&) {
        // Mostly a setting that sizes a table beyond what the machine holds.
        simulation.pendingError_ = std::make_exception_ptr(
            cRuntimeError("Not enough memory: the module ran out of memory while setting up or running; a setting "
                          "that sizes its tables may be too large",
                          mod->fullPath()));
    } catch (std::exception& e) {
        simulation.pendingError_ =
            std::make_exception_ptr(cRuntimeError(std::string("Unexpected exception: ") + e.what(), mod->fullPath()));
    }
    mod->ended_ = true;
    for (;;) {
        if (mod->unwinding_) {
            Coroutine::switchTo(mod->unwinder_);
        } else {
            simulation.returnToMain();
        }
    }
}

cMessage* cSimpleModule::waitForMessage()
{
    cSimpleModule* next = simulation.takeNextEvent();
    if (next != this) {
        if (next)
            simulation.transferTo(next);
        else
            simulation.returnToMain();
        // Resumed by whoever delivered us a message, or by our deleter.
        if (unwinding_)
            throw cStackCleanupException();
    }
    cMessage* msg = delivered_;
    delivered_ = nullptr;
    return msg;
}

cMessage* cSimpleModule::takePutAside()
{
    cMessage* msg = putAside_.front();
    putAside_.pop_front();
    --putAsideCount_;
    return msg;
}

cMessage* cSimpleModule::receive(simtime_t timeout)
{
    if (putAsideCount_ != 0)
        return takePutAside();
    if (!(timeout >= 0) || !std::isfinite(timeout))
        error("receive(): time-out %g is negative or not finite", timeout);
    if (!timeoutMsg_)
        timeoutMsg_ = new cMessage("timeout");
    scheduleAt(simTime() + timeout, timeoutMsg_);
    cMessage* msg = waitForMessage();
    if (msg == timeoutMsg_)
        return nullptr;
    cancelEvent(timeoutMsg_);
    return msg;
}

void cSimpleModule::wait(simtime_t t)
{
    if (!(t >= 0) || !std::isfinite(t))
        error("wait(): delay %g is negative or not finite", t);
    if (!timeoutMsg_)
        timeoutMsg_ = new cMessage("timeout");
    scheduleAt(simTime() + t, timeoutMsg_);
    for (;;) {
        cMessage* msg = waitForMessage();
        if (msg == timeoutMsg_)
            return;
        putAside_.push_back(msg);
        ++putAsideCount_;
    }
}

simtime_t cSimpleModule::simTime() const
{
    return simulation.simTime();
}

size_t cSimpleModule::stackSize() const
{
    return coroutine_.made() ? coroutine_.stackSize() : std::max<size_t>(stackSize_, simulation.minStackSize());
}

void cSimpleModule::end()
{
    throw cEndModuleException();
}

void cSimpleModule::sendError(const char* what, cMessage* msg) const
{
    error("%s: message (%s)%s %s", what, msg->className(), msg->name(),
          msg->isScheduled() ? "is already scheduled or on its way" : "cannot be sent");
}

void cSimpleModule::refuse(cMessage* msg, const char* fmt, ...) const
{
    // The message was handed over; the run ends, so it is the kernel's to free.
    cMessage::dispose(msg);
    va_list ap;
    va_start(ap, fmt);
    std::string text = opp_vformat(fmt, ap);
    va_end(ap);
    throw cRuntimeError(text, fullPath());
}

void cSimpleModule::refuseRoute(cMessage* msg, const cGate* from) const
{
    const cGate* last = from->destinationGate();
    if (last == from)
        refuse(msg, "send(): gate %s is not connected", from->fullName().c_str());
    refuse(msg, "send(): the path from gate %s does not end at a simple module: it ends at gate %s of module %s",
           from->fullName().c_str(), last->fullName().c_str(), last->ownerModule()->fullPath().c_str());
}

cGate* cSimpleModule::namedGate(const char* gateName, int index)
{
    NamedGate& slot = namedGates_[(reinterpret_cast<uintptr_t>(gateName) >> 3) % kNamedGates];
    // A literal never changes; any other address may hold another name by
    // now, hence the text.
    if (slot.name == gateName && (slot.literal || std::strcmp(slot.text, gateName) == 0))
        return gateInVector(slot.vector, index);
    const int vector = findGateVector(gateName);
    if (vector < 0)
        return nullptr;
    const bool literal = StaticText::contains(gateName);
    const size_t length = literal ? 0 : std::strlen(gateName);
    if (length < NamedGate::kText) {
        slot.name = gateName;
        slot.vector = vector;
        slot.literal = literal;
        std::memcpy(slot.text, literal ? "" : gateName, length + 1);
    }
    return gateInVector(vector, index);
}

void cSimpleModule::sendDelayed(cMessage* msg, simtime_t delay, const char* gateName, int index)
{
    cGate* g = namedGate(gateName, index);
    if (!g) {
        if (index >= 0)
            refuse(msg, "send(): no gate %s[%d]", gateName, index);
        refuse(msg, "send(): no gate %s", gateName);
    }
    sendDelayed(msg, delay, g);
}

void cSimpleModule::gatesChanged()
{
    for (GateById& slot : gatesById_)
        slot = GateById{};
    for (NamedGate& slot : namedGates_)
        slot = NamedGate{};
}

bool cSimpleModule::learnRoute(GateById& slot, int id)
{
    cGate* g = gate(id);
    if (!g || !g->isOutput())
        return false;
    double pathDelay = 0;
    if (!g->route(pathDelay) || !(pathDelay >= 0 && pathDelay <= DBL_MAX))
        return false;
    slot = GateById{id, g->routeModuleId(), g->routeGateId(), GateById::current(), pathDelay, g};
    return true;
}

// The common send, on a route the module has used before, calls nothing but
// the event list, so that it saves no registers; the rest is out of line.
void cSimpleModule::sendDelayed(cMessage* msg, simtime_t delay, int gateId)
{
    const GateById& slot = gateSlot(gateId);
    if (slot.id != gateId || slot.version != GateById::current() || !msg || msg->isScheduled() ||
        !(delay >= 0 && delay <= DBL_MAX))
        return sendByNewRoute(msg, delay, gateId);
    post(msg, simulation.simTime() + delay + slot.delay, gateId, slot.routeModuleId, slot.routeGateId);
}

void cSimpleModule::sendByNewRoute(cMessage* msg, simtime_t delay, int gateId)
{
    GateById& slot = gateSlot(gateId);
    const bool known = slot.id == gateId && slot.version == GateById::current();
    if (!known && !learnRoute(slot, gateId)) {
        cGate* g = gate(gateId);
        if (!g)
            refuse(msg, "send(): no gate with id %d", gateId);
        sendDelayed(msg, delay, g); // refuses, saying why
        return;
    }
    if (!msg || msg->isScheduled() || !(delay >= 0 && delay <= DBL_MAX))
        refuseSend(msg, delay, slot.gate);
    post(msg, simulation.simTime() + delay + slot.delay, gateId, slot.routeModuleId, slot.routeGateId);
}

void cSimpleModule::sendDelayed(cMessage* msg, simtime_t delay, cGate* g)
{
    const double pathDelay = g->cachedRouteDelay();
    if (!msg || msg->isScheduled() || !g->isOutput() || !g->routeIsCurrent() || !g->cachedRouteDestination() ||
        !(delay >= 0 && delay <= DBL_MAX && pathDelay >= 0 && pathDelay <= DBL_MAX))
        return sendOnStaleRoute(msg, delay, g);
    post(msg, simulation.simTime() + delay + pathDelay, g->id(), g->routeModuleId(), g->routeGateId());
}

void cSimpleModule::sendOnStaleRoute(cMessage* msg, simtime_t delay, cGate* g)
{
    double pathDelay = 0;
    cGate* dest = msg && !msg->isScheduled() && g->isOutput() ? g->route(pathDelay) : nullptr;
    // One test for every way a send can be refused; refuseSend() tells which.
    if (!dest || !(delay >= 0 && delay <= DBL_MAX && pathDelay >= 0 && pathDelay <= DBL_MAX))
        refuseSend(msg, delay, g);
    post(msg, simulation.simTime() + delay + pathDelay, g->id(), g->routeModuleId(), g->routeGateId());
}

void cSimpleModule::refuseSend(cMessage* msg, simtime_t delay, cGate* g) const
{
    if (!msg)
        error("send(): null message");
    if (msg->isScheduled())
        sendError("send()", msg);
    if (!g->isOutput())
        refuse(msg, "send(): %s is not an output gate", g->fullName().c_str());
    if (!(delay >= 0) || !std::isfinite(delay))
        refuse(msg, "sendDelayed(): delay %g is negative or not finite", delay);
    double pathDelay;
    if (!g->route(pathDelay))
        refuseRoute(msg, g);
    refuse(msg, "send(): the connections from gate %s add up to a delay of %g", g->fullName().c_str(), pathDelay);
}

void cSimpleModule::scheduleAt(simtime_t t, cMessage* msg)
{
    const simtime_t now = simulation.simTime();
    if (!msg || msg->isScheduled() || !(t >= now && t <= DBL_MAX))
        refuseSchedule(t, msg);
    post(msg, t, -1, id(), -1);
}

void cSimpleModule::post(cMessage* msg, simtime_t arrival, int fromGateId, int toModuleId, int toGateId)
{
    msg->senderModuleId_ = id();
    msg->senderGateId_ = fromGateId;
    msg->sent_ = simulation.simTime();
    msg->arrival_ = arrival;
    msg->arrivalModuleId_ = toModuleId;
    msg->arrivalGateId_ = toGateId;
    // A message passed on at the current time is mostly the next event or
    // close to it: the line its delivery reads of the receiver is asked for
    // while this module goes on.
    if (arrival == msg->sent_)
        if (const cModule* to = simulation.module(toModuleId))
            __builtin_prefetch(&static_cast<const cSimpleModule*>(to)->delivered_);
    simulation.insertEvent(msg);
}

void cSimpleModule::refuseSchedule(simtime_t t, cMessage* msg) const
{
    if (!msg)
        error("scheduleAt(): null message");
    if (msg->isScheduled())
        sendError("scheduleAt()", msg);
    if (!std::isfinite(t))
        refuse(msg, "scheduleAt(): event time %g is not finite", t);
    refuse(msg, "scheduleAt(): event time %g is in the past (now %g)", t, simulation.simTime());
}

cMessage* cSimpleModule::cancelEvent(cMessage* msg)
{
    if (msg && msg->isScheduled())
        simulation.messageQueue().remove(msg);
    return msg;
}
