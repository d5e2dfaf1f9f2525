#pragma once

#include <cstdint>

// The state of one name-server exchange, with the common-transport header of
// its request so that the answer repeats it.
struct FcGsSb {
    std::uint32_t fc4MemAddr = 0;
    std::uint16_t cmdCode = 0;
    std::uint8_t gsType = 0;
    std::uint8_t gsSubType = 0;
    bool sbOpen = false;
    bool sbDone = false;
    bool sbFree = true;

    // The state at start and after INIT_FCGS; the other fields are kept.
    void initialise()
    {
        sbOpen = false;
        sbDone = false;
        sbFree = true;
    }
    void finish()
    {
        sbDone = true;
        sbFree = true;
    }
};
