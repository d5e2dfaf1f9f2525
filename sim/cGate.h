#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "sim/cObject.h"
#include "sim/cPar.h"

class cGate;
class cModule;

// A connection's channel: the delay it adds, held as a parameter that the
// channel owns (a constant or an expression with its own parameter copies).
class cChannel : public cObject {
  public:
    explicit cChannel(const char* name = nullptr) : cObject(name), delay_("delay") {}
    const char* className() const override { return "cChannel"; }
    cPar& delayPar() { return delay_; }
    double delay() const { return delay_.hasValue() ? delay_.doubleValue() : 0.0; }
    // A delay is a finite number of seconds, at least 0; anything else ends
    // the set-up, naming the connection: here once the channel is
    // connected, before that where it is connected.
    void setDelay(double d);
    static bool isValidDelay(double d);

  private:
    friend class cGate;
    cPar delay_;
    const cGate* from_ = nullptr; // the gate the channel leaves from, once connected
};

// One gate of a module: an input or an output, alone or an element of a gate
// vector. A connection runs from an output (or a compound's input, inwards) to
// the next gate along the path; the connection's channel and display string
// belong to its source gate.
class cGate : public cObject {
  public:
    cGate(const char* name, char type, cModule* owner, int id, int index, bool isVector);
    ~cGate() override;
    const char* className() const override { return "cGate"; }
    std::string fullName() const override;
    std::string fullPath() const override;

    int id() const { return id_; }
    char type() const { return type_; }
    bool isInput() const { return type_ == 'I'; }
    bool isOutput() const { return type_ == 'O'; }
    int index() const { return isVector_ ? index_ : 0; }
    bool isVector() const { return isVector_; }
    int size() const;
    cModule* ownerModule() const { return owner_; }

    // Joins this gate to `to`; the gate takes ownership of the channel (and
    // deletes it when its delay is refused).
    void connectTo(cGate* to, cChannel* channel = nullptr);
    void disconnect();
    cGate* toGate() const { return to_; }
    cGate* fromGate() const { return from_; }
    bool isConnected() const { return to_ || from_; }
    bool isConnectedOutside() const;
    cChannel* channel() const { return channel_.get(); }

    // Follows the path forwards (or backwards) to its last (first) gate.
    cGate* destinationGate() const;
    cGate* sourceGate() const;
    // True when the path through this gate starts and ends at simple modules.
    bool isRouteOK() const;

    const char* displayString() const { return displayString_.c_str(); }
    void setDisplayString(const char* s) { displayString_ = s ? s : ""; }

    // The final gate of the path and the sum of channel delays along it,
    // cached until the network's connections change.
    cGate* route(double& delay) const
    {
        if (routeVersion_ != topologyVersion_)
            computeRoute();
        delay = routeDelay_;
        return routeDest_;
    }
    // The route as last found, when no connection has changed since: its
    // final gate (null for none) and delay.
    bool routeIsCurrent() const { return routeVersion_ == topologyVersion_; }
    cGate* cachedRouteDestination() const { return routeDest_; }
    double cachedRouteDelay() const { return routeDelay_; }
    // The ids of the route's final gate and of its module, cached with the
    // route: a send stamps them on the message without touching either.
    int routeModuleId() const { return routeModuleId_; }
    int routeGateId() const { return routeGateId_; }
    static void topologyChanged() { ++topologyVersion_; }
    // Changes whenever any connection does.
    static uint64_t topologyVersion() { return topologyVersion_; }

  private:
    void computeRoute() const;

    // What a send reads comes first, so that it shares a cache line or two
    // with the object's head.
    int id_;
    char type_;
    bool isVector_;
    mutable int routeModuleId_ = -1;
    mutable int routeGateId_ = -1;
    mutable uint64_t routeVersion_ = 0;
    mutable cGate* routeDest_ = nullptr;
    mutable double routeDelay_ = 0;

    cModule* owner_;
    int index_;
    cGate* to_ = nullptr;
    cGate* from_ = nullptr;
    std::unique_ptr<cChannel> channel_;
    std::string displayString_;
    static uint64_t topologyVersion_;
};
