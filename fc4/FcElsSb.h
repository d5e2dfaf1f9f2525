#pragma once

#include <cstdint>

// The state of one extended-link-service exchange. For ABTX the block also
// names the aborted I/O, by the FC-4 index of its initiator side and its FCP
// pair, so that the accept can free the initiator's path slot.
struct FcElsSb {
    std::uint32_t fc4MemAddr = 0;
    std::uint32_t cmdCode = 0;
    bool sbOpen = false;
    bool sbDone = false;
    bool sbFree = true;
    int initiator = 0;
    int target = 0;

    // The state at start and after INIT_FCELS; key and code are kept.
    void initialise()
    {
        sbOpen = false;
        sbDone = false;
        sbFree = true;
    }
    // Back to the pool after the exchange ended.
    void finish()
    {
        sbDone = true;
        sbFree = true;
    }
};
