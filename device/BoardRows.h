#pragma once

#include <string>

#include "device/ConfigRow.h"

class cModule;

// A section of one row per board of a storage device, the board's index in
// its vector first: section "[1]" of the host-interface boards (`Chip`) and
// section "[4]" of the array control processor boards (`Acp`).
struct BoardRows {
    const char* vector; // "Chip"
    long index;         // the board whose row is looked for
    int boards;         // the size of the device's vector
    int fields;         // the most fields a row may hold
    // How a row's refusal begins, a format of the row's index
    // ("---> Chip[%ld] General Configuration : ").
    const char* subject;
};

// Reads section `marker` (to `endMarker` or the end of the file) of
// `confFile` for the board's row: the first one with its index. Rows before
// it that hold more than `fields` fields stop the run; no reader looks at the
// rows after it. No row for the board, or a short one, stops the run, the
// first naming `boardPath`. A later row for the board, and a row for a board
// the device does not have, are warned of: neither is ever used.
ConfigRow read_board_row(const cModule* reader, const std::string& confFile, const char* marker, const char* endMarker,
                         const BoardRows& rows, const std::string& boardPath);
