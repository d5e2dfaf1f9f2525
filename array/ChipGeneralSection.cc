#include "array/ChipGeneralSection.h"

#include "device/ConfigFileReader.h"
#include "sim/cModule.h"

namespace {

constexpr int FIELDS = 7;

} // namespace

ChipGeneralRow read_chip_general_row(const cModule* reader, const std::string& confFile, long chipIdx,
                                     const std::string& boardPath)
{
    ConfigFileReader file(reader, confFile);
    const char* name = confFile.c_str();
    if (file.openSection("[1]", "[2]")) {
        ConfigRow line;
        while (file.nextRow(line)) {
            const long idx = line.asLong(0);
            line.check_at_most(FIELDS, "---> Chip[%ld] General Configuration : ", idx);
            if (idx != chipIdx)
                continue;
            line.check_at_least(FIELDS, "---> Chip[%ld] General Configuration : ", idx);
            ChipGeneralRow row;
            row.chipIdx = idx;
            row.cpcBusWidth = line.asDouble(1);
            row.cpcBusClock = line.asDouble(2);
            row.cpuModel = line.text(3);
            row.maxTarLun = line.asLong(4);
            row.maxRdWrIo = line.asLong(5);
            row.maxCtrlIo = line.asLong(6);
            return row;
        }
    }
    reader->error("---> Missing settings for %s. Please check section [1] of the file \"%s\"", boardPath.c_str(), name);
}
