#pragma once

#include <cstdint>

// What the state block of every link-service exchange holds: the FC-4 key of
// the exchange and whether the block is open, its exchange done and the
// block free for the next one.
struct LinkServiceSb {
    std::uint32_t fc4MemAddr = 0;
    bool sbOpen = false;
    bool sbDone = false;
    bool sbFree = true;

    // The state at start and after re-initialisation; the other fields are
    // kept.
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
