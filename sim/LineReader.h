#pragma once

#include <istream>
#include <string>

// Reads text line by line without ever holding more than a set length of
// one line, so that input without line ends (a device file, a damaged file)
// cannot make a reader take memory without bound.
class LineReader {
  public:
    enum Result { LINE, END, TOO_LONG };

    LineReader(std::istream& in, size_t maxLength) : in_(in), maxLength_(maxLength) {}

    // The next line, without its LF; a CR before the LF stays in the line
    // and is not counted against the length. END at the end of the input;
    // TOO_LONG for a line of more than the length, of which `line` then
    // holds the start. After TOO_LONG the next call goes on with the rest
    // of that same line, unless skipRest() passes over it.
    Result next(std::string& line);
    // Passes over what is left of the current line, holding none of it, as
    // long as the whole line has at most `maxTotal` characters; false (and
    // the line is not yet passed) when it has more.
    bool skipRest(size_t maxTotal);

    // The number of the line read last, counted from 1.
    long lineNumber() const { return lineNumber_; }
    size_t maxLength() const { return maxLength_; }

  private:
    std::istream& in_;
    size_t maxLength_;
    long lineNumber_ = 0;
    bool midLine_ = false; // the last line was cut short before its end
};
