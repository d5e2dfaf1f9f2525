// The CPU-model timing reader on any file: it reads the clocks and tasks or
// stops the run with a message, and every task it accepts takes a finite,
// non-negative time.

#include <cmath>
#include <cstdint>

#include "device/CpuTimingFile.h"
#include "tests/fuzz/FuzzBed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    write_input("Model.ini", data, size);
    // The file's name is the model's and ".ini", with no directory put before.
    const std::string model = fuzz_path("Model");
    cModule* root = new_fuzz_root();
    root->addPar("timingFile").setStringValue(fuzz_path("Timing.txt").c_str());
    root->addPar("timingFileNew").setBoolValue(true);
    cModule* processor = new cCompoundModule("Proc", root);
    try {
        CpuTiming timing =
            CpuTimingFile(processor, model, "Node", true)
                .read({"FC_SEQ_SEG", "FC_FRM_TXU", "FC_FRM_RXU", "FC_SEQ_ASM", "FC4_IU_SEND", "FC4_IU_RECV"});
        for (const TaskTiming* task : timing.tasks) {
            double t = load_timing(task, timing.cpuClock, timing.memClock);
            if (!std::isfinite(t) || t < 0)
                fuzz_failure("an accepted task takes a time that is not finite or is negative");
        }
    } catch (const cRuntimeError&) {
    }
    simulation.deleteNetwork();
    return 0;
}
