#pragma once

#include <string>

class cModule;

// The run-wide timing file, named by the root's `timingFile`: one row per
// task of each CPU model in each role, written by the first module that loads
// that model's timings for the role, in the order of the task lines in the
// model's file.
struct TimingFileRow {
    std::string processor; // the CPU model; shown on the first row only
    std::string target;    // the role ("FC_Ports", "Node", ...); first row only
    std::string taskName;
    double timingUs = 0; // the cost with every quantity at its mean
    bool firstRow = false;
    bool lastRow = false; // the rule of the model follows it
};

// Opens the timing file (truncated and given its header when the root's
// `timingFileNew` is set, which is then cleared; for appending otherwise),
// appends `row` unless it is null, and closes the file again.
void write_timing_file(const cModule* writer, const TimingFileRow* row);
