#pragma once

#include "fcport/PortCodes.h"
#include "fcport/SequenceFrames.h"

// Codes of the link services that the FC-4 layer builds and reads; they go in
// the service packets. The frame TYPE and routing controls of the sequence
// envelope, the classes of service, the port modes and the well-known
// addresses are the port's, shared with FC-2.
namespace fc4 {

// Roles of a link-service module, as its packets carry them.
constexpr int ROLE_NODE_PORT = 1;
constexpr int ROLE_SWITCH_PORT = 45;

// ELS command codes; LS_ACC, PLOGI and FLOGI keep their code in the top byte.
constexpr unsigned long ELS_LS_ACC = 0x02000000;
constexpr unsigned long ELS_PLOGI = 0x03000000;
constexpr unsigned long ELS_FLOGI = 0x04000000;
constexpr unsigned long ELS_ABTX = 6;
constexpr unsigned long ELS_RSCN = 0x61;

// Common-transport header of the name-server requests.
constexpr unsigned GS_TYPE_DIRECTORY = 0xFC;
constexpr unsigned GS_SUBTYPE_NAME_SERVER = 2;
constexpr unsigned CT_GFF_ID = 0x011F;
constexpr unsigned CT_GID_FT = 0x0171;
constexpr unsigned CT_RFF_ID = 0x021F;
constexpr unsigned CT_ACCEPT = 0x8002;
constexpr unsigned CT_REJECT = 0x8001;

} // namespace fc4
