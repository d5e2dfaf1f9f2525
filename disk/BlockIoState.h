#pragma once

#include "messages/MsgSubclass_m.h"

// What the loop port remembers of one block request while its sectors are
// on the loop: enough to answer the request once every sector is back. Each
// sector I/O of the block carries its address (`blkIoSbPtr`); the port owns
// it from segmentation until the block completes.
struct BlockIoState {
    unsigned long lunId = 0;
    unsigned long lunBlk = 0;
    unsigned long blkSize = 0; // bytes
    int ioType = 0;            // 136 read, 128 write
    unsigned long ioId = 0;
    LunBlkLoc lunBlkLoc{};
    bool reqIndex = false; // true for a read
    long pbIndex = -1;     // the control memory's pending entry of a read
    double sTime = 0;      // when the control memory issued the request
    long thisCchTbl = 0;   // the cache record of a write, passed back untouched
    unsigned long secNum = 0;
    unsigned long completed = 0;
};
