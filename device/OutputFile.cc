#include "device/OutputFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "device/SettingCatalogue.h"
#include "sim/cException.h"
#include "sim/cModule.h"
#include "sim/cPar.h"
#include "sim/cSimulation.h"

void set_output_format(std::ostream& out)
{
    out.setf(std::ios::fixed, std::ios::floatfield);
    out.setf(std::ios::showpoint);
    out.setf(std::ios::left, std::ios::adjustfield);
}

namespace {

bool decimal_without_sign_flags(const std::ostream& out)
{
    const std::ios::fmtflags base = out.flags() & std::ios::basefield;
    return (base == std::ios::dec || base == std::ios::fmtflags{}) && !(out.flags() & std::ios::showpos);
}

template <class Int>
const char* plain_integer_text(const std::ostream& out, Int value, char* first, char* last)
{
    if (!decimal_without_sign_flags(out))
        return nullptr;
    const std::to_chars_result r = std::to_chars(first, last, value);
    return r.ec == std::errc{} ? r.ptr : nullptr;
}

} // namespace

const char* plain_number_text(const std::ostream& out, long long value, char* first, char* last)
{
    return plain_integer_text(out, value, first, last);
}

const char* plain_number_text(const std::ostream& out, unsigned long long value, char* first, char* last)
{
    return plain_integer_text(out, value, first, last);
}

// Fixed-point text from to_chars is that of printf's "%.*f", which is what
// the stream writes; the stream adds a point after the digits of a
// precision of 0 when it is told to show it.
const char* plain_number_text(const std::ostream& out, double value, char* first, char* last)
{
    const std::streamsize precision = out.precision();
    if ((out.flags() & std::ios::floatfield) != std::ios::fixed || (out.flags() & std::ios::showpos) ||
        !std::isfinite(value) || precision < 0 || precision > 40)
        return nullptr;
    const std::to_chars_result r =
        std::to_chars(first, last - 1, value, std::chars_format::fixed, static_cast<int>(precision));
    if (r.ec != std::errc{})
        return nullptr;
    char* end = r.ptr;
    if (precision == 0 && (out.flags() & std::ios::showpoint))
        *end++ = '.';
    return end;
}

// A left-justified column padded with blanks is put together here and
// written at once: the stream pads a character at a time.
void write_field(FieldWriter f, std::string_view text)
{
    const bool full = text.size() >= static_cast<size_t>(f.width);
    char row[256];
    const size_t padded = full ? text.size() + 1 : static_cast<size_t>(f.width);
    if ((f.out.flags() & std::ios::adjustfield) != std::ios::left || f.out.fill() != ' ' || padded > sizeof row) {
        f.out.width(f.width);
        f.out << text;
        if (full)
            f.out << ' ';
        return;
    }
    text.copy(row, text.size());
    std::fill(row + text.size(), row + padded, ' ');
    f.out.width(0);
    f.out.write(row, static_cast<std::streamsize>(padded));
}

std::string output_path(cModule* root, const char* dirPar, const std::string& fileName, const char* suffix)
{
    return std::string(root->par("progDataDir").stringValue()) + root->par(dirPar).stringValue() + fileName + suffix;
}

OutputStream open_output_file(const cModule* writer, const std::string& path, bool truncate, const char* failFormat)
{
    const std::ios::openmode mode = std::ios::out | (truncate ? std::ios::trunc : std::ios::app);
    OutputStream out(writer, path, mode);
    if (!out) {
        // The usual cause on a fresh output folder: the directories are not
        // there yet.
        const std::filesystem::path dir = std::filesystem::path(path).parent_path();
        std::error_code ec;
        if (!dir.empty() && !std::filesystem::is_directory(dir, ec)) {
            std::filesystem::create_directories(dir, ec);
            if (ec) {
                stop_for_file_fault(writer,
                                    opp_format("---> Couldn't create the directory \"%s\" for the file \"%s\": %s",
                                               dir.string().c_str(), path.c_str(), ec.message().c_str()));
                return out;
            }
            out.clear();
            out.open(path, mode);
        }
    }
    if (!out)
        stop_for_file_fault(writer, opp_format(failFormat, path.c_str()) + ": " + out.openFailure());
    set_output_format(out);
    return out;
}

OutputStream open_shared_output(const cModule* writer, const std::string& path, cPar& newFlag,
                                const std::function<void(std::ostream&)>& writeHeader, const char* failFormat)
{
    if (!newFlag.boolValue())
        return open_output_file(writer, path, false, failFormat);
    OutputStream out = open_output_file(writer, path, true, failFormat);
    newFlag.setBoolValue(false);
    if (writeHeader)
        writeHeader(out);
    return out;
}

double time_scale_seconds(const cModule* reader, cModule* root, const char* name)
{
    const Setting& period = setting(SettingFile::INI, "", name);
    const double ms = root->par(name).doubleValue();
    if (!(ms > 0))
        reader->error("---> Invalid \"%s\". Must > 0ms. Please check the file \"omnetpp.ini\"", name);
    if (!(ms >= period.min && ms <= period.max))
        reader->error("---> Invalid \"%s\". Must be within [%g,%g]ms. Please check the file \"omnetpp.ini\"", name,
                      period.min, period.max);
    return ms / 1000.0;
}

double sim_time_ms()
{
    return simulation.simTime() * 1000.0;
}
