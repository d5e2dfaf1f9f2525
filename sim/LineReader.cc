#include "sim/LineReader.h"

LineReader::Result LineReader::next(std::string& line)
{
    line.clear();
    std::streambuf* buf = in_.rdbuf();
    if (!buf || !in_.good())
        return END;
    int c = buf->sbumpc();
    if (c == std::char_traits<char>::eof()) {
        in_.setstate(std::ios::eofbit);
        return END;
    }
    ++lineNumber_;
    while (c != std::char_traits<char>::eof() && c != '\n') {
        if (line.size() > maxLength_)
            return TOO_LONG;
        line.push_back(static_cast<char>(c));
        c = buf->sbumpc();
    }
    if (c == std::char_traits<char>::eof())
        in_.setstate(std::ios::eofbit);
    if (line.size() > maxLength_ && !(line.size() == maxLength_ + 1 && line.back() == '\r'))
        return TOO_LONG;
    return LINE;
}

void LineReader::skipRest()
{
    std::streambuf* buf = in_.rdbuf();
    if (!buf || !in_.good())
        return;
    for (int c = buf->sbumpc(); c != '\n'; c = buf->sbumpc()) {
        if (c == std::char_traits<char>::eof()) {
            in_.setstate(std::ios::eofbit);
            return;
        }
    }
}
