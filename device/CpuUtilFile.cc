#include "device/CpuUtilFile.h"

#include <iomanip>

#include "device/OutputFile.h"
#include "sim/cModule.h"

CpuUtilFile::CpuUtilFile(const cModule* writer, const char* failFormat) : writer_(writer), failFormat_(failFormat) {}

void CpuUtilFile::create(const std::string& path, const std::vector<std::string>& processLabels,
                         const std::vector<std::string>& portLabels)
{
    out_ = open_output_file(writer_, path, true, failFormat_);
    out_ << field(15) << "SimTime(ms)";
    for (const std::string& label : processLabels)
        out_ << field(25) << label;
    for (const std::string& label : portLabels)
        out_ << field(25) << label;
    out_ << '\n' << field(15) << "";
    for (size_t i = 0; i < processLabels.size(); ++i)
        out_ << field(10) << "CPU_P(%)" << field(15) << "CPU_T(ms)";
    for (size_t i = 0; i < portLabels.size(); ++i)
        out_ << field(10) << "ASIC_P(%)" << field(15) << "ASIC_T(ms)";
    out_ << '\n' << std::string(15 + 25 * (processLabels.size() + portLabels.size()), '-') << '\n';
    out_.end_row();
}

void CpuUtilFile::write_row(double period, const std::vector<double>& processBusy, const std::vector<double>& portBusy)
{
    out_ << std::setprecision(4) << field(15) << sim_time_ms();
    for (const std::vector<double>* group : {&processBusy, &portBusy})
        for (double busy : *group)
            out_ << std::setprecision(4) << field(10) << busy / period * 100 << std::setprecision(6) << field(15)
                 << busy * 1000;
    // Rows are flushed as written, so a run that stops on an error still
    // leaves every row up to that point.
    out_ << '\n';
    out_.end_row();
}

void CpuUtilFile::close()
{
    out_.finish();
}

std::vector<std::string> device_process_labels(int nxPortNum)
{
    std::vector<std::string> labels{"SCSI"};
    for (int i = 0; i < nxPortNum; ++i)
        labels.push_back("FC4[" + std::to_string(i) + "]");
    return labels;
}

std::vector<std::string> device_port_labels(int nxPortNum)
{
    std::vector<std::string> labels;
    for (int i = 0; i < nxPortNum; ++i)
        labels.push_back("FC2[" + std::to_string(i) + "]");
    return labels;
}

double take_port_busy(const cModule* writer, const cModule* device, int port)
{
    const cModule* nxPort = device->submodule("NxPort", port);
    cModule* ctrl = nxPort ? nxPort->moduleByRelativePath("Fc2.Fc2Ctrl") : nullptr;
    if (!ctrl)
        writer->error("---> %s has no port controller NxPort[%d].Fc2.Fc2Ctrl", device->fullPath().c_str(), port);
    // The controller adds the parameter when its coroutine starts, which may
    // come after this module's first row at time 0.
    if (!ctrl->hasPar("asicUtilDelta"))
        return 0;
    cPar& delta = ctrl->par("asicUtilDelta");
    const double seconds = delta.doubleValue();
    delta.setDoubleValue(0.0);
    return seconds;
}
