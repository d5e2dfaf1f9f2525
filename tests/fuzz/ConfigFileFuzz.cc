// The device configuration reader on any file: every section a device
// reads is opened and every field of every row converted, and the reader
// either reads it or stops the run with a message.

#include <cstdint>

#include "device/ConfigFileReader.h"
#include "tests/fuzz/FuzzBed.h"

namespace {

const char* const sections[][2] = {{"[1]", "[2]"},   {"[2]", "[2.1]"},     {"[2.1]", "[3]"},
                                   {"[3]", "[3.1]"}, {"[3.1]", "[3.1.1]"}, {"[3.1.2]", nullptr}};

void read_section(const cModule* owner, const std::string& fileName, const char* marker, const char* endMarker)
{
    ConfigFileReader file(owner, fileName);
    if (!file.openSection(marker, endMarker))
        return;
    ConfigRow row;
    while (file.nextRow(row)) {
        if (row.line().size() > ConfigFileReader::MAX_ROW_LENGTH + 1)
            fuzz_failure("a row longer than the format allows was read");
        for (int i = 0; i <= row.count(); ++i) {
            row.asLong(i);
            double d = row.asDouble(i);
            if (d != d || d - d != 0)
                fuzz_failure("a field read as NaN or infinity");
            row.asFlag(i);
            row.asLongOrDash(i);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string fileName = write_input("device.conf", data, size);
    cModule* reader = fuzz_module("Dev1", new_fuzz_root());
    for (const auto& s : sections) {
        try {
            read_section(reader, fileName, s[0], s[1]);
        } catch (const cRuntimeError&) {
        }
    }
    simulation.deleteNetwork();
    return 0;
}
