#pragma once

#include <fstream>
#include <string>

#include "device/OutputFile.h"
#include "sim/TextFile.h"

class cModule;

// Every input file of a run is opened through TextFile, so that a path that
// is not a regular file, a file that cannot be opened or text that cannot be
// read by lines stops the run with the file named, instead of reading as an
// empty file or breaking the reader later.

// `name` opened for reading, past its byte-order mark, or the run stopped
// through `reader` with `failFormat` (one "%s" for the name) and the reason.
std::ifstream open_input_file(const cModule* reader, const std::string& name,
                              const char* failFormat = OpenFailText::QUOTED);

// Stops the run through `reader` when `opening` of `name` failed: with
// `failFormat` and the reason when it did not open, with the refusal of its
// text otherwise.
void stop_unless_opened(const cModule* reader, const std::string& name, const TextFile::Opening& opening,
                        const char* failFormat);

// Stops the run when the file `in`, just opened, holds nothing.
void refuse_empty_file(const cModule* reader, std::istream& in, const std::string& name);
