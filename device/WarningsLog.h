#pragma once

#include <string>

#include "device/OutputFile.h"

class cModule;

// The run-wide warnings log, named by the root's `warningsFile`. Every module
// that survives a condition but wants it on record ("WARNING: ...",
// "ALERT: ...", "NOTICE: ...") calls warnings() with its text; the first
// call of the run (root `warnFileNew` true) starts the file afresh with its
// header. Each row carries the running count `warningsCnt`, the simulated
// time in milliseconds and the module's full path.
//
// `failFormat` is the text of the calling class when the log cannot be opened:
// the receivers, I/O generators, SCSI layers, control-memory processors, LUN
// controllers and switch centres use QUOTED, the other FC port and FC-4
// classes ERROR_BANG.
void warnings(const cModule* mod, const std::string& text, const char* failFormat);

// A warning the user must see as well: a row "WARNING: `text`" in the
// warnings log, as warnings() writes it, and the line
// "<!> Warning in module PATH: `text`" on stderr. For conditions that lose
// work without stopping the run, which a row in a file alone would hide.
void user_warning(const cModule* mod, const std::string& text, const char* failFormat = OpenFailText::QUOTED);

// The same, given once per run: a condition met by several modules that read
// one file (every port of a device reads its port section) is told once.
// `text` names what it concerns, which is what tells one condition from
// another.
void user_warning_once(const cModule* mod, const std::string& text);
