#pragma once

#include <memory>

#include "device/WarningsLog.h"
#include "fc4/ExchangeKeys.h"
#include "fc4/Fc4Site.h"
#include "fc4/StateBlockPools.h"
#include "messages/MsgKinds.h"
#include "sim/Sim.h"

// What every FC-4 service module of a port stands on, whether it serves a
// node port or a switch port: where it stands, its two pools of exchange
// state blocks of type `Block` with their count of open exchanges in the
// parameter `currConCurrIu`, and the processor timing it charges its work to.
// The service talks to its FC-4 controller on `from_fc4ctrl` and
// `to_fc4ctrl`, and ends each unit of work with NEXT_MSG there.
template <class Block>
class Fc4Service : public cSimpleModule {
  public:
    StateBlockPools<Block>& pools() { return pools_; }

  protected:
    Fc4Service(const char* name, cModule* parent, unsigned stackSize, const PoolTexts& texts)
        : cSimpleModule(name, parent, stackSize), pools_(this, texts)
    {
    }

    // The site, found first so that the pool size can be taken from it.
    void locate()
    {
        site_ = std::make_unique<Fc4Site>(this);
        toController_ = findGate("to_fc4ctrl");
    }
    // Sends `msg` to the FC-4 controller, naming the gate until it is found.
    void to_controller(cMessage* msg)
    {
        if (toController_ >= 0)
            send(msg, toController_);
        else
            send(msg, "to_fc4ctrl");
    }
    // The pools of `blocks` each, the count bound and zeroed, the timing of
    // the tasks "FC4_IU_SEND" and "FC4_IU_RECV".
    void start_service(long blocks)
    {
        pools_.allocate(static_cast<int>(blocks));
        pools_.bind_count(&par("currConCurrIu"));
        role_ = site_->role();
        take_timing("FC4_IU_SEND", "FC4_IU_RECV");
        pools_.reset_count();
    }
    void take_timing(const char* sendTask, const char* recvTask) { timing_ = site_->timing(sendTask, recvTask); }
    // Both pools back to their state at start, no exchange open.
    void reset_service()
    {
        pools_.initialise();
        pools_.reset_count();
    }
    // FC-2 freed the originator exchange of the message's `fc4MemAddr`: its
    // block goes back to the pool if it is ours, and the unit of work ends.
    void free_block_of(cMessage* msg)
    {
        if (Block* sb = find_an_sb(static_cast<unsigned long>(msg->par("fc4MemAddr").longValue()))) {
            sb->sbFree = true;
            free_a_cciu();
        }
        release_resource();
        delete msg;
    }
    // `msg` comes back to the service inside a cost message of `kind` once
    // the processor time of `task` has passed.
    void wrap_in_cost(cMessage* msg, const char* name, int kind, const TaskTiming* task)
    {
        wrap_in_cost(msg, name, kind, simtime_t(load_timing(task)));
    }
    // The same for a fixed cost.
    void wrap_in_cost(cMessage* msg, const char* name, int kind, simtime_t delay)
    {
        cMessage* cost = plain(name, kind);
        cost->encapsulate(msg);
        scheduleAt(simTime() + delay, cost);
    }
    cMessage* plain(const char* name, int kind) const { return new cMessage(name, kind, 0); }

    virtual void release_resource() { to_controller(plain("NEXT_MSG", NEXT_MSG)); }
    virtual Block* obtain_an_osb() { return pools_.obtain_an_osb(); }
    virtual Block* obtain_an_rsb() { return pools_.obtain_an_rsb(); }
    virtual Block* find_an_sb(unsigned long key) { return pools_.find_an_sb(key); }
    virtual void cost_a_cciu() { pools_.cost_a_cciu(); }
    virtual void free_a_cciu() { pools_.free_a_cciu(); }
    virtual void warnings(LogKind kind, const char* text) { ::warnings(this, kind, text, OpenFailText::ERROR_BANG); }
    virtual unsigned long obtain_fc4_addr() { return site_->take_exchange_key(); }
    virtual unsigned long obtain_fc4_index() { return site_->take_iu_index(); }
    virtual double load_timing(const TaskTiming* task)
    {
        return ::load_timing(task, timing_.cpuClock, timing_.memClock);
    }

    std::unique_ptr<Fc4Site> site_;
    StateBlockPools<Block> pools_;
    ServiceTiming timing_;
    // 1 on a node port, 45 on a switch port.
    int role_ = 0;
    int toController_ = -1;
};
