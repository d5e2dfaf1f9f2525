#include "disk/AcpGeneralSection.h"

#include "device/ConfigFileReader.h"
#include "device/SettingCatalogue.h"
#include "sim/cModule.h"

namespace {

constexpr int FIELDS = 4;

} // namespace

AcpGeneralRow read_acp_general_row(const cModule* reader, const std::string& confFile, long acpIdx,
                                   const std::string& boardPath)
{
    ConfigFileReader file(reader, confFile);
    const char* name = confFile.c_str();
    if (file.openSection("[4]", "[5]")) {
        ConfigRow line;
        while (file.nextRow(line)) {
            const long idx = line.asLong(0);
            line.check_at_most(FIELDS, "---> Acp[%ld] General Configuration : ", idx);
            if (idx != acpIdx)
                continue;
            line.check_at_least(FIELDS, "---> Acp[%ld] General Configuration : ", idx);
            AcpGeneralRow row;
            row.apcBusWidth = line.asDouble(1, setting(SettingFile::ARRAY, "[4]", "ApcBusWidth"));
            row.apcBusClock = line.asDouble(2, setting(SettingFile::ARRAY, "[4]", "ApcBusClock"));
            row.cpuModel = line.text(3);
            if (row.apcBusWidth < 1)
                reader->error("---> Acp[%ld] General Configuration : invalid ApcBusWidth. Must >= 1-bit. Normally "
                              "should choose 16, 32, or 64-bit. Please check section [4] of the file \"%s\"",
                              idx, name);
            if (row.apcBusClock < 1)
                reader->error("---> Acp[%ld] General Configuration : invalid ApcBusClock. Must >= 1-MHz. Normally "
                              "should choose 33, 66, 100 or 133-MHz. Please check section [4] of the file \"%s\"",
                              idx, name);
            return row;
        }
    }
    reader->error("---> Missing settings for %s. Please check section [4] of the file \"%s\"", boardPath.c_str(), name);
}
