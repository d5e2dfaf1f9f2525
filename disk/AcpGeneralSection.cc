#include "disk/AcpGeneralSection.h"

#include "device/BoardRows.h"
#include "device/SettingCatalogue.h"
#include "sim/cModule.h"

namespace {

constexpr int FIELDS = 4;

} // namespace

AcpGeneralRow read_acp_general_row(const cModule* reader, const std::string& confFile, long acpIdx, int acpNum,
                                   const std::string& boardPath)
{
    const char* name = confFile.c_str();
    const ConfigRow line =
        read_board_row(reader, confFile, "[4]", "[5]",
                       {"Acp", acpIdx, acpNum, FIELDS, "---> Acp[%ld] General Configuration : "}, boardPath);
    AcpGeneralRow row;
    row.apcBusWidth = line.asDouble(1, setting(SettingFile::ARRAY, "[4]", "ApcBusWidth"));
    row.apcBusClock = line.asDouble(2, setting(SettingFile::ARRAY, "[4]", "ApcBusClock"));
    row.cpuModel = line.text(3);
    if (row.apcBusWidth < 1)
        reader->error("---> Acp[%ld] General Configuration : invalid ApcBusWidth. Must >= 1-bit. Normally should "
                      "choose 16, 32, or 64-bit. Please check section [4] of the file \"%s\"",
                      acpIdx, name);
    if (row.apcBusClock < 1)
        reader->error("---> Acp[%ld] General Configuration : invalid ApcBusClock. Must >= 1-MHz. Normally should "
                      "choose 33, 66, 100 or 133-MHz. Please check section [4] of the file \"%s\"",
                      acpIdx, name);
    return row;
}
