// The disk-model reader on any file: the first byte of the input says which
// of the model's two files the rest is (even: the parameter file, odd: the
// seek file), the other one being a small valid file. The parameters are
// read and checked, the zoned geometry derived from them, and the seek table
// read for the model's cylinders; each either succeeds or stops the run with
// a message.

#include <cmath>
#include <cstdint>
#include <fstream>
#include <string>

#include "disk/DiskGeometry.h"
#include "disk/DiskModelParams.h"
#include "disk/SeekTable.h"
#include "tests/fuzz/FuzzBed.h"

namespace {

const char* const VALID_PARAMS = "model\nnames\n20 512 10 1 0.5 0.5 0 2 6000 2 0.5 0.4 0.6 0.1 1 4 0\n";

void write_text(const std::string& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

void read_model(const cModule* owner, const std::string& model)
{
    const DiskModelParams p = read_disk_model_params(owner, model);
    const DiskGeometry geometry(owner, model, p);
    if (geometry.cylinders() != p.cylNum)
        fuzz_failure("the geometry lost cylinders");
    SeekTable seeks;
    seeks.read(owner, model, p.cylNum);
    for (const SeekTable::Record& r : seeks.records())
        if (!std::isfinite(r.timeMs) || r.timeMs < 0)
            fuzz_failure("a seek time that is not a finite time was accepted");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool seekFile = data[0] & 1;
    // The reader opens the files by relative name: the model's path says
    // where they are.
    const std::string model = fuzz_path("M");
    write_input(seekFile ? "M.seek.full.ini" : "M.params.ini", data + 1, size - 1);
    if (seekFile) {
        write_text(model + ".params.ini", VALID_PARAMS);
    } else {
        std::string seek;
        for (int d = 1; d <= 20; ++d)
            seek += std::to_string(d) + " " + std::to_string(1.5 + 0.5 * d) + "\n";
        write_text(model + ".seek.full.ini", seek);
    }
    cModule* reader = fuzz_module("Disk", new_fuzz_root());
    try {
        read_model(reader, model);
    } catch (const cRuntimeError&) {
    }
    simulation.deleteNetwork();
    return 0;
}
