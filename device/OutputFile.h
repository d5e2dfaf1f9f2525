#pragma once

#include <fstream>
#include <functional>
#include <ostream>
#include <string>

class cModule;
class cPar;

// Conventions of every log and statistics file of a run: fixed-point
// numbers with the decimal point shown, left-justified fixed-width columns
// (a value longer than its column runs on), simulated time in milliseconds.

// The two texts with which writers stop the run when a file cannot be
// opened; "%s" is the file's path.
enum class OpenFailText {
    QUOTED,    // "---> Couldn't open file \"%s\""
    ERROR_BANG // "ERROR: Couldn't open file %s !"
};

[[noreturn]] void open_failed(const cModule* writer, const std::string& path, OpenFailText text);

// Fixed-point, decimal point shown, left-justified.
void set_output_format(std::ostream& out);

// The path of a statistics file: the root's `progDataDir`, the root's
// directory parameter `dirPar` for the kind of file, the file name (mostly
// the writing module's full path) and the suffix, with nothing in between;
// the directory values carry their own separators.
std::string output_path(cModule* root, const char* dirPar, const std::string& fileName, const char* suffix);

// Opens `path` for writing, truncated or for appending, formatted as above.
// Directories that the path needs and that do not exist yet are created;
// when that fails the run stops with a message naming the directory and the
// path. When the file itself cannot be opened the run stops with `failText`.
std::ofstream open_output_file(const cModule* writer, const std::string& path, bool truncate,
                               OpenFailText failText = OpenFailText::QUOTED);

// Opens a file that many modules share. When the root's bool `newFlag` is
// true the file is truncated, the flag cleared and `writeHeader` called on
// the stream; otherwise the file is opened for appending.
std::ofstream open_shared_output(const cModule* writer, const std::string& path, cPar& newFlag,
                                 const std::function<void(std::ostream&)>& writeHeader,
                                 OpenFailText failText = OpenFailText::QUOTED);

// The period of a periodic writer in seconds, from the root's `name` in
// milliseconds; a period that is not above 0 stops the run.
double time_scale_seconds(const cModule* reader, cModule* root, const char* name);

// The current simulated time in milliseconds, as rows print it.
double sim_time_ms();
