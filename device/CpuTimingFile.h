#pragma once

#include <string>
#include <vector>

#include "device/TaskTiming.h"

class ConfigFileReader;
class cModule;

// What a processor takes from its CPU model's timing file.
struct CpuTiming {
    double cpuClock = 0; // MHz
    double memClock = 0; // MHz
    // One record per task of the reader's list, in list order.
    std::vector<TaskTiming*> tasks;
};

// Reader of a CPU-model timing file, "<model>.ini" (no directory prepended).
// Section "[1]" holds, after a header line, one line with CPU_Clock and
// MEM_Clock in MHz; after it, one line is passed over (the "[2]" marker) and
// every further line is a task line: TaskName and the three fields
// INSTR_NUM, CPU_CYL_INS and MEM_REF_INS, each a mean and a stddev separated
// by a comma. Lines of tasks that are not in the reader's list are ignored;
// the column header of section "[2]" goes that way.
//
// Every record made lives until the end of the run.
class CpuTimingFile {
  public:
    // `reader` is the module that loads the timings; its errors stop the run.
    // `target` is the role shown in the Target column of the model's first
    // row; rows go to the run-wide timing file only when `writeRows`.
    CpuTimingFile(const cModule* reader, std::string cpuModel, std::string target, bool writeRows);

    const std::string& fileName() const { return fileName_; }

    // Reads the file and checks it; every task of `taskList` must appear
    // once. The first task of the list carries the Processor and Target
    // columns and the last one is followed by the rule.
    CpuTiming read(const std::vector<std::string>& taskList);

    // Converts and checks the three timing fields of a task, makes its
    // record and puts its row in the timing file.
    TaskTiming* setup_task_timing(const std::string& taskName, const std::string& instrNum,
                                  const std::string& cpuCylIns, const std::string& memRefIns, bool firstRow,
                                  bool lastRow);

  private:
    void read_clocks(ConfigFileReader& file);
    void read_field(const std::string& taskName, const char* field, const std::string& text, double& mean,
                    double& stddev) const;
    void check_field(const std::string& taskName, const char* field, double mean, double stddev) const;

    const cModule* reader_;
    std::string cpuModel_;
    std::string target_;
    bool writeRows_;
    std::string fileName_;
    double cpuClock_ = 0;
    double memClock_ = 0;
};

// Processor form, for the host, array-board, control-memory and switch
// processors: reads `cpuModel`'s file for `taskList` and publishes
// `cpuClock`, `memClock` (double) and one long parameter per task, named
// after it and holding the record's address, on `processor`. The root
// parameter "<cpuModel>_For_<role>" marks that the model's rows for the
// role are in the timing file: the first processor of a model and role adds
// it and writes the rows, the others write none.
CpuTiming extract_cpu_timing(cModule* processor, const std::string& cpuModel, const std::vector<std::string>& taskList,
                             const std::string& role);
