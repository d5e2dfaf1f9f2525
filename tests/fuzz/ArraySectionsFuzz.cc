// The storage device's section readers on any configuration file: the board
// row of "[1]", the control memory's "[3]", its flush and clean policies
// "[3.1]" and "[3.2]", the array control processor's row of "[4]" and the
// array group's row of "[5]". Each reads its section with its own checks and
// either returns what it read or stops the run with a message.

#include <cmath>
#include <cstdint>
#include <string>

#include "array/ChipGeneralSection.h"
#include "array/CtrlMemSettings.h"
#include "disk/AcpGeneralSection.h"
#include "disk/ArrayGroupSection.h"
#include "tests/fuzz/FuzzBed.h"

namespace {

template <typename Read>
void attempt(Read read)
{
    try {
        read();
    } catch (const cRuntimeError&) {
    }
}

void check_finite(double value, const char* what)
{
    if (!std::isfinite(value))
        fuzz_failure(what);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string file = write_input("array.conf", data, size);
    cModule* reader = fuzz_module("Dev1", new_fuzz_root());
    attempt([&] {
        const ChipGeneralRow row = read_chip_general_row(reader, file, 0, 2, "Velmora.Dev1.Chip[0]");
        check_chip_bus(reader, row, file.c_str());
        check_chip_io_limits(reader, row, file.c_str());
        check_finite(row.cpcBusWidth, "a bus width that is not finite was accepted");
        check_finite(row.cpcBusClock, "a bus clock that is not finite was accepted");
    });
    attempt([&] {
        const CtrlMemSettings s = input_ini_ctrlmem(reader, file);
        if (s.arrLunNum < 1 || s.cchSize < 1)
            fuzz_failure("a control memory without LUNs or cache was accepted");
        check_finite(s.cswBusClock, "a bus clock that is not finite was accepted");
    });
    attempt([&] {
        const FlushSettings f = input_ini_cchupd(reader, file);
        check_finite(f.INT_flush, "a flush period that is not finite was accepted");
    });
    attempt([&] {
        const CleanSettings c = input_ini_cchcln(reader, file);
        check_finite(c.INT_clean, "a clean period that is not finite was accepted");
    });
    attempt([&] { read_acp_general_row(reader, file, 0, 2, "Velmora.Dev1.Acp[0]"); });
    attempt([&] { read_array_group_row(reader, file, 0, 0); });
    simulation.deleteNetwork();
    return 0;
}
