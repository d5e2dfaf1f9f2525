#include "network/ClosingLine.h"

namespace {

std::string count_of(long n, const char* thing)
{
    return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

} // namespace

std::string closing_line(const InitiatorTotals& ios, const RunLogRows& logs)
{
    std::string line = std::to_string(ios.requested) + " I/Os requested, " + std::to_string(ios.completed) +
                       " completed, " + std::to_string(ios.aborted) + " aborted; ";
    line += logs.warnings == 0 ? std::string("no warnings") : count_of(logs.warnings, "warning");
    if (logs.rows > 0)
        line += " among the " + count_of(logs.rows, "row") + " of " + logs.warningsFile;
    if (logs.ioFails > 0)
        line += "; " + count_of(logs.ioFails, "row") + " in " + logs.ioFailFile;
    return line;
}
