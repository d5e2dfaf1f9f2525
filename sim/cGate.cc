#include "sim/cGate.h"

#include <cmath>

#include "sim/cException.h"
#include "sim/cModule.h"

uint64_t cGate::topologyVersion_ = 1;

namespace {

std::string refusedDelay(const cGate* from, const cGate* to, double d)
{
    // The sign of a NaN says nothing; printf would show one.
    const std::string value = std::isnan(d) ? "nan" : opp_format("%g", d);
    return opp_format("Connection %s --> %s: delay %s is negative or not finite", from->fullPath().c_str(),
                      to->fullPath().c_str(), value.c_str());
}

} // namespace

bool cChannel::isValidDelay(double d)
{
    return d >= 0 && std::isfinite(d);
}

void cChannel::setDelay(double d)
{
    if (from_ && !isValidDelay(d))
        throw cRuntimeError(refusedDelay(from_, from_->toGate(), d));
    delay_.setDoubleValue(d);
    cGate::topologyChanged();
}

cGate::cGate(const char* name, char type, cModule* owner, int id, int index, bool isVector)
    : cObject(name), id_(id), type_(type), isVector_(isVector), owner_(owner), index_(index)
{
}

cGate::~cGate()
{
    disconnect();
    if (from_) {
        from_->to_ = nullptr;
        from_->channel_.reset();
        topologyChanged();
    }
}

std::string cGate::fullName() const
{
    if (!isVector_)
        return name();
    return std::string(name()) + "[" + std::to_string(index_) + "]";
}

std::string cGate::fullPath() const
{
    return owner_->fullPath() + "." + fullName();
}

int cGate::size() const
{
    return isVector_ ? owner_->gateSize(name()) : 1;
}

void cGate::connectTo(cGate* to, cChannel* channel)
{
    if (channel && !cChannel::isValidDelay(channel->delay())) {
        const std::string text = refusedDelay(this, to, channel->delay());
        delete channel;
        throw cRuntimeError(text);
    }
    if (to_)
        disconnect();
    if (to->from_)
        to->from_->disconnect();
    to_ = to;
    to->from_ = this;
    channel_.reset(channel);
    if (channel)
        channel->from_ = this;
    topologyChanged();
}

void cGate::disconnect()
{
    if (!to_)
        return;
    to_->from_ = nullptr;
    to_ = nullptr;
    channel_.reset();
    topologyChanged();
}

bool cGate::isConnectedOutside() const
{
    return isInput() ? from_ != nullptr : to_ != nullptr;
}

cGate* cGate::destinationGate() const
{
    const cGate* g = this;
    while (g->to_)
        g = g->to_;
    return const_cast<cGate*>(g);
}

cGate* cGate::sourceGate() const
{
    const cGate* g = this;
    while (g->from_)
        g = g->from_;
    return const_cast<cGate*>(g);
}

bool cGate::isRouteOK() const
{
    return sourceGate()->ownerModule()->isSimple() && destinationGate()->ownerModule()->isSimple();
}

void cGate::computeRoute() const
{
    double delay = 0;
    const cGate* g = this;
    while (g->to_) {
        if (g->channel_)
            delay += g->channel_->delay();
        g = g->to_;
    }
    routeDest_ = (g != this && g->ownerModule()->isSimple()) ? const_cast<cGate*>(g) : nullptr;
    routeDelay_ = delay;
    routeModuleId_ = routeDest_ ? routeDest_->ownerModule()->id() : -1;
    routeGateId_ = routeDest_ ? routeDest_->id() : -1;
    routeVersion_ = topologyVersion_;
}
