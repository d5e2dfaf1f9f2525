#pragma once

#include <string>
#include <vector>

#include "device/OutputStream.h"

class cModule;

// The processor-utilisation file ".CpuUtil" of a device processor, kept open
// from its creation to the end of the run. After the simulated time, a row
// holds one column group per process (its share of the period in percent
// and its busy time in ms) and then one per node-port controller (the same
// for the controller's busy time).
class CpuUtilFile {
  public:
    // `failFormat` is the writer's text for a file that cannot be opened,
    // with one "%s" for the path.
    CpuUtilFile(const cModule* writer, const char* failFormat);

    // Opens `path` truncated and writes the two header lines and the rule:
    // "SimTime(ms)", then one 25-column label per process and per port.
    void create(const std::string& path, const std::vector<std::string>& processLabels,
                const std::vector<std::string>& portLabels);

    // One row at the current time for a period of `period` seconds, from the
    // busy seconds of each process and of each port controller.
    void write_row(double period, const std::vector<double>& processBusy, const std::vector<double>& portBusy);

    void close();
    bool isOpen() const { return out_.is_open(); }

  private:
    const cModule* writer_;
    const char* failFormat_;
    OutputStream out_;
};

// The labels of a device with `nxPortNum` node ports: processes "SCSI",
// "FC4[0]" ... "FC4[n-1]"; port controllers "FC2[0]" ... "FC2[n-1]".
std::vector<std::string> device_process_labels(int nxPortNum);
std::vector<std::string> device_port_labels(int nxPortNum);

// The busy seconds of the FC-2 controller of node port `port` of `device`
// (`NxPort[port].Fc2.Fc2Ctrl`, its `asicUtilDelta`) since the last reading;
// the reading zeroes it. A controller that has not yet started has nothing to
// report.
double take_port_busy(const cModule* writer, const cModule* device, int port);
