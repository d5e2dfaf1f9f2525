#include "host/HostGeneralSection.h"

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
    row.hpcBusWidth = line.asDouble(0);
    row.hpcBusClock = line.asDouble(1);
    row.cpuModel = line.text(2);
    row.maxTarLun = line.asLong(3);
    row.maxRdWrIo = line.asLong(4);
    row.maxCtrlIo = line.asLong(5);
    return true;
}
