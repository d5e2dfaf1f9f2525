#include "sim/TextFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "sim/cException.h"

namespace {

// Enough of the first line to tell its line ends.
constexpr size_t LOOK_AHEAD = 65536;

// What stat() says stands in the way of reading `path` as a file, or "" for
// a regular file; a path stat() cannot look at is left for the opening to
// name.
std::string not_a_regular_file(const std::string& path)
{
    struct stat st {};
    if (stat(path.c_str(), &st) != 0 || S_ISREG(st.st_mode))
        return "";
    if (S_ISDIR(st.st_mode))
        return "it is a folder, not a file";
    if (S_ISFIFO(st.st_mode))
        return "it is a FIFO, not a regular file";
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode))
        return "it is a device, not a regular file";
    return "it is not a regular file";
}

bool starts_with(const std::string& text, const char* start)
{
    return text.compare(0, std::strlen(start), start) == 0;
}

// UTF-16 with its mark, or without it: every other byte of plain text a NUL.
bool is_utf16(const std::string& head)
{
    if (starts_with(head, "\xFF\xFE") || starts_with(head, "\xFE\xFF"))
        return true;
    if (head.size() < 4)
        return false;
    const bool evenNul = head[0] == '\0' && head[2] == '\0' && head[1] != '\0' && head[3] != '\0';
    const bool oddNul = head[1] == '\0' && head[3] == '\0' && head[0] != '\0' && head[2] != '\0';
    return evenNul || oddNul;
}

// In a file of CR line ends the first line holds a CR with more text after it.
bool ends_lines_with_cr_alone(const std::string& firstLine)
{
    const size_t cr = firstLine.find('\r');
    return cr != std::string::npos && cr + 1 < firstLine.size();
}

} // namespace

TextFile::Opening TextFile::open(std::ifstream& in, const std::string& path)
{
    const std::string irregular = not_a_regular_file(path);
    if (!irregular.empty())
        return {NOT_OPENED, irregular};
    errno = 0;
    in.open(path, std::ios::binary);
    if (!in)
        return {NOT_OPENED, errno ? std::strerror(errno) : "it cannot be read"};
    return check(in, path);
}

TextFile::Opening TextFile::check(std::istream& in, const std::string& path)
{
    std::string head;
    std::streambuf* buf = in.rdbuf();
    for (int c; head.size() < LOOK_AHEAD && (c = buf->sbumpc()) != std::char_traits<char>::eof() && c != '\n';)
        head.push_back(static_cast<char>(c));
    in.clear();
    in.seekg(0);
    if (is_utf16(head))
        return {NOT_TEXT,
                opp_format("---> The file \"%s\" is saved as UTF-16, which no reader takes. Please save it as "
                           "plain text (ASCII or UTF-8)",
                           path.c_str())};
    if (ends_lines_with_cr_alone(head))
        return {NOT_TEXT, opp_format("---> The file \"%s\" ends its lines with CR alone, as old Mac editors save them, "
                                     "so that they read as one line. Please save it with LF line ends",
                                     path.c_str())};
    if (starts_with(head, "\xEF\xBB\xBF"))
        in.seekg(3);
    return {};
}
