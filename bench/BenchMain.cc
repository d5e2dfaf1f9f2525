// The entry of a benchmark program over the kernel: the module types
// register first, then the benchmarks run.
#include <benchmark/benchmark.h>

#include "sim/Sim.h"

int main(int argc, char** argv)
{
    ExecuteOnStartup::executeAll();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
