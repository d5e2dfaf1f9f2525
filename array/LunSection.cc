#include "array/LunSection.h"

#include "device/ConfigFileReader.h"

std::vector<std::string> lun_section_names(const cModule* reader, const std::string& confFile)
{
    std::vector<std::string> names;
    ConfigFileReader file(reader, confFile);
    if (!file.openSection("[6]"))
        return names;
    ConfigRow row;
    while (file.nextRow(row)) {
        row.refuse_section_marker();
        names.push_back(row.text(0));
    }
    return names;
}
