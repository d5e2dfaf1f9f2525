#pragma once

#include <string>

class cModule;

// The run-wide I/O-failure log, named by the root's `ioFailFile`: one row per
// I/O or sub-I/O that fails, from the SCSI initiators and the LUN
// controllers. The first writer of the run (root `ioFailFileNew` true) starts
// the file afresh with its header. Each row carries the running count
// `ioFailCnt`, the simulated time in milliseconds, the I/O's name and
// numbers, the event and the writer's full path.
struct IoFailRow {
    const char* ioName;
    long ioIdx;  // -1 prints "-"
    long sioIdx; // -1 prints "-"
    long ioId;   // -1 prints "-"
    std::string event;
};

// `sioLabel` heads the sub-I/O column: the initiators write "SioIdx", the LUN
// controllers "SIdx"; the header is written only by the run's first writer.
void iofail(const cModule* writer, const char* sioLabel, const IoFailRow& row);
