#pragma once

// Codes that only a switch port's FC-4 layer uses: the SW_ILS command codes,
// the code that marks an FSPF exchange in a state block, the packet sizes
// and the delays of the port's bring-up.
namespace swils {

constexpr unsigned SW_RJT = 0x01;
constexpr unsigned SW_ACC = 0x02;
constexpr unsigned ELP = 0x10;
constexpr unsigned SW_RSCN = 0x1B;
constexpr unsigned FSPF_EXCHANGE = 76;

// Every FSPF packet has this kind, HELLO, LSU and LSA alike; the command
// code tells them apart.
constexpr int FSPF_PACKET = 76;
constexpr unsigned FSPF_CMD_LSU = 0x15;

constexpr unsigned long ELP_LENGTH = 80;
constexpr unsigned long SW_RSCN_LENGTH = 36;

constexpr unsigned RCTL_REQUEST = 2;
constexpr unsigned RCTL_REPLY = 3;

// The services are given a moment after the link comes up before the port
// asks for link parameters, and the requester resets the link shortly after
// its parameters were accepted.
constexpr double ELP_REQUEST_DELAY = 0.02;
constexpr double LINK_RESET_DELAY = 0.005;

} // namespace swils
