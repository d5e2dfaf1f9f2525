#pragma once

#include <functional>

#include "sim/cQueue.h"

class cMessage;
class cSimpleModule;

// One request at a time: a request that arrives while another holds the
// module waits in line; the holder's release (the module's own NEXT_MSG)
// frees the module, which then starts the next one waiting. The module
// starts a request in `serve`, which takes it with `take_next`.
class RequestServer {
  public:
    using Serve = std::function<void()>;
    using HasWork = std::function<bool()>;

    // `hasWork` says whether a release finds something to start; by default,
    // whether a request waits in line.
    RequestServer(const char* queueName, Serve serve, HasWork hasWork = nullptr);
    RequestServer(const RequestServer&) = delete;
    RequestServer& operator=(const RequestServer&) = delete;

    // Puts a request in line and starts it at once when the module is free.
    void submit(cMessage* msg);
    // Starts the head of the line when the module is free and one waits.
    void start_if_idle();
    // The running request has ended: the module is free for the next one.
    void release();
    // The head of the line, now holding the module.
    cMessage* take_next();

    // Marks the module held or free without starting anything.
    void set_busy(bool busy) { busy_ = busy; }
    bool busy() const { return busy_; }
    // The flag itself, for an environment to watch.
    const bool& busy_flag() const { return busy_; }
    bool empty() const { return queue_.empty(); }
    cQueue& queue() { return queue_; }
    const cQueue& queue() const { return queue_; }

  private:
    bool has_work() const { return hasWork_ ? hasWork_() : !queue_.empty(); }

    cQueue queue_;
    Serve serve_;
    HasWork hasWork_;
    bool busy_ = false;
};

// Ends the running request: the NEXT_MSG the module sends itself at once.
void schedule_next_msg(cSimpleModule* module);
