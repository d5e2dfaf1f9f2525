// Kernel hot paths: context switches, event delivery, the event list as it
// grows, message creation and parameter look-up by name.

#include <benchmark/benchmark.h>
#include <ucontext.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "sim/Coroutine.h"
#include "sim/ExecuteOnStartup.h"
#include "sim/Sim.h"

namespace {

// --- Context switch: resume a coroutine and come back -------------------------

void BM_CoroutineSwitch(benchmark::State& state)
{
    Coroutine co(
        [](void*) {
            for (;;)
                Coroutine::switchTo(Coroutine::main());
        },
        nullptr, 64 * 1024, "bench");
    for (auto _ : state)
        Coroutine::switchTo(&co); // there and back: two switches
}
BENCHMARK(BM_CoroutineSwitch);

ucontext_t mainUc, coUc;
void ucBody()
{
    for (;;)
        swapcontext(&coUc, &mainUc);
}

void BM_UcontextSwitch(benchmark::State& state)
{
    std::vector<char> stack(64 * 1024);
    getcontext(&coUc);
    coUc.uc_stack.ss_sp = stack.data();
    coUc.uc_stack.ss_size = stack.size();
    coUc.uc_link = nullptr;
    makecontext(&coUc, ucBody, 0);
    for (auto _ : state)
        swapcontext(&mainUc, &coUc);
}
BENCHMARK(BM_UcontextSwitch);

// --- Modules ------------------------------------------------------------------

class BenchModule : public cSimpleModule {
  public:
    BenchModule(const char* name, cModule* parent, std::function<void(BenchModule&)> body)
        : cSimpleModule(name, parent, 16384), body_(std::move(body))
    {
        addGate("in", 'I');
        addGate("out", 'O');
    }
    void activity() override { body_(*this); }

  private:
    std::function<void(BenchModule&)> body_;
};

// Initialises the network and runs it to its end.
void run_from_start()
{
    simulation.callInitialize();
    simulation.run();
}

// Counts `n` items for each iteration of `state`; the network goes.
void close_bench(benchmark::State& state, long n)
{
    state.SetItemsProcessed(state.iterations() * n);
    simulation.deleteNetwork();
}

cModule* freshRoot()
{
    simulation.deleteNetwork();
    simulation.setSimTimeLimit(MAXTIME);
    auto* root = new cCompoundModule("Bench", nullptr);
    simulation.setSystemModule(root);
    return root;
}

// One module: scheduleAt(now) then receive(), n times.
void BM_SelfMessageEvent(benchmark::State& state)
{
    const long n = 1000000;
    for (auto _ : state) {
        cModule* root = freshRoot();
        new BenchModule("timer", root, [n](BenchModule& m) {
            cMessage* msg = new cMessage("tick");
            for (long i = 0; i < n; ++i) {
                m.scheduleAt(m.simTime() + 1e-6, msg);
                m.receive();
            }
            delete msg;
        });
        run_from_start();
    }
    close_bench(state, n);
}
BENCHMARK(BM_SelfMessageEvent)->Unit(benchmark::kMillisecond);

// Two modules bounce one message over a connection with a delay.
void BM_PingPongOverConnection(benchmark::State& state)
{
    const long n = 1000000;
    for (auto _ : state) {
        cModule* root = freshRoot();
        auto* a = new BenchModule("a", root, [n](BenchModule& m) {
            m.send(new cMessage("ball"), "out");
            for (long i = 0; i < n / 2; ++i) {
                cMessage* msg = m.receive();
                if (i + 1 < n / 2)
                    m.send(msg, "out");
                else
                    delete msg;
            }
        });
        auto* b = new BenchModule("b", root, [](BenchModule& m) {
            for (;;)
                m.send(m.receive(), "out");
        });
        auto* ch = new cChannel("cable");
        ch->setDelay(1e-6);
        a->gate("out")->connectTo(b->gate("in"), ch);
        b->gate("out")->connectTo(a->gate("in"));
        run_from_start();
    }
    close_bench(state, n);
}
BENCHMARK(BM_PingPongOverConnection)->Unit(benchmark::kMillisecond);

// N pending self-messages spread over up to 1000 modules; each delivery
// schedules a replacement at a random later time, so the list stays N long.
void BM_EventListWithPending(benchmark::State& state)
{
    const long pending = state.range(0);
    const long modules = std::min(1000L, pending);
    const long perModule = pending / modules;
    const double window = 400000.0 / (2.0 * pending); // about 400000 events
    uint64_t delivered = 0;
    for (auto _ : state) {
        state.PauseTiming();
        cModule* root = freshRoot();
        for (long i = 0; i < modules; ++i) {
            new BenchModule("m", root, [perModule](BenchModule& m) {
                for (long k = 0; k < perModule; ++k)
                    m.scheduleAt(genk_dblrand(0), new cMessage("e"));
                for (;;)
                    m.scheduleAt(m.simTime() + genk_dblrand(0), m.receive());
            });
        }
        simulation.callInitialize();
        simulation.setSimTimeLimit(1.0); // warm up until every module scheduled its share
        simulation.run();
        uint64_t before = simulation.eventNumber();
        simulation.setSimTimeLimit(1.0 + window);
        state.ResumeTiming();
        simulation.run();
        state.PauseTiming();
        delivered += simulation.eventNumber() - before;
        simulation.deleteNetwork();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(delivered);
}
BENCHMARK(BM_EventListWithPending)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMillisecond);

// M modules, each keeping one periodic self-message: every event resumes a
// different module, so its stack, its object and its message come from memory
// rather than from cache.
void BM_ModulesWithOwnTimers(benchmark::State& state)
{
    const long modules = state.range(0);
    const long events = 2000000;
    const double period = 1e-6 * static_cast<double>(modules);
    uint64_t delivered = 0;
    for (auto _ : state) {
        state.PauseTiming();
        cModule* root = freshRoot();
        for (long i = 0; i < modules; ++i) {
            new BenchModule("m", root, [i, period](BenchModule& m) {
                cMessage* msg = new cMessage("timer");
                m.scheduleAt(1e-6 * static_cast<double>(i % 7 + 1), msg);
                for (;;)
                    m.scheduleAt(m.simTime() + period, m.receive());
            });
        }
        simulation.callInitialize();
        // Every module starts and schedules its first timer before the clock runs.
        simulation.setSimTimeLimit(0.0);
        simulation.run();
        uint64_t before = simulation.eventNumber();
        simulation.setSimTimeLimit(period * static_cast<double>(events) / static_cast<double>(modules));
        state.ResumeTiming();
        simulation.run();
        state.PauseTiming();
        delivered += simulation.eventNumber() - before;
        simulation.deleteNetwork();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(delivered);
}
BENCHMARK(BM_ModulesWithOwnTimers)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The event list alone, under the hold model: take the first event and insert
// one at a random later time, with N pending.
void BM_HeapHoldModel(benchmark::State& state)
{
    const long pending = state.range(0);
    std::vector<cMessage*> msgs;
    for (long i = 0; i < pending; ++i) {
        auto* m = new cMessage("e");
        msgs.push_back(m);
    }
    cModule* root = freshRoot();
    auto* owner = new BenchModule("owner", root, [](BenchModule&) {});
    for (cMessage* m : msgs)
        owner->scheduleAt(genk_dblrand(0), m);
    cMessageHeap& fes = simulation.messageQueue();
    double now = 0;
    for (auto _ : state) {
        cMessage* m = fes.removeFirst();
        now = m->arrivalTime();
        owner->scheduleAt(now + genk_dblrand(0), m);
    }
    simulation.deleteNetwork();
}
BENCHMARK(BM_HeapHoldModel)->RangeMultiplier(10)->Range(1000, 1000000);

// Message creation with a parameter list, duplication and deletion.
void BM_MessageCreateDupDelete(benchmark::State& state)
{
    for (auto _ : state) {
        auto* msg = new cMessage("FRAME_HEAD", 51, 36);
        msg->addPar("frmGid") = 12345L;
        msg->addPar("fc4Anx") = 2L;
        msg->addPar("portName") = "NxPort";
        cMessage* copy = msg->dup();
        benchmark::DoNotOptimize(copy);
        delete copy;
        delete msg;
    }
}
BENCHMARK(BM_MessageCreateDupDelete);

void BM_MessageCreateDelete(benchmark::State& state)
{
    for (auto _ : state) {
        auto* msg = new cMessage("R_RDY", 74, 4);
        benchmark::DoNotOptimize(msg);
        delete msg;
    }
}
BENCHMARK(BM_MessageCreateDelete);

// Parameter look-up by name on a module with 100 parameters.
void BM_ParLookupByName(benchmark::State& state)
{
    cModule* root = freshRoot();
    std::vector<std::string> names;
    for (int i = 0; i < 100; ++i) {
        names.push_back("runWideParameter" + std::to_string(i));
        root->addPar(names.back().c_str()) = static_cast<long>(i);
    }
    size_t i = 0;
    long sum = 0;
    for (auto _ : state) {
        sum += root->par(names[i].c_str()).longValue();
        i = (i + 37) % names.size();
    }
    benchmark::DoNotOptimize(sum);
    simulation.deleteNetwork();
}
BENCHMARK(BM_ParLookupByName);

} // namespace
