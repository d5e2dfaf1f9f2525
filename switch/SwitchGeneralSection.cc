#include "switch/SwitchGeneralSection.h"

#include "device/ConfigFileReader.h"
#include "device/SettingCatalogue.h"
#include "device/WarningsLog.h"
#include "sim/cException.h"
#include "sim/cModule.h"

namespace {

// The first section [1] is the one used; a second one is warned of.
void warn_repeated_section(const cModule* reader, ConfigFileReader& section)
{
    const long first = section.markerLine();
    if (section.findMarker("[1]"))
        user_warning_once(reader, opp_format("---> Section [1] on line %ld repeats the one on line %ld and is "
                                             "ignored. Please check the file \"%s\"",
                                             section.markerLine(), first, section.name().c_str()));
}

} // namespace

SwitchGeneralRow read_switch_general_row(const cModule* reader, const std::string& confFile)
{
    const char* file = confFile.c_str();
    ConfigFileReader section(reader, confFile);
    ConfigRow line;
    if (!section.openSection("[1]", "[2]") || !section.nextRow(line))
        reader->error("Missing Domain_ID setup. Please check section [1] of the file \"%s\"", file);
    line.check_count(4, "---> Switch Construct setting : ");
    SwitchGeneralRow row;
    row.domainId = line.asLong(0, setting(SettingFile::SWITCH, "[1]", "Domain_ID"));
    if (row.domainId < MIN_DOMAIN_ID || row.domainId > MAX_DOMAIN_ID)
        reader->error("---> Invalid Domain_ID %s. Must within [%d,%d]. Please check section [1] of the file \"%s\"",
                      line.text(0).c_str(), MIN_DOMAIN_ID, MAX_DOMAIN_ID, file);
    row.raTov = line.asLong(1, setting(SettingFile::SWITCH, "[1]", "R_A_TOV"));
    if (row.raTov < 1)
        reader->error(
            "---> Domain[%ld] : R_A_TOV setup incorrect. Must >= 1ms. Please check section [1] of the file \"%s\"",
            row.domainId, file);
    row.edTov = line.asLong(2, setting(SettingFile::SWITCH, "[1]", "E_D_TOV"));
    if (row.edTov < 1)
        reader->error(
            "---> Domain[%ld] : E_D_TOV setup incorrect. Must >= 1ms. Please check section [1] of the file \"%s\"",
            row.domainId, file);
    row.cpuModel = line.text(3);
    warn_repeated_section(reader, section);
    return row;
}
