#include "disk/ArrayGroupSection.h"

#include "device/ConfigFileReader.h"
#include "device/SettingCatalogue.h"
#include "sim/cModule.h"

ArrayGroupRow read_array_group_row(const cModule* reader, const std::string& confFile, int acpId, int grpId)
{
    ConfigFileReader file(reader, confFile);
    const char* name = file.name().c_str();
    ArrayGroupRow found;
    bool matched = false;
    if (file.openSection("[5]", "[6]")) {
        ConfigRow row, used;
        while (file.nextRow(row)) {
            row.check_at_most(6, "---> Acp[%d].ArrGrp[%d] : ", acpId, grpId);
            if (row.asLong(0) != acpId || row.asLong(1) != grpId)
                continue;
            // The group's first row is the one used.
            if (matched) {
                row.warn_repeated(used, "array group");
                continue;
            }
            row.check_at_least(6, "---> Acp[%d].ArrGrp[%d] : ", acpId, grpId);
            matched = true;
            used = row;
            found.portSpeed = row.asLong(2, setting(SettingFile::ARRAY, "[5]", "portSpeed"));
            found.diskModel = row.text(3);
            found.diskCount = row.asLong(4, setting(SettingFile::ARRAY, "[5]", "diskCount"));
            found.secResp = row.text(5) == "Y" || row.text(5) == "y";
        }
    }
    if (matched)
        return found;
    reader->error("---> Missing settings for Acp[%d].ArrGrp[%d]. Please check section [5] of the file \"%s\"", acpId,
                  grpId, name);
}
