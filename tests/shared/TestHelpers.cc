#include "tests/shared/TestHelpers.h"

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

std::string col(const std::string& text, std::size_t width)
{
    return text.size() >= width ? text : text + std::string(width - text.size(), ' ');
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
