#pragma once

// Codes that the layers of a port share through the parameters of the port
// compound: the port state in `portStat`, the mode in `portMode`, the speed
// code in `maxPortSpeed` and the classes told by a frame's start delimiter.

enum PortStateCode { PS_AC = 0, PS_LR1, PS_LR2, PS_LR3, PS_LF1, PS_LF2, PS_OL1, PS_OL2, PS_OL3, PORT_STATE_COUNT };

// "AC", "LR1", ... "OL3"; "?" for a number that is not a state.
const char* port_state_name(long state);

// The link reset states, in which the port stays logged in: FC-2 hears no
// LINK_DOWN and goes on sending.
inline bool in_link_reset(long state)
{
    return state >= PS_LR1 && state <= PS_LR3;
}

enum PortModeCode { PORT_MODE_NONE = 0, N_PORT_MODE = 1, F_PORT_MODE = 129, E_PORT_MODE = 132 };

// Speed code 1 is 1.0625 Gbaud, 2 is 2.125 Gbaud.
constexpr double BAUD_1G = 1.0625e9;
constexpr double BAUD_2G = 2.125e9;
inline double port_speed_baud(long code)
{
    return code == 2 ? BAUD_2G : BAUD_1G;
}

// Ten bit-times per byte on the line.
constexpr long BITS_PER_BYTE_ON_LINE = 10;

// The bytes of one primitive sequence (IDLE, LR, LRR, NOS, OLS).
constexpr long PRIMITIVE_SEQUENCE_BYTES = 12;

// Classes of service of an exchange.
enum ServiceClass { CLASS_NONE = 68, CLASS_3 = 69, CLASS_F = 70 };

// Address ranges of port identifiers and the well-known addresses.
constexpr unsigned long NPORT_ID_FIRST = 0x010000;
constexpr unsigned long NPORT_ID_LAST = 0xEFFFFF;
constexpr unsigned long NAME_SERVER_ID = 0xFFFFFC;
constexpr unsigned long FABRIC_CONTROLLER_ID = 0xFFFFFD;
constexpr unsigned long LOGIN_SERVER_ID = 0xFFFFFE;
constexpr unsigned long DOMAIN_CONTROLLER_BASE = 0xFFFC00; // plus the Domain_ID

inline bool is_nport_id(unsigned long id)
{
    return id >= NPORT_ID_FIRST && id <= NPORT_ID_LAST;
}
