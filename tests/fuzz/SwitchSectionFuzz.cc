// The switch's reader of section "[1]" on any file: it returns the switch's
// Domain_ID, time-outs and processor model, each within its range, or stops
// the run with a message.

#include <cstdint>

#include "switch/SwitchGeneralSection.h"
#include "tests/fuzz/FuzzBed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string file = write_input("switch.conf", data, size);
    cModule* reader = fuzz_module("Sw1", new_fuzz_root());
    try {
        const SwitchGeneralRow row = read_switch_general_row(reader, file);
        if (row.domainId < MIN_DOMAIN_ID || row.domainId > MAX_DOMAIN_ID)
            fuzz_failure("a Domain_ID out of range was accepted");
        if (row.raTov < 1 || row.edTov < 1)
            fuzz_failure("a time-out below 1 ms was accepted");
        if (row.cpuModel.empty())
            fuzz_failure("a switch without a processor model was accepted");
    } catch (const cRuntimeError&) {
    }
    simulation.deleteNetwork();
    return 0;
}
