#pragma once

#include <string>

// The I/Os of every SCSI initiator of a run, as their finish() adds them up:
// requested, completed without error, and aborted.
struct InitiatorTotals {
    long requested = 0;
    long completed = 0;
    long aborted = 0;
};

// What the run's two logs hold: the rows of the warnings log, how many of
// them are warnings or alerts rather than notices, the rows of the
// I/O-failure log, and their paths.
struct RunLogRows {
    long rows = 0;
    long warnings = 0;
    std::string warningsFile;
    long ioFails = 0;
    std::string ioFailFile;
};

// The line that closes a run: "N I/Os requested, N completed, N aborted",
// then the warnings with the log that holds them, and the rows of the
// I/O-failure log when there are any, so that a run that lost work does not
// end looking clean.
std::string closing_line(const InitiatorTotals& ios, const RunLogRows& logs);
