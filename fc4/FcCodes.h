#pragma once

// Codes of the Fibre Channel frames and link services that the FC-4 layer
// builds and reads. The routing controls and frame types go in the sequence
// envelope; the command codes in the service packets.
namespace fc4 {

// Frame TYPE of a sequence.
constexpr unsigned TYPE_ELS = 1;
constexpr unsigned TYPE_SCSI_FCP = 8;
constexpr unsigned TYPE_GS = 0x20;
constexpr unsigned TYPE_SW_ILS = 0x22;

// Routing controls (R_CTL).
constexpr unsigned RCTL_ELS_REQUEST = 0x22;
constexpr unsigned RCTL_ELS_REPLY = 0x23;
constexpr unsigned RCTL_GS_REQUEST = 2;
constexpr unsigned RCTL_GS_REPLY = 3;
constexpr unsigned RCTL_FCP_DATA = 1;
constexpr unsigned RCTL_FCP_CONF = 3;
constexpr unsigned RCTL_FCP_XFER_RDY = 5;
constexpr unsigned RCTL_FCP_CMND = 6;
constexpr unsigned RCTL_FCP_RSP = 7;

// Classes of service.
constexpr int CLASS_3 = 69;
constexpr int CLASS_F = 70;

// Well-known addresses and the N_Port range.
constexpr unsigned long LOGIN_SERVER = 0xFFFFFE;
constexpr unsigned long FABRIC_CONTROLLER = 0xFFFFFD;
constexpr unsigned long NAME_SERVER = 0xFFFFFC;
constexpr unsigned long DOMAIN_CONTROLLER = 0xFFFC00; // plus the Domain_ID
constexpr unsigned long NPORT_ID_FIRST = 0x010000;
constexpr unsigned long NPORT_ID_LAST = 0xEFFFFF;

inline bool is_nport_id(unsigned long id)
{
    return id >= NPORT_ID_FIRST && id <= NPORT_ID_LAST;
}

// Roles of a link-service module, as its packets carry them.
constexpr int ROLE_NODE_PORT = 1;
constexpr int ROLE_SWITCH_PORT = 45;
constexpr int PORT_MODE_F_PORT = 129;

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
