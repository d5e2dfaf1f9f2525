#pragma once

#include <fstream>
#include <istream>
#include <string>

// Every input text file of a run, omnetpp.ini and its includes as much as
// the device files, is opened here, so that all readers refuse the same
// files with the same words: a path that is not a regular file (a folder
// opens as an empty file, and a FIFO nobody writes to would hold the opening
// for ever), a file that does not open, and text that no reader can take
// line by line (lines ended by CR alone, UTF-16). A UTF-8 byte-order mark,
// which some editors put before the first line, is passed over here, so that
// no reader sees it.
class TextFile {
  public:
    enum Fault {
        NONE,
        // `reason` says why, to follow the reader's own "couldn't open".
        NOT_OPENED,
        // `reason` is the whole refusal, naming the file.
        NOT_TEXT,
    };
    struct Opening {
        Fault fault = NONE;
        std::string reason;
    };

    // Opens `path` into `in`, left at the first character after the mark.
    static Opening open(std::ifstream& in, const std::string& path);
    // Looks at the start of `in`, just opened, as open() does; `in` is left
    // at the first character after the mark.
    static Opening check(std::istream& in, const std::string& path);
};
