#include "env/PartialRun.h"

#include <csignal>
#include <cstdio>

#include "sim/Sim.h"

namespace {

void stop_at_next_event(int signal)
{
    cSimulation::interrupt(signal);
}

void catch_signal(int signal)
{
    struct sigaction action = {};
    action.sa_handler = stop_at_next_event;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigaction(signal, &action, nullptr);
}

} // namespace

void catch_interrupt_signals()
{
    catch_signal(SIGINT);
    catch_signal(SIGTERM);
}

int end_partial_run(int exitCodeWithoutSignal)
{
    std::fflush(stdout);
    ev.flush();
    std::fprintf(stderr, "Interrupted at t=%.6f s after %llu events\n", simulation.simTime(),
                 static_cast<unsigned long long>(simulation.eventNumber()));
    simulation.callAbandonRun();
    const int signal = cSimulation::interruptSignal();
    return signal ? 128 + signal : exitCodeWithoutSignal;
}
