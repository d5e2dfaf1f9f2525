#pragma once

#include <string>

// The cost of one processor task: instruction count, CPU cycles per
// instruction and memory references per instruction, each a mean and a
// standard deviation. Records are made once, when a CPU-model timing file is
// read, and shared by every module that charges the task until the run ends;
// modules hand them over as addresses in long parameters.
struct TaskTiming {
    double instrNumMean = 0;
    double instrNumStddev = 0;
    double cpuCylInsMean = 0;
    double cpuCylInsStddev = 0;
    double memRefInsMean = 0;
    double memRefInsStddev = 0;
};

// Task durations are drawn on this generator only.
constexpr int TASK_TIMING_RNG = 29;

// One run of the task in seconds, on a processor with the given CPU and
// memory clocks (MHz): instructions x (cycles + memory references x cpuClock /
// memClock) / (cpuClock x 1e6). The three quantities are drawn in that order
// from normal distributions on generator 29, each clamped to mean - stddev
// ... mean + stddev.
double load_timing(const TaskTiming* task, double cpuClock, double memClock);

// The cost of the task in microseconds with every quantity at its mean, as
// the timing file lists it.
double mean_timing_us(const TaskTiming& task, double cpuClock, double memClock);

// Reads a mean and a standard deviation from a timing field such as
// "2000,150": commas read as blanks, and a value left out reads as 0, so
// "2000" alone has stddev 0. Anything after the second number is ignored.
// Numbers are decimal, and text that is none reads as 0; false when one of
// the two is too big to hold.
bool parse_mean_stddev(const std::string& field, double& mean, double& stddev);

// True when parse_mean_stddev() passes over part of `field`: a third number
// ("8,000,800" reads as mean 8, stddev 0) or text after either number.
bool mean_stddev_ignores_text(const std::string& field);
