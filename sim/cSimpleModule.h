#pragma once

#include <cstdint>
#include <deque>

#include "sim/Coroutine.h"
#include "sim/cMessage.h"
#include "sim/cModule.h"

// A module whose whole behaviour is one coroutine, activity(). The coroutine
// runs only between the kernel's delivery of a message and the module's next
// receive() or wait(); time passes only there.
class cSimpleModule : public cModule {
  public:
    // `stackSize` is the stack the module's type declares; the kernel treats it
    // as a minimum and never gives less than the run's min-stack-size.
    cSimpleModule(const char* name, cModule* parent, unsigned stackSize);
    ~cSimpleModule() override;
    // A simple module made with new sits at the top of its own coroutine
    // stack (see ModuleStackBlock).
    static void* operator new(size_t size);
    static void operator delete(void* p);
    const char* className() const override { return "cSimpleModule"; }
    bool isSimple() const override { return true; }

    virtual void activity() {}

    // Sending. A sent message belongs to the kernel, then to its receiver.
    void send(cMessage* msg, int gateId) { sendDelayed(msg, 0.0, gateId); }
    void send(cMessage* msg, const char* gateName, int index = -1) { sendDelayed(msg, 0.0, gateName, index); }
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
    cMessage* receive() { return putAsideCount_ == 0 ? waitForMessage() : takePutAside(); }
    // The same, giving up after `timeout` seconds: then returns null.
    cMessage* receive(simtime_t timeout);
    // Lets `t` seconds pass; messages that arrive meanwhile are put aside.
    void wait(simtime_t t);
    int putAsideCount() const { return putAsideCount_; }

    simtime_t simTime() const;
    unsigned declaredStackSize() const { return stackSize_; }
    size_t stackSize() const;
    // Ends this module's activity; later messages to it are an error.
    [[noreturn]] void end();
    bool started() const { return started_; }
    bool activityEnded() const { return ended_; }

  private:
    friend class cSimulation;
    // The routes of the gates the module sent on last, by id, so that a send
    // by id reads neither the module's gate tables nor the gate.
    struct GateById {
        int id = -1;
        int routeModuleId = -1;
        int routeGateId = -1;
        // The topology the route was taken from, in 32 bits so that a slot
        // is 32 bytes and never straddles two cache lines.
        uint32_t version = 0;
        double delay = 0;
        cGate* gate = nullptr;

        static uint32_t current() { return static_cast<uint32_t>(cGate::topologyVersion()); }
    };
    static constexpr unsigned kGatesById = 4;

    static void run(void* self);
    // Gives the module its coroutine and stack; the kernel does it at set-up,
    // so that no event of the run pays for mapping a stack.
    void makeCoroutine();
    cMessage* waitForMessage();
    cMessage* takePutAside();
    // Gate `gateName`[`index`], or null. The gate vector is remembered by the
    // address and the text of the name: the model names its gates with
    // literals, so a send by name usually costs a comparison of a few
    // characters, not a look-up, whatever element of the vector it takes.
    cGate* namedGate(const char* gateName, int index);
    GateById& gateSlot(int id)
    {
        return gatesById_[(static_cast<unsigned>(id) ^ static_cast<unsigned>(id) >> 16) % kGatesById];
    }
    // Fills `slot` with the route from gate `id`; false where a send there
    // would be refused.
    bool learnRoute(GateById& slot, int id);
    [[gnu::noinline]] void sendByNewRoute(cMessage* msg, simtime_t delay, int gateId);
    [[gnu::noinline]] void sendOnStaleRoute(cMessage* msg, simtime_t delay, cGate* g);
    // Forgets the gates remembered by id and by name.
    void gatesChanged() override;
    // Stamps `msg` as sent now from gate `fromGateId` (-1: scheduled) and
    // books its arrival.
    void post(cMessage* msg, simtime_t arrival, int fromGateId, int toModuleId, int toGateId);
    [[noreturn]] void sendError(const char* what, cMessage* msg) const;
    [[noreturn]] void refuse(cMessage* msg, const char* fmt, ...) const __attribute__((format(printf, 3, 4)));
    [[noreturn]] void refuseRoute(cMessage* msg, const cGate* from) const;
    [[noreturn]] __attribute__((cold)) void refuseSend(cMessage* msg, simtime_t delay, cGate* g) const;
    [[noreturn]] __attribute__((cold)) void refuseSchedule(simtime_t t, cMessage* msg) const;

    // What the delivery of an event and the module's sends touch, side by
    // side: the kernel asks for these lines ahead of the event.
    Coroutine coroutine_;
    cMessage* delivered_ = nullptr;
    bool started_ = false;
    bool ended_ = false;
    bool unwinding_ = false;
    // The length of putAside_, kept beside the fields every event reads, so
    // that receive() need not read the queue's own line.
    int putAsideCount_ = 0;
    cMessage* timeoutMsg_ = nullptr; // wait()'s own, read at every wait
    GateById gatesById_[kGatesById];
    Coroutine* unwinder_ = nullptr;
    std::deque<cMessage*> putAside_;

    struct NamedGate {
        static constexpr size_t kText = 24; // longer names are looked up each time
        const char* name = nullptr;
        int vector = -1;
        bool literal = false; // the name is a literal of the program: the address alone tells
        char text[kText] = {};
    };
    static constexpr unsigned kNamedGates = 8;
    NamedGate namedGates_[kNamedGates];

    unsigned stackSize_;
    // The stack that the module's block holds for it, if it has a block.
    char* blockStack_ = nullptr;
    size_t blockStackSize_ = 0;
};

// Thrown by cSimpleModule::end() to leave activity().
class cEndModuleException {};
