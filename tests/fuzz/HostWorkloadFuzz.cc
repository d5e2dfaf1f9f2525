// A host's readers on any host configuration file: the general section
// "[1]" with its value checks, and the I/O generator's set-up, which reads
// the workload sections "[3]" to "[3.1.3]", resolves every table's patterns
// and checks them (names, distributions, parameters, generator numbers, the
// self-similar sources). Each either reads the file or stops the run with a message.

#include <cmath>
#include <cstdint>

#include "host/HostGeneralSection.h"
#include "sim/cModuleType.h"
#include "tests/fuzz/FuzzBed.h"

namespace {

void add_generator_settings(cModule* root)
{
    for (const char* flag : {"skipScsiIo", "netIoToGenFlag", "ioDone", "evDone", "simDone"})
        root->addPar(flag).setBoolValue(false);
    root->addPar("warnFileNew").setBoolValue(true);
    root->addPar("netIoToGen").setLongValue(1);
    for (const char* counter : {"netIoNum", "netIoComp", "rawIoNum", "hostNum", "warningsCnt"})
        root->addPar(counter).setLongValue(0);
    root->addPar("maxIoGen").setLongValue(8);
    root->addPar("ioGenTimeScale").setDoubleValue(1.0);
    root->addPar("progDataDir").setStringValue(fuzz_path("").c_str());
    root->addPar("ioGenDir").setStringValue("iogen/");
    root->addPar("warningsFile").setStringValue(fuzz_path("Warnings.log").c_str());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string file = write_input("host.conf", data, size);
    cModule* root = new_fuzz_root();
    add_generator_settings(root);
    auto* host = new cCompoundModule("Host1", root);
    host->addPar("confFile").setStringValue(file.c_str());
    try {
        HostGeneralSection general(host, file);
        HostGeneralRow row;
        while (general.next(row)) {
            check_host_bus(host, row, file.c_str());
            check_host_io_limits(host, row, file.c_str());
            if (!std::isfinite(row.hpcBusWidth) || !std::isfinite(row.hpcBusClock))
                fuzz_failure("a bus setting that is not finite was accepted");
        }
    } catch (const cRuntimeError&) {
    }
    try {
        findModuleType("IoGenerator")->create("IoGen", host);
        simulation.callInitialize();
    } catch (const cRuntimeError&) {
    }
    simulation.deleteNetwork();
    return 0;
}
