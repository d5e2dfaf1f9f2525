#pragma once

#include <cstdint>

#include "sim/MessagePool.h"
#include "sim/ParList.h"
#include "sim/SimTime.h"
#include "sim/cObject.h"
#include "sim/cPar.h"

class cGate;
class cModule;

// A message: what modules send each other and schedule to themselves.
//
// The length is a plain number that the model uses as a size in bytes (on a
// cable, in bit-times); the kernel never interprets it. Encapsulation does not
// change lengths either: a wrapper carries whatever length its builder sets.
//
// Priority orders messages that arrive at the same time: a smaller value is
// delivered first; equal time and priority keep the order of sending.
class cMessage : public cObject {
  public:
    explicit cMessage(const char* name = nullptr, int kind = 0, long length = 1, int priority = 0, bool error = false);
    cMessage(const cMessage& other);
    // Copies kind, length, priority, error flag, time stamps, context pointer,
    // parameter list and encapsulated message (both deep); keeps the name.
    cMessage& operator=(const cMessage& other);
    ~cMessage() override;

    const char* className() const override { return "cMessage"; }
    cMessage* dup() const override { return new cMessage(*this); }

    // Every message, of whatever class, takes its storage from the pool.
    static void* operator new(size_t size) { return MessagePool::allocate(size); }
    static void operator delete(void* p, size_t size) { MessagePool::release(p, size); }

    // How the kernel frees a message that no module took: what is left on the
    // event list or in a queue when the network goes, what waits for a module
    // being deleted, a message for a module that no longer exists, one that
    // send() refused, the encapsulated message of a deleted one. The model
    // installs the routine that also frees what its messages own by address;
    // until then such a message is simply deleted.
    using Disposer = void (*)(cMessage*);
    static void setDisposer(Disposer disposer);
    static void dispose(cMessage* msg);
    // The same for whatever a container owns: messages as above, other
    // objects deleted.
    static void disposeObject(cObject* obj);

    int kind() const { return kind_; }
    void setKind(int kind) { kind_ = kind; }
    long length() const { return length_; }
    void setLength(long length) { length_ = length; }
    void addLength(long delta) { length_ += delta; }
    int priority() const { return priority_; }
    void setPriority(int priority) { priority_ = priority; }
    bool hasBitError() const { return error_; }
    void setBitError(bool error) { error_ = error; }

    simtime_t creationTime() const { return created_; }
    simtime_t sendingTime() const { return sent_; }
    simtime_t arrivalTime() const { return arrival_; }
    simtime_t timestamp() const { return timestamp_; }
    void setTimestamp(simtime_t t) { timestamp_ = t; }
    void setTimestamp();

    void* contextPointer() const { return context_; }
    void setContextPointer(void* p) { context_ = p; }

    // Where the message came from and where it arrived.
    int senderModuleId() const { return senderModuleId_; }
    int senderGateId() const { return senderGateId_; }
    int arrivalModuleId() const { return arrivalModuleId_; }
    int arrivalGateId() const { return arrivalGateId_; }
    cModule* senderModule() const;
    cModule* arrivalModule() const;
    cGate* arrivalGate() const;
    bool arrivedOn(int gateId) const { return arrivalGateId_ == gateId; }
    bool arrivedOn(const char* gateName, int index = -1) const;

    bool isSelfMessage() const { return arrivalGateId_ == -1; }
    bool isScheduled() const { return heapIndex_ >= 0; }

    // Parameter list; parameters may be added without a value.
    cPar& addPar(const char* name);
    cPar& addPar(cPar* par); // takes ownership
    cPar& par(int index);
    cPar& par(const char* name);
    int findPar(const char* name) const;
    bool hasPar(const char* name) const { return findPar(name) >= 0; }
    int parListSize() const { return params_.size(); }
    void removePar(const char* name);

    // The outer message owns the encapsulated one; dup() copies it.
    void encapsulate(cMessage* msg);
    cMessage* decapsulate();
    cMessage* encapsulatedMsg() const { return encapsulated_; }

    // Messages in existence and created since start-up, for leak reports.
    static long liveMessageCount() { return live_; }
    static long totalMessageCount() { return total_; }

  private:
    friend class cMessageHeap;
    friend class RadixHeap;
    friend class cSimulation;
    friend class cSimpleModule;

    // What the delivery of an event reads and writes comes first, so that it
    // shares a cache line with the name and the kind.
    int kind_;
    int heapIndex_ = -1; // the slot on the event list, or -1
    simtime_t arrival_ = 0;
    int arrivalModuleId_ = -1;
    int arrivalGateId_ = -1;
    int priority_;
    int senderModuleId_ = -1;
    int senderGateId_ = -1;
    bool error_;
    long length_;
    simtime_t sent_ = 0;
    simtime_t created_;
    simtime_t timestamp_ = 0;
    void* context_ = nullptr;
    ParList params_;
    cMessage* encapsulated_ = nullptr;

    static long live_;
    static long total_;
};
