#pragma once

#include <cstdint>

#include "fc4/LinkServiceSb.h"

// The state of one name-server exchange, with the common-transport header of
// its request so that the answer repeats it. INIT_FCGS re-initialises the
// blocks, keeping the header.
struct FcGsSb : LinkServiceSb {
    std::uint16_t cmdCode = 0;
    std::uint8_t gsType = 0;
    std::uint8_t gsSubType = 0;
};
