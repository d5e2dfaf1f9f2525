#include "device/TaskTiming.h"

#include <sstream>

#include "sim/DecimalNumber.h"
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

std::string commasAsBlanks(const std::string& field)
{
    std::string text = field;
    for (char& c : text)
        if (c == ',')
            c = ' ';
    return text;
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

bool parse_mean_stddev(const std::string& field, double& mean, double& stddev)
{
    std::string text = commasAsBlanks(field) + " 0";
    std::istringstream words(text);
    std::string first, second;
    words >> first >> second;
    mean = stddev = 0;
    const DecimalStatus m = readDecimalDouble(first.c_str(), mean);
    const DecimalStatus s = readDecimalDouble(second.c_str(), stddev);
    if (m != DecimalStatus::OK)
        mean = 0;
    if (s != DecimalStatus::OK)
        stddev = 0;
    return m != DecimalStatus::OUT_OF_RANGE && s != DecimalStatus::OUT_OF_RANGE;
}

bool mean_stddev_ignores_text(const std::string& field)
{
    std::istringstream words(commasAsBlanks(field));
    std::string word;
    for (int n = 0; words >> word; ++n) {
        if (n == 2)
            return true;
        double value = 0;
        const char* end = nullptr;
        if (readDecimalDouble(word.c_str(), value, &end) == DecimalStatus::OK && *end != '\0')
            return true;
    }
    return false;
}
