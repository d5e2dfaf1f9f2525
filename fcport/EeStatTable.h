#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "device/OutputStream.h"

class cLinkedList;

// End-to-end statistics of one pair of ports (remote N_Port, local N_Port of
// the device) for the current period. The device's exchange engines add to
// it; the device's Fc2EeStat module writes a row per period and clears the
// sums. Tables are never removed; the statistics queue owns them.
struct EeStatTable {
    std::uint32_t remoteId = 0;
    std::uint32_t localId = 0;
    long exchNew = 0;
    long exchCom = 0;
    long frmRcvd = 0;
    double netDlySum = 0; // seconds
    double eeLatSum = 0;  // seconds
    long frmLen = 0;      // payload bytes
    // The Domain_IDs of the switches that the latest routed frame crossed.
    std::vector<long> route;
    bool fileOpen = false;
    OutputStream file;

    // Clears the period's sums; the route stays.
    void clear_sums();
};

// The table of (remote, local) on the queue, made and appended when absent.
EeStatTable* eestat_table(cLinkedList& queue, std::uint32_t remoteId, std::uint32_t localId);

// A queue that deletes its tables when cleared or destroyed.
void own_eestat_tables(cLinkedList& queue);

// The file of a table: "From_<remote>_To_<local>.EeStat", decimal ids.
std::string eestat_file_name(const EeStatTable& table);

// The header of a table's file: titles in their columns and a rule.
void write_eestat_header(std::ostream& out);

// One row: the sums of the period of `periodSeconds` that ends at
// `nowSeconds`, averaged per received frame. `routeKnown` prints the route
// (the ports are a current pair), else the text "path unavailable".
void write_eestat_row(std::ostream& out, const EeStatTable& table, double nowSeconds, double periodSeconds,
                      bool routeKnown);
