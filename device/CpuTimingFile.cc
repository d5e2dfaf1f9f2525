#include "device/CpuTimingFile.h"

#include <cmath>
#include <memory>

#include "device/ConfigFileReader.h"
#include "device/SettingCatalogue.h"
#include "device/TimingFile.h"
#include "network/RootModule.h"
#include "sim/ObjectAddress.h"
#include "sim/cException.h"
#include "sim/cModule.h"
#include "sim/cSimulation.h"

namespace {

void warn_unread_timing(const ConfigRow& row, int i)
{
    if (!mean_stddev_ignores_text(row.text(i)))
        return;
    double mean = 0, stddev = 0;
    parse_mean_stddev(row.text(i), mean, stddev);
    row.warn(i, opp_format("reads as mean %g and stddev %g: the text after them is ignored", mean, stddev));
}

} // namespace

CpuTimingFile::CpuTimingFile(const cModule* reader, std::string cpuModel, std::string target, bool writeRows)
    : reader_(reader), cpuModel_(std::move(cpuModel)), target_(std::move(target)), writeRows_(writeRows),
      fileName_(cpuModel_ + CPU_MODEL_FILE_SUFFIX)
{
}

void CpuTimingFile::read_clocks(ConfigFileReader& file)
{
    const char* name = fileName_.c_str();
    bool cpuSet = false, memSet = false;
    ConfigRow row;
    if (file.openSection("[1]", "[2]") && file.nextRow(row)) {
        row.check_count(2, "---> Hardware clock setup incorrect : ");
        cpuClock_ = row.asDouble(0, setting(SettingFile::CPU_MODEL, "[1]", "CPU_Clock"));
        if (!(cpuClock_ > 0))
            reader_->error("---> CPU clock setup incorrect : clock must > 0MHz. Please check section [1] of the file "
                           "\"%s\"",
                           name);
        cpuSet = true;
        memClock_ = row.asDouble(1, setting(SettingFile::CPU_MODEL, "[1]", "MEM_Clock"));
        if (!(memClock_ > 0))
            reader_->error("---> MEM clock setup incorrect : clock must > 0MHz. Please check section [1] of the file "
                           "\"%s\"",
                           name);
        memSet = true;
    }
    std::string missing;
    if (!cpuSet)
        missing +=
            opp_format("---> Missing timing setup for CPU_Clock. Please check section [1] of the file \"%s\"", name);
    if (!memSet)
        missing +=
            std::string(missing.empty() ? "" : "\n") +
            opp_format("---> Missing timing setup for MEM_Clock. Please check section [1] of the file \"%s\"", name);
    if (!missing.empty())
        reader_->error("%s", missing.c_str());
}

CpuTiming CpuTimingFile::read(const std::vector<std::string>& taskList)
{
    const char* name = fileName_.c_str();
    ConfigFileReader file(reader_, fileName_);
    read_clocks(file);

    std::vector<TaskTiming*> found(taskList.size(), nullptr);
    file.enterSection("[2]");
    ConfigRow row;
    while (file.nextRow(row)) {
        row.check_count(4, "---> \"%s\" timing setup incorrect : ", row.text(0).c_str());
        const std::string& taskName = row.text(0);
        size_t k = 0;
        while (k < taskList.size() && taskList[k] != taskName)
            ++k;
        if (k == taskList.size())
            continue;
        if (found[k])
            reader_->error("---> Found duplicate task name \"%s\" : Please check section [2] of the file \"%s\"",
                           taskName.c_str(), name);
        for (int i = 1; i <= 3; ++i)
            warn_unread_timing(row, i);
        found[k] = setup_task_timing(taskName, row.text(1), row.text(2), row.text(3), k == 0, k + 1 == taskList.size());
    }

    // Every task that is missing is named, in list order, before the run stops.
    std::string missing;
    for (size_t k = 0; k < taskList.size(); ++k)
        if (!found[k])
            missing += std::string(missing.empty() ? "" : "\n") +
                       opp_format("---> Missing timing elements for task \"%s\". Please check section [2] of the file "
                                  "\"%s\"",
                                  taskList[k].c_str(), name);
    if (!missing.empty())
        reader_->error("%s", missing.c_str());
    return CpuTiming{cpuClock_, memClock_, found};
}

void CpuTimingFile::check_field(const std::string& taskName, const char* field, double mean, double stddev) const
{
    const char* task = taskName.c_str();
    const char* name = fileName_.c_str();
    if (!(mean > 0))
        reader_->error("---> Timing setup incorrect for task \"%s\" : mean %s must > 0. Please check section [2] of "
                       "the file \"%s\"",
                       task, field, name);
    if (!(stddev >= 0))
        reader_->error("---> Timing setup incorrect for task \"%s\" : stddev %s must >= 0. Please check section [2] "
                       "of the file \"%s\"",
                       task, field, name);
    if (!(mean > stddev))
        reader_->error("---> Timing setup incorrect for task \"%s\" : mean %s must > stddev %s. Please check section "
                       "[2] of the file \"%s\"",
                       task, field, field, name);
    const Setting& s = setting(SettingFile::CPU_MODEL, "[2]", field);
    if (!catalogue_accepts(s, mean))
        reader_->error("---> Timing setup incorrect for task \"%s\" : mean %s %g must be within %s. Please check "
                       "section [2] of the file \"%s\"",
                       task, field, mean, range_text(s).c_str(), name);
}

void CpuTimingFile::read_field(const std::string& taskName, const char* field, const std::string& text, double& mean,
                               double& stddev) const
{
    if (!parse_mean_stddev(text, mean, stddev))
        reader_->error("---> Timing setup incorrect for task \"%s\" : %s \"%s\" is out of range. Please check "
                       "section [2] of the file \"%s\"",
                       taskName.c_str(), field, text.c_str(), fileName_.c_str());
    check_field(taskName, field, mean, stddev);
}

TaskTiming* CpuTimingFile::setup_task_timing(const std::string& taskName, const std::string& instrNum,
                                             const std::string& cpuCylIns, const std::string& memRefIns, bool firstRow,
                                             bool lastRow)
{
    auto task = std::make_unique<TaskTiming>();
    read_field(taskName, "INSTR_NUM", instrNum, task->instrNumMean, task->instrNumStddev);
    read_field(taskName, "CPU_CYL_INS", cpuCylIns, task->cpuCylInsMean, task->cpuCylInsStddev);
    read_field(taskName, "MEM_REF_INS", memRefIns, task->memRefInsMean, task->memRefInsStddev);
    // Each number may fit and their product still not; a task that would
    // take forever must not reach the clock.
    TaskTiming longest = *task;
    longest.instrNumMean += longest.instrNumStddev;
    longest.cpuCylInsMean += longest.cpuCylInsStddev;
    longest.memRefInsMean += longest.memRefInsStddev;
    if (!std::isfinite(mean_timing_us(longest, cpuClock_, memClock_)))
        reader_->error("---> Timing setup incorrect for task \"%s\" : its time is out of range. Please check "
                       "section [2] of the file \"%s\"",
                       taskName.c_str(), fileName_.c_str());

    TimingFileRow row;
    row.processor = cpuModel_;
    row.target = target_;
    row.taskName = taskName;
    row.timingUs = mean_timing_us(*task, cpuClock_, memClock_);
    row.firstRow = firstRow;
    row.lastRow = lastRow;
    write_timing_file(reader_, writeRows_ ? &row : nullptr);

    // Records are shared by address through module parameters for the whole
    // run, so the run keeps them rather than any one module.
    return simulation.keepForRun(std::move(task));
}

CpuTiming extract_cpu_timing(cModule* processor, const std::string& cpuModel, const std::vector<std::string>& taskList,
                             const std::string& role)
{
    cModule* root = find_root(processor);
    const std::string marker = cpuModel + "_For_" + role;
    const bool writeRows = !root->hasPar(marker.c_str());
    if (writeRows)
        root->addPar(marker.c_str()).setBoolValue(true);

    CpuTiming timing = CpuTimingFile(processor, cpuModel, role, writeRows).read(taskList);
    processor->addPar("cpuClock").setDoubleValue(timing.cpuClock);
    processor->addPar("memClock").setDoubleValue(timing.memClock);
    for (size_t k = 0; k < taskList.size(); ++k)
        processor->addPar(taskList[k].c_str()).setLongValue(object_address(timing.tasks[k]));
    return timing;
}
