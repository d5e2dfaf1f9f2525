#pragma once

#include <cstdint>

#include "fc4/LinkServiceSb.h"

// The state of one extended-link-service exchange. For ABTX the block also
// names the aborted I/O, by the FC-4 index of its initiator side and its FCP
// pair, so that the accept can free the initiator's path slot. INIT_FCELS
// re-initialises the blocks, keeping key and code.
struct FcElsSb : LinkServiceSb {
    std::uint32_t cmdCode = 0;
    int initiator = 0;
    int target = 0;
};
