#pragma once

// Queues an action, at static-initialisation time, for the start-up list that
// the run-time environment runs once before any network is set up. Module,
// class and enumeration registrations use it.
class ExecuteOnStartup {
  public:
    explicit ExecuteOnStartup(void (*code)());
    // Runs every queued action that has not run yet, in queueing order.
    static void executeAll();

  private:
    void (*code_)();
    bool done_ = false;
    ExecuteOnStartup* next_ = nullptr;
    static ExecuteOnStartup* head_;
    static ExecuteOnStartup* tail_;
};

#define SIM_CONCAT2(a, b) a##b
#define SIM_CONCAT(a, b) SIM_CONCAT2(a, b)
#define SIM_UNIQUE(prefix) SIM_CONCAT(prefix, __LINE__)

// EXECUTE_ON_STARTUP(code) runs `code` when the environment starts.
#define EXECUTE_ON_STARTUP(CODE)                                                                                       \
    static void SIM_UNIQUE(startupCode_)()                                                                             \
    {                                                                                                                  \
        CODE;                                                                                                          \
    }                                                                                                                  \
    static ExecuteOnStartup SIM_UNIQUE(startupObj_)(SIM_UNIQUE(startupCode_))
