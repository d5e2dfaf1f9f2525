#pragma once

#include <cstdint>

class cModule;

// One member position of a LUN on one side, primary or mirror. A position
// without a disk on that side has its ids at -1 and no module.
struct DiskAttr {
    int acpId = -1;
    int grpId = -1;
    int dskId = -1;
    cModule* dskMod = nullptr;
    double maxCapGB = 0;
    double lunCapGB = 0;
    long lunDskBlkNum = 0;

    bool present() const { return dskMod != nullptr; }
};

// One LUN I/O in progress, keyed by the command's ioId. The answer-file
// names are addresses of name strings that the controller owns until their
// RM_PTR frees them.
struct LunIoTable {
    unsigned chipId = static_cast<unsigned>(-1);
    unsigned fc4Index = static_cast<unsigned>(-1);
    unsigned fcpIndex = static_cast<unsigned>(-1);
    unsigned ioId = static_cast<unsigned>(-1);
    unsigned char cmdCode = 255;
    unsigned blkAddr = 0;
    unsigned dataLen = 0;
    unsigned char taskAttr = 255;
    unsigned char crn = 0;
    double recTov = 0;
    bool inUse = false;
    bool rdData = false;
    bool wrData = false;
    unsigned blkIoNum = 0;
    unsigned blkIoComp = 0;
    bool hasLunListPtr = false;
    long lunListPtr = 0;
    unsigned lunBlkLen = 0;
    unsigned lunBlkNum = 0;
    bool hasLunWwnPtr = false;
    long lunWwnPtr = 0;
};
