#include "sim/LineReader.h"

LineReader::Result LineReader::next(std::string& line)
{
    line.clear();
    midLine_ = false;
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
        if (line.size() > maxLength_) {
            midLine_ = true;
            return TOO_LONG;
        }
        line.push_back(static_cast<char>(c));
        c = buf->sbumpc();
    }
    if (c == std::char_traits<char>::eof())
        in_.setstate(std::ios::eofbit);
    if (line.size() > maxLength_ && !(line.size() == maxLength_ + 1 && line.back() == '\r'))
        return TOO_LONG;
    return LINE;
}

bool LineReader::skipRest(size_t maxTotal)
{
    std::streambuf* buf = in_.rdbuf();
    if (!midLine_ || !buf || !in_.good())
        return true;
    midLine_ = false;
    // next() has taken two characters more than the length.
    for (size_t taken = maxLength_ + 2;; ++taken) {
        int c = buf->sbumpc();
        if (c == '\n')
            return true;
        if (c == std::char_traits<char>::eof()) {
            in_.setstate(std::ios::eofbit);
            return true;
        }
        if (taken + 1 > maxTotal)
            return false;
    }
}
