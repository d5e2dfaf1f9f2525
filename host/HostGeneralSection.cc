#include "host/HostGeneralSection.h"

#include "device/NodeProcessor.h"
#include "device/SettingCatalogue.h"
#include "sim/cModule.h"

HostGeneralSection::HostGeneralSection(const cModule* reader, const std::string& confFile)
    : file_(reader, confFile), found_(file_.openSection("[1]", "[2]"))
{
}

bool HostGeneralSection::next(HostGeneralRow& row)
{
    ConfigRow line;
    if (!found_ || !file_.nextRow(line))
        return false;
    line.check_count(6, "---> Host General Configuration : ");
    const auto host = [](const char* name) -> const Setting& { return setting(SettingFile::HOST, "[1]", name); };
    row.hpcBusWidth = line.asDouble(0, host("HpcBusWidth"));
    row.hpcBusClock = line.asDouble(1, host("HpcBusClock"));
    row.cpuModel = line.text(2);
    row.maxTarLun = line.asLong(3, host("MaxTarLun"));
    row.maxRdWrIo = line.asLong(4, host("MaxRdWrIo"));
    row.maxCtrlIo = line.asLong(5, host("MaxCtrlIo"));
    return true;
}

void check_host_bus(const cModule* reader, const HostGeneralRow& row, const char* file)
{
    if (row.hpcBusWidth < 1)
        reader->error("---> Invalid HpcBusWidth. Must >= 1-bit. Normally should choose 16, 32, or 64-bit. Please "
                      "check section [1] of the file \"%s\"",
                      file);
    if (row.hpcBusClock < 1)
        reader->error("---> Invalid HpcBusClock. Must >= 1-MHz. Normally should choose 33, 66, 100 or 133-MHz. "
                      "Please check section [1] of the file \"%s\"",
                      file);
}

void check_host_io_limits(const cModule* reader, const HostGeneralRow& row, const char* file)
{
    constexpr long maxOpen = NodeProcessor::MAX_OPEN_IO;
    if (row.maxTarLun < 1)
        reader->error("---> Invalid MaxTarLun. At least one LUN must be setup for each Target Port. Please check "
                      "section [1] of the file \"%s\"",
                      file);
    if (row.maxRdWrIo < 1)
        reader->error("---> Invalid MaxRdWrIo. Must >= 1. Please check section [1] of the file \"%s\"", file);
    if (row.maxRdWrIo > maxOpen)
        reader->error("---> Invalid MaxRdWrIo. Must be within [1,%ld]. Please check section [1] of the file \"%s\"",
                      maxOpen, file);
    if (row.maxCtrlIo < 1)
        reader->error("---> Invalid MaxCtrlIo. Must >= 1. Please check section [1] of the file \"%s\"", file);
    if (row.maxCtrlIo > maxOpen)
        reader->error("---> Invalid MaxCtrlIo. Must be within [1,%ld]. Please check section [1] of the file \"%s\"",
                      maxOpen, file);
}
