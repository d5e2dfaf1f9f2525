#pragma once

#include <filesystem>
#include <string>
#include <vector>

// A device configuration file or an ini file held as its lines, for the
// benchmarks that write larger variants of the shipped configuration. A
// section starts at its marker ("[2]", "[2.1]") at the start of a line and
// ends at the next line that starts with '['; inside it, lines that start
// with a blank, a TAB or ';' and empty lines are comments, and the first
// other line is the column header.
class ConfigText {
  public:
    // Throws std::runtime_error when the file cannot be read.
    static ConfigText read(const std::filesystem::path& file);
    // Throws std::runtime_error when the file cannot be written.
    void write(const std::filesystem::path& file) const;

    std::vector<std::string>& lines() { return lines_; }
    const std::vector<std::string>& lines() const { return lines_; }

    // The indexes of the data lines of section `marker`, header left out;
    // throws std::runtime_error when the file has no such section.
    std::vector<size_t> data_lines(const std::string& marker) const;
    // Puts `added` after line `after`, keeping the order given.
    void insert_after(size_t after, const std::vector<std::string>& added);
    // Puts `added` after the last data line of section `marker`.
    void append_to_section(const std::string& marker, const std::vector<std::string>& added);

  private:
    std::vector<std::string> lines_;
};

// The blank- or TAB-separated fields of a line; ';' ends it.
std::vector<std::string> fields_of(const std::string& line);
// The line with field `index` replaced by `value`, the columns after it kept
// where they were as far as the new width allows.
std::string with_field(const std::string& line, size_t index, const std::string& value);
