#include "device/ConfigRow.h"

#include <cstdlib>

namespace {

const std::string noField;

bool isSeparator(char c)
{
    return c == ' ' || c == '\t';
}

bool endsData(char c)
{
    return c == ';' || c == '\r' || c == '\n' || c == '\0';
}

} // namespace

ConfigRow::ConfigRow(std::string line, long lineNumber)
    : line_(std::move(line)), lineNumber_(lineNumber), fields_(split(line_))
{
}

std::vector<std::string> ConfigRow::split(const std::string& line)
{
    std::vector<std::string> fields;
    size_t i = 0;
    const size_t n = line.size();
    while (i < n && !endsData(line[i])) {
        if (isSeparator(line[i])) {
            ++i;
            continue;
        }
        size_t start = i;
        while (i < n && !isSeparator(line[i]) && !endsData(line[i]))
            ++i;
        fields.emplace_back(line, start, i - start);
    }
    return fields;
}

const std::string& ConfigRow::text(int i) const
{
    return has(i) ? fields_[i] : noField;
}

long ConfigRow::asLong(int i) const
{
    return std::strtol(text(i).c_str(), nullptr, 10);
}

double ConfigRow::asDouble(int i) const
{
    return std::strtod(text(i).c_str(), nullptr);
}

char ConfigRow::asFlag(int i) const
{
    return has(i) ? fields_[i][0] : '\0';
}
