#pragma once

#include <memory>

#include "messages/MsgSubclass_m.h"

// The ioType of block requests: the SCSI operation codes of READ and WRITE.
constexpr int BLK_READ_TYPE = 136;
constexpr int BLK_WRITE_TYPE = 128;

// One cached block of the control memory, or one block whose physical write
// is under way. The processor owns every record; while a record is being
// written its address rides on each physical write ("thisCchTbl") and comes
// back with the completion.
struct CacheTable {
    unsigned long lunId = 0;
    unsigned long lunBlk = ~0UL;
    unsigned long blkSize = 0;
    double accTime = 0;    // s, last access
    bool reqWrBak = false; // dirty: must be written back
    bool wrBakOn = false;  // a write-back is under way
    bool open = false;
    bool mirrored = false;                // a primary and a mirror copy on disk
    int copiesDone = 0;                   // physical writes completed
    std::unique_ptr<LunBlkLocAnx> blkLoc; // where the block lives; on dirty records
    int ioType = 255;                     // 136 read or 128 write: the request that set it last
    unsigned long ioId = ~0UL;

    bool isWrite() const;
};

inline bool CacheTable::isWrite() const
{
    return ioType == BLK_WRITE_TYPE;
}

// True when the location has both a primary and a mirror copy.
inline bool has_both_copies(const LunBlkLocAnx& loc)
{
    return loc.getPriAcpId() != -1 && loc.getMirAcpId() != -1;
}
