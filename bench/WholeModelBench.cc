// The whole model on the shipped test bed: the default configuration of
// examples/default, run by the command-line environment exactly as a user
// runs it (omnetpp.ini read, network set up, initialised, run, finished and
// torn down), in a fresh copy of the folder that takes whatever the devices
// write. Module output is off (express mode). One run per iteration, each in
// a child process of its own, whose peak resident size is the run's memory.
//
// BM_DefaultConfiguration runs to the configuration's own end;
// BM_DefaultConfigurationFirst2s stops at 2 simulated seconds and
// BM_DefaultConfigurationShort at 0.25 s (about half a second of wall time),
// for quicker figures while iterating. How the cost grows:
// BM_IoCountScaled/m runs the configuration with every host's I/O counts
// multiplied by m; BM_HostPortsScaled/k with every host given k times its
// node ports and LUNs (see bench/ScaledConfiguration.h). A run of the whole
// configuration that does not end by itself with every I/O done, none
// aborted, is reported as an error.
//
// Counters: events/s, ns/event and sim s/wall s over the run of the network
// (initialise to finish), wall s of the whole program, the events and
// simulated seconds per run, the peak memory in MiB, and for a run to its
// end the host I/Os (the I/O counts of every stream) and events per I/O.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "bench/ChildProcess.h"
#include "bench/ScaledConfiguration.h"
#include "bench/ScaledSites.h"
#include "bench/ScratchFolder.h"
#include "env/cmd/Cmdenv.h"
#include "sim/Sim.h"

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_TOGGLE_COLLECT
#endif

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

double seconds_since(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

const fs::path shippedConfiguration = fs::path(VELMORA_SOURCE_DIR) / "examples/default";

// A temporary directory, made the current one while it lives.
// VELMORA_BENCH_KEEP keeps it for a look at the outputs.
class ScratchDir {
  public:
    ScratchDir()
    {
        oldDir_ = fs::current_path();
        dir_ = make_scratch_folder("velmora_wholebench_");
    }
    ~ScratchDir()
    {
        fs::current_path(oldDir_);
        if (dir_.empty())
            return;
        if (std::getenv("VELMORA_BENCH_KEEP")) {
            std::fprintf(stderr, "output kept in %s\n", dir_.c_str());
            return;
        }
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const fs::path& path() const { return dir_; }
    void enter() const { fs::current_path(dir_); }

  private:
    fs::path dir_, oldDir_;
};

// What one run did; it crosses from the child process as bytes.
struct RunFigures {
    uint64_t events = 0;
    double simSeconds = 0;
    double runWall = 0;     // initialise to finish
    double programWall = 0; // the whole program
    long hostIos = 0;       // I/Os the hosts asked for, in a run to its end
    bool ioDone = false;    // every I/O the run waited for completed
    char error[160] = "";
};

void set_error(RunFigures& figures, const std::string& text)
{
    std::snprintf(figures.error, sizeof figures.error, "%s", text.c_str());
}

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
        if (cModule* root = simulation.systemModule())
            figures_.ioDone = root->par("ioDone").boolValue();
        return rc;
    }

  private:
    double simTimeLimit_;
    RunFigures& figures_;
};

// What the SCSI initiators' finish file says: the I/Os the hosts asked for
// and the I/Os aborted for good by any initiator (the arrays' remote-mirror
// initiators included); -1 when the file cannot be read.
struct InitiatorTotals {
    long hostIos = -1;
    long aborted = -1;
};

InitiatorTotals initiator_totals()
{
    std::ifstream in("progData/finish/ScsiInitiator.Finish");
    if (!in)
        return {};
    static const std::regex requests(R"(IO Reqs\s*:\s*([0-9]+))"), aborts(R"(IOs abrt\s*:\s*([0-9]+))");
    InitiatorTotals totals{0, 0};
    bool host = false;
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
        if (line.compare(0, 8, "Velmora.") == 0)
            host = line.find(".Host") != std::string::npos;
        else if (host && std::regex_search(line, m, requests))
            totals.hostIos += std::stol(m[1]);
        else if (std::regex_search(line, m, aborts))
            totals.aborted += std::stol(m[1]);
    }
    return totals;
}

// How the copy of the shipped configuration is made for one run.
struct Configuration {
    enum Kind { Shipped, IoScaled, HostScaled } kind = Shipped;
    int factor = 1;
    double simTimeLimit = 0; // 0: the configuration's own end, checked
};

void run_network(double simTimeLimit, RunFigures& figures)
{
    std::vector<std::string> args{"whole_model_bench", "-q", "-x"};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(&a[0]);
    const Clock::time_point start = Clock::now();
    int rc = BenchCmdenv(simTimeLimit, figures).main(static_cast<int>(argv.size()), argv.data());
    figures.programWall = seconds_since(start);
    if (rc != 0 || figures.events == 0)
        set_error(figures, "the configuration did not run (exit code " + std::to_string(rc) + ")");
}

// The body of the child process: the copy, the run and its checks.
void run_configuration_once(const Configuration& config, RunFigures& figures)
{
    try {
        ScratchDir scratch;
        if (scratch.path().empty())
            return set_error(figures, "no temporary directory");
        std::unique_ptr<HostScaledTestBed> bed;
        std::unique_ptr<ScaledSitesInPlace> sites;
        if (config.kind == Configuration::IoScaled) {
            write_io_scaled_copy(shippedConfiguration, scratch.path(), config.factor);
        } else if (config.kind == Configuration::HostScaled) {
            bed = std::make_unique<HostScaledTestBed>(shippedConfiguration, config.factor);
            bed->write_copy(scratch.path());
            sites = std::make_unique<ScaledSitesInPlace>(*bed);
        } else {
            copy_inputs(shippedConfiguration, scratch.path());
        }
        scratch.enter();
        run_network(config.simTimeLimit, figures);
        if (figures.error[0] || config.simTimeLimit > 0)
            return;
        const InitiatorTotals totals = initiator_totals();
        figures.hostIos = totals.hostIos;
        if (!figures.ioDone || totals.aborted != 0)
            set_error(figures, "the run did not end normally: ioDone " + std::to_string(figures.ioDone) +
                                   ", aborted I/Os " + std::to_string(totals.aborted));
    } catch (const std::exception& e) {
        set_error(figures, std::string("no scaled copy: ") + e.what());
    }
}

void run_configuration(benchmark::State& state, const Configuration& config)
{
    RunFigures total;
    double peakMiB = 0;
    for (auto _ : state) {
        RunFigures run;
        ChildOutcome child =
            run_in_child<RunFigures>(run, [&config](RunFigures& r) { run_configuration_once(config, r); });
        if (!child.finished)
            return state.SkipWithError("the run's process ended abnormally");
        if (run.error[0])
            return state.SkipWithError(run.error);
        state.SetIterationTime(run.programWall);
        total.programWall += run.programWall;
        total.events += run.events;
        total.simSeconds += run.simSeconds;
        total.runWall += run.runWall;
        total.hostIos += run.hostIos;
        peakMiB = std::max(peakMiB, child.peakMiB);
    }
    const double n = static_cast<double>(state.iterations());
    const double events = static_cast<double>(total.events);
    state.counters["events/s"] = benchmark::Counter(events / total.runWall);
    state.counters["ns/event"] = benchmark::Counter(total.runWall * 1e9 / events);
    state.counters["sim_s/wall_s"] = benchmark::Counter(total.simSeconds / total.runWall);
    state.counters["wall_s"] = benchmark::Counter(total.programWall / n);
    state.counters["events/run"] = benchmark::Counter(events / n);
    state.counters["sim_s/run"] = benchmark::Counter(total.simSeconds / n);
    // A run cut short has not generated all the I/Os it counts.
    if (config.simTimeLimit == 0 && total.hostIos > 0) {
        state.counters["ios/run"] = benchmark::Counter(static_cast<double>(total.hostIos) / n);
        state.counters["events/io"] = benchmark::Counter(events / static_cast<double>(total.hostIos));
    }
    state.counters["peak_MiB"] = benchmark::Counter(peakMiB);
}

void BM_DefaultConfiguration(benchmark::State& state)
{
    run_configuration(state, {});
}
BENCHMARK(BM_DefaultConfiguration)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_DefaultConfigurationFirst2s(benchmark::State& state)
{
    run_configuration(state, {Configuration::Shipped, 1, 2.0});
}
BENCHMARK(BM_DefaultConfigurationFirst2s)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_DefaultConfigurationShort(benchmark::State& state)
{
    run_configuration(state, {Configuration::Shipped, 1, 0.25});
}
BENCHMARK(BM_DefaultConfigurationShort)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_IoCountScaled(benchmark::State& state)
{
    run_configuration(state, {Configuration::IoScaled, static_cast<int>(state.range(0)), 0});
}
BENCHMARK(BM_IoCountScaled)->Arg(1)->Arg(4)->Arg(16)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_HostPortsScaled(benchmark::State& state)
{
    run_configuration(state, {Configuration::HostScaled, static_cast<int>(state.range(0)), 0});
}
BENCHMARK(BM_HostPortsScaled)->Arg(2)->Arg(4)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
