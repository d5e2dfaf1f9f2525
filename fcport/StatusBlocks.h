#pragma once

#include <cstdint>
#include <vector>

#include "fcport/PortCodes.h"

// The exchange engine's state of one exchange (ESB) and of each sequence it
// carries in one direction (SSB). Identifier widths follow the frame fields:
// OX_ID and RX_ID are 16 bits, SEQ_ID 8 bits, ports and keys 32 bits.

constexpr std::uint16_t UNASSIGNED_XID = 0xFFFF;
constexpr std::uint32_t NO_FC4_KEY = 0xFFFFFFFF;

struct SSB {
    std::uint8_t seqId = 0;
    std::uint16_t oxId = UNASSIGNED_XID;
    std::uint16_t rxId = UNASSIGNED_XID;
    bool seqInit = false;
    bool open = false; // the slot has been used; slots are never reopened
    bool actv = false; // the sequence is in progress
    bool endn = false; // the sequence ended normally
    std::uint32_t fc4Iu = 0;
    std::uint32_t seqLen = 0;
    std::uint32_t lenComp = 0;
    // The FC-4 object that came with the sequence's first frame; the SSB
    // owns it until the sequence is delivered.
    bool hasCtx = false;
    long ctxPtr = 0;
};

struct ESB {
    std::uint32_t fc4MemAddr = NO_FC4_KEY;
    std::uint16_t oxId = UNASSIGNED_XID;
    std::uint16_t rxId = UNASSIGNED_XID;
    std::uint32_t orig = 0;
    std::uint32_t resp = 0;
    bool ownByOrig = false;
    bool xferSeqInit = false; // the other side holds the sequence initiative
    bool completion = true;   // the block is free
    bool endNormal = false;
    bool aborted = false;
    std::uint8_t currSeqId = 0;
    int initSsbSize = 0;
    int recpSsbSize = 0;
    bool initSsbFlag = false;
    bool recpSsbFlag = false;
    std::vector<SSB> initSsb;
    std::vector<SSB> recpSsb;
    int classOfSrv = CLASS_NONE;

    bool isOpen() const { return !completion; }
};
