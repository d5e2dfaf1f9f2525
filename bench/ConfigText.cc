#include "bench/ConfigText.h"

#include <fstream>
#include <stdexcept>

namespace {

bool is_comment(const std::string& line)
{
    return line.empty() || line[0] == ' ' || line[0] == '\t' || line[0] == ';' || line[0] == '\r';
}

bool is_blank(char c)
{
    return c == ' ' || c == '\t';
}

bool ends_line(char c)
{
    return c == ';' || c == '\r' || c == '\n';
}

// Start and end of field `index` of `line`, or npos when it has fewer.
std::pair<size_t, size_t> field_span(const std::string& line, size_t index)
{
    size_t pos = 0, n = 0;
    while (pos < line.size() && !ends_line(line[pos])) {
        while (pos < line.size() && is_blank(line[pos]))
            ++pos;
        if (pos >= line.size() || ends_line(line[pos]))
            break;
        size_t end = pos;
        while (end < line.size() && !is_blank(line[end]) && !ends_line(line[end]))
            ++end;
        if (n++ == index)
            return {pos, end};
        pos = end;
    }
    return {std::string::npos, std::string::npos};
}

} // namespace

ConfigText ConfigText::read(const std::filesystem::path& file)
{
    std::ifstream in(file);
    if (!in)
        throw std::runtime_error("cannot read " + file.string());
    ConfigText text;
    for (std::string line; std::getline(in, line);)
        text.lines_.push_back(line);
    return text;
}

void ConfigText::write(const std::filesystem::path& file) const
{
    std::ofstream out(file, std::ios::trunc);
    for (const std::string& line : lines_)
        out << line << '\n';
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

std::vector<size_t> ConfigText::data_lines(const std::string& marker) const
{
    size_t i = 0;
    while (i < lines_.size() && lines_[i].compare(0, marker.size(), marker) != 0)
        ++i;
    if (i == lines_.size())
        throw std::runtime_error("no section " + marker);
    std::vector<size_t> found;
    bool header = true;
    for (++i; i < lines_.size() && (lines_[i].empty() || lines_[i][0] != '['); ++i) {
        if (is_comment(lines_[i]))
            continue;
        if (header)
            header = false;
        else
            found.push_back(i);
    }
    return found;
}

void ConfigText::insert_after(size_t after, const std::vector<std::string>& added)
{
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(after + 1), added.begin(), added.end());
}

void ConfigText::append_to_section(const std::string& marker, const std::vector<std::string>& added)
{
    const std::vector<size_t> rows = data_lines(marker);
    if (rows.empty())
        throw std::runtime_error("section " + marker + " has no rows to follow");
    insert_after(rows.back(), added);
}

std::vector<std::string> fields_of(const std::string& line)
{
    std::vector<std::string> fields;
    for (size_t i = 0;; ++i) {
        auto span = field_span(line, i);
        if (span.first == std::string::npos)
            return fields;
        fields.push_back(line.substr(span.first, span.second - span.first));
    }
}

std::string with_field(const std::string& line, size_t index, const std::string& value)
{
    auto span = field_span(line, index);
    if (span.first == std::string::npos)
        throw std::runtime_error("line has no field " + std::to_string(index) + ": " + line);
    const size_t oldWidth = span.second - span.first;
    size_t end = span.second;
    // Take blanks from the gap that follows so that later columns stay put,
    // leaving at least one.
    for (size_t grow = value.size();
         grow > oldWidth && end + 1 < line.size() && is_blank(line[end]) && is_blank(line[end + 1]); --grow)
        ++end;
    std::string out = line.substr(0, span.first) + value;
    if (value.size() < oldWidth && end < line.size() && is_blank(line[end]))
        out.append(oldWidth - value.size(), ' ');
    return out + line.substr(end);
}
