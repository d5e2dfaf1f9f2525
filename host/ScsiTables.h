#pragma once

#include <cstdint>
#include <string>
#include <vector>

class cQueue;

// The tables of the SCSI initiator engine (ScsiLayer and its array form).

// Sub-I/O ids are 32-bit; this one stands for "none".
constexpr std::uint32_t NO_IO_ID = 0xFFFFFFFFu;

// One LUN_WWN of the LUN mask: which of the device's node ports may reach
// it and which pair of ports it prefers.
struct LunMaskTable {
    std::string lunWwn;
    std::vector<bool> mask;       // one flag per node port
    std::string priIniWwpn = "-"; // module path relative to the device, or "-"
    std::string priTarWwpn = "-"; // module path relative to the root, or "-"
    bool used = false;
    bool firstRecord = true; // until the LUN's first active path is recorded
    bool checked = false;    // against the paths, once its ports had some
};

// One LUN of a target, as discovered over one path.
struct TarLunTable {
    unsigned long lunId = 0;
    std::string lunWwn = "NULL";
    double cost = -1; // seconds from sending the INQUIRY to its answer
    bool active = false;
    unsigned long blkNum = 0;
    unsigned long blkSize = 0;
};

// One initiator-target path: node port `initiator` of the device and its
// FCP engine `target`.
struct LunPathTable {
    int initiator = -1;
    int target = -1;
    unsigned long iniAddrId = 0;
    unsigned long tarAddrId = 0;
    int maxSioTry = 0;
    double recTov = 0; // seconds
    bool open = false;
    bool active = false; // REPORT LUNS answered
    std::vector<TarLunTable> tarLuns;
    bool tarLunsAlloc = false;
    cQueue* queue = nullptr; // the slot's queue of sub-I/O commands
    long opening = 0;        // which opening of a path of the initiator this is, from 1
    long maxSio = 0;
    long currSio = 0;

    long lunNum() const { return static_cast<long>(tarLuns.size()); }
};

// One sub-I/O of an I/O: at most 64 KiB of a read or write, or a whole
// control command.
struct SioTable {
    std::uint32_t ioId = NO_IO_ID;
    double sTime = -1;
    double fcpStime = -1; // handed to the processor; -1 while queued
    double eTime = -1;
    long cdbPtr = 0;
    bool active = false;
    int maxTry = 0;
    int totalTry = 0;
    double recTov = 0; // seconds
    unsigned long blkAddr = 0;
    unsigned long dataLen = 0;
};

// One open I/O: a read or write of the generator, or a control command of
// LUN discovery.
struct IoTable {
    int initiator = -1;
    int target = -1;
    unsigned long iniAddrId = 0;
    unsigned long tarAddrId = 0;
    long gbIoId = -1;
    long ioIdx = -1;
    unsigned long lun = 0;
    unsigned char cmdCode = 255;
    double sTime = 0;
    double eTime = 0;
    bool open = false;
    bool aborted = false;
    std::string lunWwn = "NULL";
    long ioGenId = -1;
    long sioDone = 0;
    std::vector<SioTable> sioTable;
    bool sioAlloc = false;
    unsigned long blkAddr = 0;
    unsigned long dataLen = 0;

    long sioNum() const { return static_cast<long>(sioTable.size()); }
};

// A finished read or write waiting for its row in ".IoResp".
struct IoRtRec {
    unsigned long iniAddrId = 0;
    unsigned long tarAddrId = 0;
    long ioIdx = 0;
    unsigned char cmdCode = 0;
    unsigned long dataLen = 0;
    unsigned long blkAddr = 0;
    double sTime = 0;
    double eTime = 0;
    long ioGenId = -1;
    std::string lunWwn;
    bool aborted = false;
};

// The I/O counts of one command type (reads or writes) for the statistics
// files; byte sums are 64-bit, an interval can carry more than 2 GiB.
struct IoStatCounters {
    long req = 0;
    long succ = 0;
    long abrt = 0;
    long open = 0;
    long wait = 0;
    long reqInt = 0;
    std::int64_t sizeInt = 0;
    long succInt = 0;
    long abrtInt = 0;
};
