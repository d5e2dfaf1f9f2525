// The whole model on the shipped test bed: the default configuration of
// examples/default, run by the command-line environment exactly as a user
// runs it (omnetpp.ini read, network set up, initialised, run, finished and
// torn down), in a fresh copy of the folder that takes whatever the devices
// write. Module output is off (express mode). One run per iteration.
//
// BM_DefaultConfiguration runs to the configuration's own end;
// BM_DefaultConfigurationFirst2s stops at 2 simulated seconds, for a quicker
// figure while iterating. Counters: events/s and sim s/wall s over the run of
// the network (initialise to finish), wall s of the whole program, and the
// events and simulated seconds per run.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "env/cmd/Cmdenv.h"
#include "sim/Sim.h"

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#endif

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A copy of examples/default in a temporary directory, made the current one
// while it lives. VELMORA_BENCH_KEEP keeps it for a look at the outputs.
class ScratchCopy {
  public:
    ScratchCopy()
    {
        namespace fs = std::filesystem;
        oldDir_ = fs::current_path();
        char pattern[] = "/tmp/velmora_wholebench_XXXXXX";
        if (!mkdtemp(pattern))
            return;
        dir_ = pattern;
        fs::copy(fs::path(VELMORA_SOURCE_DIR) / "examples/default", dir_, fs::copy_options::recursive);
        fs::current_path(dir_);
    }
    ~ScratchCopy()
    {
        std::filesystem::current_path(oldDir_);
        if (dir_.empty())
            return;
        if (std::getenv("VELMORA_BENCH_KEEP")) {
            std::fprintf(stderr, "output kept in %s\n", dir_.c_str());
            return;
        }
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    ScratchCopy(const ScratchCopy&) = delete;
    ScratchCopy& operator=(const ScratchCopy&) = delete;
    bool made() const { return !dir_.empty(); }

  private:
    std::filesystem::path dir_, oldDir_;
};

// What one run of the network did.
struct RunFigures {
    uint64_t events = 0;
    double simSeconds = 0;
    double runWall = 0; // initialise to finish
};

// The command-line environment, quiet and in express mode, with an optional
// simulated-time limit below the configuration's own, and the run's figures
// taken before the network is torn down.
class BenchCmdenv : public Cmdenv {
  public:
    BenchCmdenv(double simTimeLimit, RunFigures& figures) : simTimeLimit_(simTimeLimit), figures_(figures) {}

  protected:
    int runNetwork() override
    {
        if (simTimeLimit_ > 0)
            simulation.setSimTimeLimit(simTimeLimit_);
        const Clock::time_point start = Clock::now();
        CALLGRIND_TOGGLE_COLLECT;
        int rc = Cmdenv::runNetwork();
        CALLGRIND_TOGGLE_COLLECT;
        figures_.runWall = seconds_since(start);
        figures_.events = simulation.eventNumber();
        figures_.simSeconds = simulation.simTime();
        return rc;
    }

  private:
    double simTimeLimit_;
    RunFigures& figures_;
};

void run_default_configuration(benchmark::State& state, double simTimeLimit)
{
    RunFigures total;
    double programWall = 0;
    for (auto _ : state) {
        ScratchCopy scratch;
        if (!scratch.made()) {
            state.SkipWithError("no temporary directory");
            return;
        }
        RunFigures run;
        std::vector<std::string> args{"whole_model_bench", "-q", "-x"};
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(&a[0]);
        const Clock::time_point start = Clock::now();
        int rc = BenchCmdenv(simTimeLimit, run).main(static_cast<int>(argv.size()), argv.data());
        const double wall = seconds_since(start);
        if (rc != 0 || run.events == 0) {
            state.SkipWithError("the default configuration did not run");
            return;
        }
        state.SetIterationTime(wall);
        programWall += wall;
        total.events += run.events;
        total.simSeconds += run.simSeconds;
        total.runWall += run.runWall;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["events/s"] = benchmark::Counter(static_cast<double>(total.events) / total.runWall);
    state.counters["sim_s/wall_s"] = benchmark::Counter(total.simSeconds / total.runWall);
    state.counters["wall_s"] = benchmark::Counter(programWall / n);
    state.counters["events/run"] = benchmark::Counter(static_cast<double>(total.events) / n);
    state.counters["sim_s/run"] = benchmark::Counter(total.simSeconds / n);
}

void BM_DefaultConfiguration(benchmark::State& state)
{
    run_default_configuration(state, 0);
}
BENCHMARK(BM_DefaultConfiguration)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_DefaultConfigurationFirst2s(benchmark::State& state)
{
    run_default_configuration(state, 2.0);
}
BENCHMARK(BM_DefaultConfigurationFirst2s)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
