#include "device/ConfigRow.h"

#include "device/ConfigFileReader.h"
#include "sim/DecimalNumber.h"
#include "sim/cException.h"
#include "sim/cModule.h"

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

ConfigRow::ConfigRow(std::string line, long lineNumber, const ConfigFileReader* file)
    : line_(std::move(line)), lineNumber_(lineNumber), fields_(split(line_))
{
    if (file) {
        owner_ = file->owner();
        fileName_ = file->name();
        section_ = file->sectionLabel();
    }
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

void ConfigRow::outOfRange(int i) const
{
    const std::string what =
        opp_format("field %d \"%s\" of line %ld is out of range", i + 1, text(i).c_str(), lineNumber_);
    if (!owner_)
        throwError("---> %s", what.c_str());
    if (section_.empty())
        owner_->error("---> %s. Please check the file \"%s\"", what.c_str(), fileName_.c_str());
    owner_->error("---> %s. Please check section %s of the file \"%s\"", what.c_str(), section_.c_str(),
                  fileName_.c_str());
}

void ConfigRow::stop(const std::string& message) const
{
    if (!owner_)
        throwError("%s", message.c_str());
    owner_->error("%s", message.c_str());
}

std::string ConfigRow::where() const
{
    if (section_.empty())
        return opp_format(". Please check the file \"%s\"", fileName_.c_str());
    return opp_format(". Please check section %s of the file \"%s\"", section_.c_str(), fileName_.c_str());
}

long ConfigRow::asLong(int i) const
{
    long value = 0;
    DecimalStatus status = readDecimalLong(text(i).c_str(), value);
    if (status == DecimalStatus::OUT_OF_RANGE)
        outOfRange(i);
    return status == DecimalStatus::OK ? value : 0;
}

double ConfigRow::asDouble(int i) const
{
    double value = 0;
    DecimalStatus status = readDecimalDouble(text(i).c_str(), value);
    if (status == DecimalStatus::OUT_OF_RANGE)
        outOfRange(i);
    return status == DecimalStatus::OK ? value : 0;
}

char ConfigRow::asFlag(int i) const
{
    return has(i) ? fields_[i][0] : '\0';
}
