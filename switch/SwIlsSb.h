#pragma once

#include <cstdint>

#include "fc4/LinkServiceSb.h"

// The state block of one inter-switch link-service exchange: the link-service
// block and the command that opened it (ELP, SW_RSCN, or an FSPF packet).
struct SwIlsSb : LinkServiceSb {
    std::uint32_t cmdCode = 0;
};
