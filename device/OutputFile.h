#pragma once

#include <functional>
#include <ostream>
#include <sstream>
#include <string>
#include <string_view>
#include <type_traits>

#include "device/OutputStream.h"

class cModule;
class cPar;

// Conventions of every log and statistics file of a run: fixed-point
// numbers with the decimal point shown, left-justified fixed-width columns
// (a value longer than its column runs on), simulated time in milliseconds.
// In statistics files a value as wide as its column or wider is followed by
// one blank (see field()), so that columns never run together.

// The texts with which writers stop the run when a file cannot be opened,
// each with one "%s" for the file's path. Most writers use one of these two;
// a few files have a wording of their own, passed the same way.
namespace OpenFailText {
inline constexpr const char QUOTED[] = "---> Couldn't open file \"%s\"";
inline constexpr const char ERROR_BANG[] = "ERROR: Couldn't open file %s !";
} // namespace OpenFailText

// Fixed-point, decimal point shown, left-justified.
void set_output_format(std::ostream& out);

// A statistics column: `out << field(15) << value` writes the value as
// `std::setw(15)` would, in the stream's format, and one blank after it when
// it fills the column, so that the next column cannot run into it.
struct field {
    explicit field(int width) : width(width) {}
    int width;
};
struct [[nodiscard]] FieldWriter {
    std::ostream& out;
    int width;
};
inline FieldWriter operator<<(std::ostream& out, field f)
{
    return FieldWriter{out, f.width};
}
// The one stream in which a column's value is formatted to be measured: made
// once, since rows are written per I/O and per period, and given only the
// flags and precision that a value's text depends on (no file stream here
// takes another locale).
inline std::ostringstream& field_scratch(const std::ostream& out)
{
    static thread_local std::ostringstream scratch;
    scratch.str(std::string());
    scratch.flags(out.flags());
    scratch.precision(out.precision());
    return scratch;
}

// The text `out << value` gives, written into [first, last) without a
// stream, for the number formats the run's files use: decimal integers, and
// fixed-point numbers that are finite. Null where the stream's own
// formatting is needed. Rows of statistics are written per I/O, and a
// number formatted through a stream costs ten times as much.
const char* plain_number_text(const std::ostream& out, double value, char* first, char* last);
const char* plain_number_text(const std::ostream& out, long long value, char* first, char* last);
const char* plain_number_text(const std::ostream& out, unsigned long long value, char* first, char* last);

template <class T>
inline constexpr bool kPlainNumber =
    std::is_arithmetic_v<T> && !std::is_same_v<T, bool> && !std::is_same_v<T, char> &&
    !std::is_same_v<T, signed char> && !std::is_same_v<T, unsigned char> && !std::is_same_v<T, wchar_t> &&
    !std::is_same_v<T, char16_t> && !std::is_same_v<T, char32_t> && !std::is_same_v<T, long double>;

template <class T>
const char* plain_text_of(const std::ostream& out, T value, char* first, char* last)
{
    if constexpr (std::is_floating_point_v<T>)
        return plain_number_text(out, static_cast<double>(value), first, last);
    else if constexpr (std::is_signed_v<T>)
        return plain_number_text(out, static_cast<long long>(value), first, last);
    else
        return plain_number_text(out, static_cast<unsigned long long>(value), first, last);
}

void write_field(FieldWriter f, std::string_view text);

template <class T>
std::ostream& operator<<(FieldWriter f, const T& value)
{
    if constexpr (kPlainNumber<T>) {
        char text[128];
        if (const char* end = plain_text_of(f.out, value, text, text + sizeof text)) {
            write_field(f, std::string_view(text, static_cast<size_t>(end - text)));
            return f.out;
        }
    } else if constexpr (std::is_same_v<T, std::string> ||
                         (std::is_array_v<T> && std::is_same_v<std::remove_cv_t<std::remove_extent_t<T>>, char>)) {
        write_field(f, std::string_view(value));
        return f.out;
    }
    std::ostringstream& formatted = field_scratch(f.out);
    formatted << value;
    write_field(f, formatted.str());
    return f.out;
}

// The path of a statistics file: the root's `progDataDir`, the root's
// directory parameter `dirPar` for the kind of file, the file name (mostly
// the writing module's full path) and the suffix, with nothing in between;
// the directory values carry their own separators.
std::string output_path(cModule* root, const char* dirPar, const std::string& fileName, const char* suffix);

// Opens `path` for writing, truncated or for appending, formatted as above.
// Directories that the path needs and that do not exist yet are created;
// when that fails the run stops with a message naming the directory and the
// path, which is the real cause. When the file itself cannot be opened the run
// stops with `failFormat`, whose one "%s" is the path. The writer calls
// finish() on the stream when it is done with it, so that a write the file
// system refused ends the run.
OutputStream open_output_file(const cModule* writer, const std::string& path, bool truncate,
                              const char* failFormat = OpenFailText::QUOTED);

// Opens a file that many modules share. When the root's bool `newFlag` is
// true the file is truncated, the flag cleared and `writeHeader` called on
// the stream; otherwise the file is opened for appending.
OutputStream open_shared_output(const cModule* writer, const std::string& path, cPar& newFlag,
                                const std::function<void(std::ostream&)>& writeHeader,
                                const char* failFormat = OpenFailText::QUOTED);

// The period of a periodic writer in seconds, from the root's `name` in
// milliseconds; a period that is not above 0, or outside its range in the
// setting catalogue, stops the run.
double time_scale_seconds(const cModule* reader, cModule* root, const char* name);

// The current simulated time in milliseconds, as rows print it.
double sim_time_ms();
