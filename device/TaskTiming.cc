#include "device/TaskTiming.h"

#include <cstdlib>
#include <sstream>

#include "sim/Distributions.h"

namespace {

double clampedNormal(double mean, double stddev)
{
    double x = normal(mean, stddev, TASK_TIMING_RNG);
    if (x < mean - stddev)
        x = mean - stddev;
    if (x > mean + stddev)
        x = mean + stddev;
    return x;
}

} // namespace

double load_timing(const TaskTiming* task, double cpuClock, double memClock)
{
    const double instr = clampedNormal(task->instrNumMean, task->instrNumStddev);
    const double cyl = clampedNormal(task->cpuCylInsMean, task->cpuCylInsStddev);
    const double mem = clampedNormal(task->memRefInsMean, task->memRefInsStddev);
    return instr * (cyl + mem * cpuClock / memClock) / (cpuClock * 1e6);
}

double mean_timing_us(const TaskTiming& task, double cpuClock, double memClock)
{
    return task.instrNumMean * (task.cpuCylInsMean + task.memRefInsMean * cpuClock / memClock) / cpuClock;
}

void parse_mean_stddev(const std::string& field, double& mean, double& stddev)
{
    std::string text = field;
    for (char& c : text)
        if (c == ',')
            c = ' ';
    text += " 0";
    std::istringstream words(text);
    std::string first, second;
    words >> first >> second;
    mean = std::strtod(first.c_str(), nullptr);
    stddev = std::strtod(second.c_str(), nullptr);
}


