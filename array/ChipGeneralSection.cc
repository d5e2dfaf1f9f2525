#include "array/ChipGeneralSection.h"

#include <utility>

#include "device/BoardRows.h"
#include "device/NodeProcessor.h"
#include "device/SettingCatalogue.h"
#include "sim/cModule.h"

namespace {

constexpr int FIELDS = 7;

} // namespace

ChipGeneralRow read_chip_general_row(const cModule* reader, const std::string& confFile, long chipIdx, int chipNum,
                                     const std::string& boardPath)
{
    const ConfigRow line =
        read_board_row(reader, confFile, "[1]", "[2]",
                       {"Chip", chipIdx, chipNum, FIELDS, "---> Chip[%ld] General Configuration : "}, boardPath);
    const auto chip = [](const char* name) -> const Setting& { return setting(SettingFile::ARRAY, "[1]", name); };
    ChipGeneralRow row;
    row.chipIdx = chipIdx;
    row.cpcBusWidth = line.asDouble(1, chip("CpcBusWidth"));
    row.cpcBusClock = line.asDouble(2, chip("CpcBusClock"));
    row.cpuModel = line.text(3);
    row.maxTarLun = line.asLong(4, chip("MaxTarLun"));
    row.maxRdWrIo = line.asLong(5, chip("MaxRdWrIo"));
    row.maxCtrlIo = line.asLong(6, chip("MaxCtrlIo"));
    return row;
}

void check_chip_bus(const cModule* reader, const ChipGeneralRow& row, const char* file)
{
    if (row.cpcBusWidth < 1)
        reader->error("---> Chip[%ld] General Configuration : invalid CpcBusWidth. Must >= 1-bit. Normally should "
                      "choose 16, 32, or 64-bit. Please check section [1] of the file \"%s\"",
                      row.chipIdx, file);
    if (row.cpcBusClock < 1)
        reader->error("---> Chip[%ld] General Configuration : invalid CpcBusClock. Must >= 1-MHz. Normally should "
                      "choose 33, 66, 100 or 133-MHz. Please check section [1] of the file \"%s\"",
                      row.chipIdx, file);
}

void check_chip_io_limits(const cModule* reader, const ChipGeneralRow& row, const char* file)
{
    if (row.maxTarLun < 1)
        reader->error("---> Chip[%ld] General Configuration : invalid MaxTarLun. At least one LUN must be setup for "
                      "each Target Port. Please check section [1] of the file \"%s\"",
                      row.chipIdx, file);
    if (row.maxRdWrIo < 1)
        reader->error("---> Chip[%ld] General Configuration : invalid MaxRdWrIo. Must >= 1. Please check section [1] "
                      "of the file \"%s\"",
                      row.chipIdx, file);
    if (row.maxCtrlIo < 1)
        reader->error("---> Chip[%ld] General Configuration : invalid MaxCtrlIo. Must >= 1. Please check section [1] "
                      "of the file \"%s\"",
                      row.chipIdx, file);
    for (const auto& [name, value] :
         {std::pair<const char*, long>{"MaxRdWrIo", row.maxRdWrIo}, {"MaxCtrlIo", row.maxCtrlIo}})
        if (value > NodeProcessor::MAX_OPEN_IO)
            reader->error("---> Chip[%ld] General Configuration : invalid %s. Must be within [1,%ld]. Please check "
                          "section [1] of the file \"%s\"",
                          row.chipIdx, name, NodeProcessor::MAX_OPEN_IO, file);
}
