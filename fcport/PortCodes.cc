#include "fcport/PortCodes.h"

const char* port_state_name(long state)
{
    static const char* const names[PORT_STATE_COUNT] = {"AC", "LR1", "LR2", "LR3", "LF1", "LF2", "OL1", "OL2", "OL3"};
    return state >= 0 && state < PORT_STATE_COUNT ? names[state] : "?";
}
