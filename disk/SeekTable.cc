#include "disk/SeekTable.h"

#include <cctype>
#include <charconv>
#include <cstdlib>
#include <fstream>
#include <sstream>

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

} // namespace

std::string SeekTable::file_name(const std::string& model)
{
    return model + ".seek.full.ini";
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
    std::ifstream in(name);
    if (!in)
        reader->error("---> Couldn't open file \"%s\"", name.c_str());
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
    if (static_cast<long>(records_.size()) < cylNum)
        reader->error("---> \"%s.params.ini\" indicates %ld cylinders but \"%s.seek.full.ini\" has only %d cylinder "
                      "records",
                      model.c_str(), cylNum, model.c_str(), static_cast<int>(records_.size()));
}

long SeekTable::first_falling_record() const
{
    for (size_t i = 1; i < records_.size(); ++i)
        if (records_[i].timeMs < records_[i - 1].timeMs)
            return static_cast<long>(i) + 1;
    return 0;
}
