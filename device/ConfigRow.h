#pragma once

#include <string>
#include <vector>

class ConfigFileReader;
class cModule;

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
    // "100.0" gives 100.
    long asLong(int i) const;
    // Decimal conversion of the leading real number (0 when there is none):
    // "1e2" gives 100.
    double asDouble(int i) const;
    // The first character of a one-letter flag, '\0' when absent.
    char asFlag(int i) const;
    // True when the field is the text "-", which some sections use for a
    // value not given.
    bool isDash(int i) const { return text(i) == "-"; }
    // As asLong() and asDouble(), but "-" gives -1.
    long asLongOrDash(int i) const { return isDash(i) ? -1 : asLong(i); }
    double asDoubleOrDash(int i) const { return isDash(i) ? -1.0 : asDouble(i); }

    const std::string& line() const { return line_; }
    long lineNumber() const { return lineNumber_; }

    // Splits a line into fields as described above.
    static std::vector<std::string> split(const std::string& line);

  private:
    [[noreturn]] void outOfRange(int i) const;

    const cModule* owner_ = nullptr;
    std::string fileName_;
    std::string section_;
    std::string line_;
    long lineNumber_ = 0;
    std::vector<std::string> fields_;
};
