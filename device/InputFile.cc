#include "device/InputFile.h"

#include <filesystem>

#include "sim/cException.h"
#include "sim/cModule.h"

namespace {

// Enough of the first line to tell its line ends.
constexpr std::streamsize LOOK_AHEAD = 65536;

void rewind(std::istream& in)
{
    in.clear();
    in.seekg(0);
}

} // namespace

std::ifstream open_input_file(const cModule* reader, const std::string& name, const char* failFormat)
{
    std::error_code ec;
    // A folder opens as a file that cannot be read.
    if (std::filesystem::is_directory(name, ec))
        reader->error("%s: it is a folder, not a file", opp_format(failFormat, name.c_str()).c_str());
    std::ifstream in(name, std::ios::binary);
    if (!in)
        reader->error(failFormat, name.c_str());
    return in;
}

void refuse_empty_file(const cModule* reader, std::istream& in, const std::string& name)
{
    if (in.peek() == std::char_traits<char>::eof())
        reader->error("---> The file \"%s\" is empty", name.c_str());
    in.clear();
}

void refuse_cr_line_ends(const cModule* reader, std::istream& in, const std::string& name)
{
    // Only the first line is looked at: in a file of CR line ends it holds
    // a CR with more text after it.
    std::streambuf* buf = in.rdbuf();
    bool afterCr = false;
    bool crAlone = false;
    for (std::streamsize n = 0; n < LOOK_AHEAD && !crAlone; ++n) {
        const int c = buf->sbumpc();
        if (c == std::char_traits<char>::eof() || c == '\n')
            break;
        crAlone = afterCr;
        afterCr = c == '\r';
    }
    rewind(in);
    if (crAlone)
        reader->error("---> The file \"%s\" ends its lines with CR alone, as old Mac editors save them, so that they "
                      "read as one line. Please save it with LF line ends",
                      name.c_str());
}

void skip_byte_order_mark(std::istream& in)
{
    char mark[3] = {};
    in.read(mark, 3);
    if (in.gcount() == 3 && mark[0] == '\xEF' && mark[1] == '\xBB' && mark[2] == '\xBF')
        return;
    rewind(in);
}
