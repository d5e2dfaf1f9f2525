#pragma once

#include <string>
#include <vector>

#include "sim/cException.h"

class ConfigFileReader;
class cModule;
struct Setting;

// One data line of a device configuration file or a CPU-model timing file,
// split into its fields. Fields are separated by runs of blanks, TABs, CRs
// and LFs; ';', CR or LF end the data, so the rest of the line is a comment.
//
// Fields convert by position, counted from 0. A field that is absent reads as
// empty text, so as 0 when converted to a number. Numbers are decimal; one
// too big for its type stops the run, naming the line and the field.
class ConfigRow {
  public:
    ConfigRow() = default;
    // `file` gives the owner that raises errors and the file and section
    // that messages name (copied: a row may outlive its reader); without
    // one, errors are the kernel's.
    ConfigRow(std::string line, long lineNumber, const ConfigFileReader* file = nullptr);

    int count() const { return static_cast<int>(fields_.size()); }
    bool has(int i) const { return i >= 0 && i < count(); }

    // The field's text, whole; empty when absent.
    const std::string& text(int i) const;
    // Decimal conversion of the leading digits (0 when there are none):
    // "100.0" gives 100. Text after the number other than the field's
    // `unit` ("ms", or its spellings split by '|': "KB|K") is ignored with a
    // warning, since "1,500" or "5e2" read as 1 or 5 are seldom meant.
    long asLong(int i, const char* unit = nullptr) const;
    // Decimal conversion of the leading real number (0 when there is none):
    // "1e2" gives 100. Text after it is treated as by asLong().
    double asDouble(int i, const char* unit = nullptr) const;
    // The same for a field of the setting catalogue, converted with its unit:
    // a value outside the setting's range (one too big for its type among
    // them) stops the run, naming the line, the field, the setting, the text
    // read, its range, the section and the file. Values that the reader
    // refuses with messages of its own are left to it.
    long asLong(int i, const Setting& s) const;
    double asDouble(int i, const Setting& s) const;
    long asLongOrDash(int i, const Setting& s) const { return isDash(i) ? -1 : asLong(i, s); }
    double asDoubleOrDash(int i, const Setting& s) const { return isDash(i) ? -1.0 : asDouble(i, s); }
    // The first character of a one-letter flag, '\0' when absent.
    char asFlag(int i) const;
    // True when the field is the text "-", which some sections use for a
    // value not given.
    bool isDash(int i) const { return text(i) == "-"; }
    // As asLong() and asDouble(), but "-" gives -1.
    long asLongOrDash(int i, const char* unit = nullptr) const { return isDash(i) ? -1 : asLong(i, unit); }
    double asDoubleOrDash(int i, const char* unit = nullptr) const { return isDash(i) ? -1.0 : asDouble(i, unit); }

    // Warns, once per run, that field `i` of this line `what` ("reads as
    // 5: ..."), naming the line, the field and the file.
    void warn(int i, const std::string& what) const;
    // Warns that this row gives again the `what` ("port") of `first`, the
    // row that is used: "repeats the port of line 12; this row is ignored".
    void warn_repeated(const ConfigRow& first, const std::string& what) const;
    // Stops the run: field `i` of this line `what` ("holds \"x\", which is
    // not a port number"), naming the line, the field and the file.
    [[noreturn]] void refuse(int i, const std::string& what) const;
    // Stops the run when the line is a section marker ("[3.1.2]"), which
    // stands where no row of the section can: out of order, or a section
    // given twice.
    void refuse_section_marker() const;

    // The field count a section asks for. A row with more fields than
    // `fields` stops the run with "<subject>at most <fields> parameters can
    // be setup", one with fewer with "<subject>missing parameter(s)", each
    // followed by ". Please check section <section> of the file \"<file>\"".
    // `subject` is a printf format for `args` ("---> Acp[%ld] General
    // Configuration : "); it is formatted only for a row that fails.
    template <class... Args>
    void check_at_most(int fields, const char* subject, const Args&... args) const
    {
        if (count() > fields)
            stop(worded(subject, args...) + opp_format("at most %d parameters can be setup", fields) + where());
    }
    template <class... Args>
    void check_at_least(int fields, const char* subject, const Args&... args) const
    {
        if (count() < fields)
            stop(worded(subject, args...) + "missing parameter(s)" + where());
    }
    template <class... Args>
    void check_count(int fields, const char* subject, const Args&... args) const
    {
        check_at_most(fields, subject, args...);
        check_at_least(fields, subject, args...);
    }
    // The same for a section whose messages are worded otherwise: `format`
    // is the whole message.
    template <class... Args>
    void refuse_above(int fields, const char* format, const Args&... args) const
    {
        if (count() > fields)
            stop(worded(format, args...));
    }
    template <class... Args>
    void refuse_below(int fields, const char* format, const Args&... args) const
    {
        if (count() < fields)
            stop(worded(format, args...));
    }

    const std::string& line() const { return line_; }
    long lineNumber() const { return lineNumber_; }

    // Splits a line into fields as described above.
    static std::vector<std::string> split(const std::string& line);

  private:
    [[noreturn]] void outOfRange(int i) const;
    [[noreturn]] void outOfRange(int i, const Setting& s) const;
    void check(int i, const Setting& s, double value) const;
    // Warns when the text of field `i` goes on past `end`, where the number
    // read as `value` stops, with anything but `unit`.
    void warn_unread(int i, const char* end, const char* unit, const std::string& value) const;
    // Stops the run with `message`, raised by the reader's owner.
    [[noreturn]] void stop(const std::string& message) const;
    // ". Please check section <section> of the file \"<file>\"".
    std::string where() const;
    template <class... Args>
    static std::string worded(const char* format, const Args&... args)
    {
        if constexpr (sizeof...(Args) == 0)
            return format;
        else
            return opp_format(format, args...);
    }

    const cModule* owner_ = nullptr;
    std::string fileName_;
    std::string section_;
    std::string line_;
    long lineNumber_ = 0;
    std::vector<std::string> fields_;
};
