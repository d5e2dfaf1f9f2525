#pragma once

#include <string>

#include "device/ConfigFileReader.h"

class cModule;

// One data line of section "[1]" of a host's configuration file, the host's
// general settings, fields in this order:
//
//   HpcBusWidth  width of the peripheral bus in bits
//   HpcBusClock  its clock in MHz
//   cpuModel     the processor model; its timings are in "<cpuModel>.ini"
//   MaxTarLun    LUNs the SCSI layer keeps per target port
//   MaxRdWrIo    read and write I/Os it keeps open
//   MaxCtrlIo    control I/Os it keeps open
struct HostGeneralRow {
    double hpcBusWidth = 0;
    double hpcBusClock = 0;
    std::string cpuModel;
    long maxTarLun = 0;
    long maxRdWrIo = 0;
    long maxCtrlIo = 0;
};

// Reader of section "[1]", which runs from its marker to the "[2]" marker or
// the end of the file. Every data line must hold exactly the six fields; the
// values are checked by whoever applies them.
class HostGeneralSection {
  public:
    // Opens the file, or stops the run with "---> Couldn't open file ...".
    HostGeneralSection(const cModule* reader, const std::string& confFile);

    // The next data line of the section; false once the section has ended.
    bool next(HostGeneralRow& row);

    const std::string& fileName() const { return file_.name(); }

  private:
    ConfigFileReader file_;
    bool found_;
};

// The bus settings of a line, checked before the processor's timings are
// read; a value out of range stops the run through `reader`.
void check_host_bus(const cModule* reader, const HostGeneralRow& row, const char* file);
// The LUN and open-I/O limits of a line, checked after the timings.
void check_host_io_limits(const cModule* reader, const HostGeneralRow& row, const char* file);
