#include "disk/SeekTable.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "device/InputFile.h"
#include "device/SettingCatalogue.h"
#include "sim/cModule.h"

namespace {

bool starts_number(char c)
{
    return c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9');
}

bool in_number(char c)
{
    return starts_number(c) || c == 'e' || c == 'E';
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// A number of at most 15 digits with no exponent, such as "0.2207": its
// digits as a whole number and the power of ten it is divided by are both
// exact doubles, so a single division rounds the value exactly as from_chars
// does. False, for from_chars to read, on anything longer or otherwise.
bool read_short_decimal(const char* p, const char* last, double& value, const char*& end)
{
    static constexpr double powersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                             1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    constexpr int MAX_DIGITS = 15;
    const bool negative = *p == '-';
    const char* c = negative ? p + 1 : p;
    uint64_t digits = 0;
    int count = 0;
    int fraction = 0;
    const char* whole = c;
    for (; c < last && is_digit(*c) && count < MAX_DIGITS; ++c, ++count)
        digits = digits * 10 + static_cast<uint64_t>(*c - '0');
    if (c == whole)
        return false;
    if (c < last && *c == '.') {
        const char* first = ++c;
        for (; c < last && is_digit(*c) && count < MAX_DIGITS; ++c, ++count, ++fraction)
            digits = digits * 10 + static_cast<uint64_t>(*c - '0');
        if (c == first)
            return false;
    }
    if (c < last && (is_digit(*c) || *c == '.' || *c == 'e' || *c == 'E'))
        return false;
    const double v = static_cast<double>(digits) / powersOfTen[fraction];
    value = negative ? -v : v;
    end = c;
    return true;
}

// The next number of the text at `at`, as a stream would read it: decimal
// digits, a sign, a point and an exponent only. False, moving nothing, at
// the end of the text or where no such number starts.
bool next_number(const char*& at, const char* last, double& value)
{
    const char* p = at;
    while (std::isspace(static_cast<unsigned char>(*p)))
        ++p;
    if (!starts_number(*p))
        return false;
    double v = 0;
    const char* end = p;
    if (*p != '+' && read_short_decimal(p, last, v, end)) {
        value = v;
        at = end;
        return true;
    }
    if (*p == '+') { // from_chars takes no plus sign
        char* e = nullptr;
        v = std::strtod(p, &e);
        end = e;
    } else {
        const std::from_chars_result r = std::from_chars(p, last, v);
        if (r.ec != std::errc())
            return false; // out of range: a stream fails there too
        end = r.ptr;
    }
    if (end == p)
        return false;
    for (const char* c = p; c < end; ++c)
        if (!in_number(*c))
            return false; // hexadecimal, infinity or not-a-number: not read
    value = v;
    at = end;
    return true;
}

// The number (from 1) and the text of the line of `text` that holds `at`.
std::pair<long, std::string> line_at(const std::string& text, const char* at)
{
    const size_t pos = static_cast<size_t>(at - text.c_str());
    const size_t begin = pos == 0 ? 0 : text.rfind('\n', pos - 1) + 1;
    size_t end = text.find('\n', pos);
    if (end == std::string::npos)
        end = text.size();
    if (end > begin && text[end - 1] == '\r')
        --end;
    const long number = 1 + static_cast<long>(std::count(text.begin(), text.begin() + static_cast<long>(begin), '\n'));
    return {number, text.substr(begin, end - begin)};
}

} // namespace

std::string SeekTable::file_name(const std::string& model)
{
    return model + DISK_SEEK_FILE_SUFFIX;
}

std::string SeekTable::root_par_name(const std::string& model)
{
    return model + "_seek_ptr";
}

// Tens of thousands of records per model: the file is read whole and its
// numbers taken with from_chars, which rounds exactly as a stream does.
void SeekTable::read(const cModule* reader, const std::string& model, long cylNum)
{
    const std::string name = file_name(model);
    std::ifstream in = open_input_file(reader, name);
    refuse_empty_file(reader, in, name);
    std::ostringstream whole;
    whole << in.rdbuf();
    const std::string text = whole.str();
    const char* at = text.c_str();
    const char* last = at + text.size();
    records_.clear();
    records_.reserve(static_cast<size_t>(cylNum));
    double distance = 0, timeMs = 0;
    while (static_cast<long>(records_.size()) < cylNum && next_number(at, last, distance) &&
           next_number(at, last, timeMs)) {
        const long row = static_cast<long>(records_.size()) + 1;
        // A distance beyond any disk has no whole number of cylinders.
        if (!(distance >= 0 && distance <= MAX_DISTANCE))
            reader->error("---> \"%s\" : seek record %ld has the distance %g, which must be within [0,%g]. Check the "
                          "file \"%s\" to make a correction",
                          model.c_str(), row, distance, MAX_DISTANCE, name.c_str());
        // An endless or negative seek would hold every I/O of the disk at the
        // end of the run, or put its completion in the past.
        if (!(timeMs >= 0 && timeMs <= MAX_SEEK_MS))
            reader->error("---> \"%s\" : seek record %ld has the time %g ms, which must be within [0,%g]. Check the "
                          "file \"%s\" to make a correction",
                          model.c_str(), row, timeMs, MAX_SEEK_MS, name.c_str());
        records_.push_back({static_cast<double>(static_cast<long>(distance)), timeMs});
    }
    while (at < last && std::isspace(static_cast<unsigned char>(*at)))
        ++at;
    if (static_cast<long>(records_.size()) < cylNum && at < last) {
        const auto [number, line] = line_at(text, at);
        reader->error("---> \"%s\" : line %ld reads \"%s\", where seek record %ld should be two numbers. Check the "
                      "file \"%s\" to make a correction",
                      model.c_str(), number, line.c_str(), static_cast<long>(records_.size()) + 1, name.c_str());
    }
    if (static_cast<long>(records_.size()) < cylNum)
        reader->error("---> \"%s.params.ini\" indicates %ld cylinders but \"%s.seek.full.ini\" has only %d cylinder "
                      "records",
                      model.c_str(), cylNum, model.c_str(), static_cast<int>(records_.size()));
}

long SeekTable::first_repeated_record() const
{
    for (size_t i = 1; i < records_.size(); ++i)
        if (records_[i].distance == records_[i - 1].distance)
            return static_cast<long>(i) + 1;
    return 0;
}

long SeekTable::first_falling_record() const
{
    for (size_t i = 1; i < records_.size(); ++i)
        if (records_[i].timeMs < records_[i - 1].timeMs)
            return static_cast<long>(i) + 1;
    return 0;
}
