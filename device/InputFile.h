#pragma once

#include <fstream>
#include <string>

#include "device/OutputFile.h"

class cModule;

// Every input file of a run is opened here, so that a path that is a folder,
// or a file that cannot be opened, stops the run with the file named instead
// of reading as an empty file or breaking the reader later.

// `name` opened for reading, or the run stopped through `reader` with
// `failFormat` (one "%s" for the name), saying so when the path is a folder.
std::ifstream open_input_file(const cModule* reader, const std::string& name,
                              const char* failFormat = OpenFailText::QUOTED);

// Stops the run when the file `in`, just opened, holds nothing.
void refuse_empty_file(const cModule* reader, std::istream& in, const std::string& name);

// Stops the run when the lines of the file `in`, just opened, end in CR
// alone, as old Mac editors save them: read by LF the whole file would be
// one line. `in` is left at its start.
void refuse_cr_line_ends(const cModule* reader, std::istream& in, const std::string& name);

// Passes over a byte-order mark at the start of `in`, which some editors put
// before the first line.
void skip_byte_order_mark(std::istream& in);
