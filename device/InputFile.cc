#include "device/InputFile.h"

#include "sim/cException.h"
#include "sim/cModule.h"

std::ifstream open_input_file(const cModule* reader, const std::string& name, const char* failFormat)
{
    std::ifstream in;
    stop_unless_opened(reader, name, TextFile::open(in, name), failFormat);
    return in;
}

void stop_unless_opened(const cModule* reader, const std::string& name, const TextFile::Opening& opening,
                        const char* failFormat)
{
    if (opening.fault == TextFile::NOT_OPENED)
        reader->error("%s: %s", opp_format(failFormat, name.c_str()).c_str(), opening.reason.c_str());
    if (opening.fault == TextFile::NOT_TEXT)
        reader->error("%s", opening.reason.c_str());
}

void refuse_empty_file(const cModule* reader, std::istream& in, const std::string& name)
{
    if (in.peek() == std::char_traits<char>::eof())
        reader->error("---> The file \"%s\" is empty", name.c_str());
    in.clear();
}
