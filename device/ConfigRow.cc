#include "device/ConfigRow.h"

#include <cctype>
#include <cstring>

#include "device/ConfigFileReader.h"
#include "device/SettingCatalogue.h"
#include "device/WarningsLog.h"
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

void ConfigRow::outOfRange(int i, const Setting& s) const
{
    stop(opp_format("---> field %d \"%s\" of line %ld is out of range: %s must be within %s", i + 1, text(i).c_str(),
                    lineNumber_, s.name, range_text(s).c_str()) +
         where());
}

void ConfigRow::check(int i, const Setting& s, double value) const
{
    if (!catalogue_accepts(s, value))
        outOfRange(i, s);
}

long ConfigRow::asLong(int i, const Setting& s) const
{
    long value = 0;
    if (readDecimalLong(text(i).c_str(), value) == DecimalStatus::OUT_OF_RANGE)
        outOfRange(i, s);
    value = asLong(i, s.unit);
    check(i, s, static_cast<double>(value));
    return value;
}

double ConfigRow::asDouble(int i, const Setting& s) const
{
    double value = 0;
    if (readDecimalDouble(text(i).c_str(), value) == DecimalStatus::OUT_OF_RANGE)
        outOfRange(i, s);
    value = asDouble(i, s.unit);
    check(i, s, value);
    return value;
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

long ConfigRow::asLong(int i, const char* unit) const
{
    long value = 0;
    const char* end = nullptr;
    DecimalStatus status = readDecimalLong(text(i).c_str(), value, &end);
    if (status == DecimalStatus::OUT_OF_RANGE)
        outOfRange(i);
    if (status != DecimalStatus::OK)
        return 0;
    warn_unread(i, end, unit, std::to_string(value));
    return value;
}

double ConfigRow::asDouble(int i, const char* unit) const
{
    double value = 0;
    const char* end = nullptr;
    DecimalStatus status = readDecimalDouble(text(i).c_str(), value, &end);
    if (status == DecimalStatus::OUT_OF_RANGE)
        outOfRange(i);
    if (status != DecimalStatus::OK)
        return 0;
    warn_unread(i, end, unit, opp_format("%g", value));
    return value;
}

namespace {

// `units` lists a field's spellings of its unit, split by '|' ("KB|K").
bool isUnitOf(const char* text, const char* units)
{
    if (!units)
        return false;
    for (const char* unit = units;; ++unit) {
        const size_t length = std::strcspn(unit, "|");
        if (std::strlen(text) == length && std::strncmp(text, unit, length) == 0)
            return true;
        unit += length;
        if (*unit == '\0')
            return false;
    }
}

} // namespace

void ConfigRow::warn_unread(int i, const char* end, const char* unit, const std::string& value) const
{
    if (*end == '\0' || isUnitOf(end, unit))
        return;
    warn(i, "reads as " + value + ": the text after the number is ignored");
}

void ConfigRow::warn(int i, const std::string& what) const
{
    if (!owner_)
        return;
    user_warning_once(owner_, opp_format("---> Line %ld, field %d \"%s\" ", lineNumber_, i + 1, text(i).c_str()) +
                                  what + where());
}

void ConfigRow::warn_repeated(const ConfigRow& first, const std::string& what) const
{
    warn(0, opp_format("repeats the %s of line %ld; this row is ignored", what.c_str(), first.lineNumber()));
}

void ConfigRow::refuse(int i, const std::string& what) const
{
    stop(opp_format("---> Line %ld, field %d \"%s\" ", lineNumber_, i + 1, text(i).c_str()) + what + where());
}

void ConfigRow::refuse_section_marker() const
{
    if (line_.empty() || line_[0] != '[')
        return;
    size_t close = 1;
    while (close < line_.size() && (std::isdigit(static_cast<unsigned char>(line_[close])) || line_[close] == '.'))
        ++close;
    if (close == 1 || close == line_.size() || line_[close] != ']')
        return;
    stop(opp_format("---> Section marker \"%s\" on line %ld is out of place", line_.substr(0, close + 1).c_str(),
                    lineNumber_) +
         where());
}

char ConfigRow::asFlag(int i) const
{
    return has(i) ? fields_[i][0] : '\0';
}
