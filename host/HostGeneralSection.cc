#include "host/HostGeneralSection.h"

#include "sim/cModule.h"

HostGeneralSection::HostGeneralSection(const cModule* reader, const std::string& confFile)
    : reader_(reader), file_(reader, confFile), found_(file_.openSection("[1]", "[2]"))
{
}

bool HostGeneralSection::next(HostGeneralRow& row)
{
    ConfigRow line;
    if (!found_ || !file_.nextRow(line))
        return false;
    if (line.count() > 6)
        reader_->error("---> Host General Configuration : at most 6 parameters can be setup. Please check section "
                       "[1] of the file \"%s\"",
                       fileName().c_str());
    if (line.count() < 6)
        reader_->error("---> Host General Configuration : missing parameter(s). Please check section [1] of the "
                       "file \"%s\"",
                       fileName().c_str());
    row.hpcBusWidth = line.asDouble(0);
    row.hpcBusClock = line.asDouble(1);
    row.cpuModel = line.text(2);
    row.maxTarLun = line.asLong(3);
    row.maxRdWrIo = line.asLong(4);
    row.maxCtrlIo = line.asLong(5);
    return true;
}
