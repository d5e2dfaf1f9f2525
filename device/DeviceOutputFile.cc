#include "device/DeviceOutputFile.h"

#include "device/OutputFile.h"
#include "sim/cException.h"
#include "sim/cModule.h"

std::ofstream open_device_file(const cModule* writer, const std::string& path, bool truncate, const char* failFormat)
{
    try {
        return open_output_file(writer, path, truncate);
    } catch (const cRuntimeError&) {
        writer->error(failFormat, path.c_str());
    }
}
