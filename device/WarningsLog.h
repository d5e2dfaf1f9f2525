#pragma once

#include <string>

#include "device/OutputFile.h"
#include "network/RunLog.h"

class cModule;

// The run-wide warnings log, named by the root's `warningsFile`. Every module
// that survives a condition but wants it on record calls warnings() with the
// condition's kind and its text; the row reads "WARNING: text", "ALERT: text"
// or "NOTICE: text". The first row of the run (root `warnFileNew` true)
// starts the file afresh with its header. Each row carries the running count
// `warningsCnt`, the simulated time in milliseconds and the module's full
// path; the run's log (RunLog) counts it by its kind.
//
// `failFormat` is the text of the calling class when the log cannot be opened:
// the receivers, I/O generators, SCSI layers, control-memory processors, LUN
// controllers and switch centres use QUOTED, the other FC port and FC-4
// classes ERROR_BANG.
void warnings(const cModule* mod, LogKind kind, const std::string& text, const char* failFormat);

// The same for the few rows that do not open with their kind's word (none at
// all, or "WARNING : "): `text` is the row's whole text, counted as `kind`.
void warnings_as_written(const cModule* mod, LogKind kind, const std::string& text, const char* failFormat);

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
