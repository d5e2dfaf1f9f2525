#pragma once

#include <deque>

#include "sim/cMessage.h"
#include "sim/cModule.h"

class Coroutine;

// A module whose whole behaviour is one coroutine, activity(). The coroutine
// runs only between the kernel's delivery of a message and the module's next
// receive() or wait(); time passes only there.
class cSimpleModule : public cModule {
  public:
    // `stackSize` is the stack the module's type declares; the kernel treats it
    // as a minimum and never gives less than the run's min-stack-size.
    cSimpleModule(const char* name, cModule* parent, unsigned stackSize);
    ~cSimpleModule() override;
    const char* className() const override { return "cSimpleModule"; }
    bool isSimple() const override { return true; }

    virtual void activity() {}

    // Sending. A sent message belongs to the kernel, then to its receiver.
    void send(cMessage* msg, int gateId) { sendDelayed(msg, 0.0, gateId); }
    void send(cMessage* msg, const char* gateName, int index = -1);
    void send(cMessage* msg, cGate* gate) { sendDelayed(msg, 0.0, gate); }
    void sendDelayed(cMessage* msg, simtime_t delay, int gateId);
    void sendDelayed(cMessage* msg, simtime_t delay, const char* gateName, int index = -1);
    void sendDelayed(cMessage* msg, simtime_t delay, cGate* gate);

    // Self-messages.
    void scheduleAt(simtime_t t, cMessage* msg);
    // Takes a scheduled self-message off the event list and returns it.
    cMessage* cancelEvent(cMessage* msg);

    // Waits for the next message; messages put aside by wait() come first, in
    // arrival order.
    cMessage* receive();
    // The same, giving up after `timeout` seconds: then returns null.
    cMessage* receive(simtime_t timeout);
    // Lets `t` seconds pass; messages that arrive meanwhile are put aside.
    void wait(simtime_t t);
    int putAsideCount() const { return static_cast<int>(putAside_.size()); }

    simtime_t simTime() const;
    unsigned declaredStackSize() const { return stackSize_; }
    size_t stackSize() const;
    // Ends this module's activity; later messages to it are an error.
    [[noreturn]] void end();
    bool started() const { return coroutine_ != nullptr; }
    bool activityEnded() const { return ended_; }

  private:
    friend class cSimulation;
    static void run(void* self);
    cMessage* waitForMessage();
    [[noreturn]] void sendError(const char* what, cMessage* msg) const;
    [[noreturn]] void refuse(cMessage* msg, const char* fmt, ...) const __attribute__((format(printf, 3, 4)));

    unsigned stackSize_;
    Coroutine* coroutine_ = nullptr;
    cMessage* delivered_ = nullptr;
    cMessage* timeoutMsg_ = nullptr;
    std::deque<cMessage*> putAside_;
    bool ended_ = false;
    bool unwinding_ = false;
    Coroutine* unwinder_ = nullptr;
};

// Thrown by cSimpleModule::end() to leave activity().
class cEndModuleException {};
