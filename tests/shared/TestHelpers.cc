#include "tests/shared/TestHelpers.h"

#include <cstdio>
#include <fstream>
#include <sstream>

void writeFile(const std::string& name, const std::string& text)
{
    std::ofstream(name) << text;
}

std::string readFile(const std::string& name)
{
    std::ifstream in(name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

std::vector<std::string> readLines(const std::string& name)
{
    std::ifstream in(name);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const cRuntimeError& e) {
        return e.what();
    }
    return "";
}

std::string errorOf(const std::function<void()>& f, std::string& errorModule)
{
    try {
        f();
    } catch (const cRuntimeError& e) {
        errorModule = e.modulePath();
        return e.what();
    }
    return "";
}

std::string col(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
}

std::string num(double value, int decimals, std::size_t width)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    return col(buf, width);
}

std::string timingHeader()
{
    return col("Processor", 15) + col("Target", 15) + col("TaskName", 20) + col("Timing(us)", 15) + "\n" + timingRule();
}

std::string timingRule()
{
    return std::string(65, '-') + "\n";
}

std::string timingRow(const std::string& task, const std::string& us, const std::string& processor,
                      const std::string& target)
{
    return col(processor, 15) + col(target, 15) + col(task, 20) + col(us, 15) + "\n";
}

cModule* compound(const char* name, cModule* parent, int index, int size)
{
    auto* m = new cCompoundModule(name, parent);
    if (index >= 0)
        m->setIndex(index, size);
    return m;
}

cModule* newVelmoraRoot()
{
    cModule* root = new cCompoundModule("Velmora", nullptr);
    simulation.setSystemModule(root);
    root->addPar("rootFlag").setBoolValue(true);
    return root;
}

RunOutcome runToFinish()
{
    simulation.callInitialize();
    RunOutcome outcome = simulation.run();
    simulation.callFinish();
    return outcome;
}
