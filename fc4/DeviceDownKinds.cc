#include "fc4/DeviceDownKinds.h"

#include <cstddef>

#include "messages/MsgKinds.h"

namespace {

struct KindText {
    int kind;
    const char* text;
};

const KindText refusals[] = {
    {OESB_FREE, "ERROR: OESB_FREE can not be received when device is down!"},
    {RESB_FREE, "ERROR: cannot receive RESB_FREE when device is down!"},
    {KEEP_IU_INIT, "ERROR: KEEP_IU_INIT can not be received when device is down!"},
    {REQ_PLOGI, "ERROR: N_PORT can not receive REQ_PLOGI in DEVICE_DOWN!"},
    {REQ_PLOUT, "ERROR: N_PORT can not receive REQ_PLOUT in DEVICE_DOWN!"},
    {REQ_EEPAIR, "ERROR: REQ_EEPAIR can not be received when device is down!"},
    {REQ_RFF_ID, "ERROR: N_PORT can not receive %s in DEVICE_DOWN!"},
    {REQ_GFF_ID, "ERROR: N_PORT can not receive %s in DEVICE_DOWN!"},
    {REQ_GID_FT, "ERROR: N_PORT can not receive %s in DEVICE_DOWN!"},
    {PLOGI_SUCC, "ERROR: PLOGI_SUCC can not be received when device is down!"},
    {PLOUT_SUCC, "ERROR: PLOUT_SUCC can not be received when device is down!"},
    {INITIATOR_FOUND, "ERROR: INITIATOR_FOUND can not be received when device is down!"},
    {TARGET_FOUND, "ERROR: TARGET_FOUND can not be received when device is down!"},
    {NPORT_LOST, "ERROR: NPORT_LOST can not be received when device is down!"},
    {RECV_PID_LIST, "ERROR: RECV_PID_LIST can not be received when device is down!"},
    {FREE_LUNPT_SIO, "ERROR: FREE_LUNPT_SIO can not be received when device is down!"},
    {CREATE_IT_PATH, "ERROR: %s can not be received when device is down!"},
    {REMOVE_IT_PATH, "ERROR: %s can not be received when device is down!"},
    {SCSI_CMD_RECVD, "ERROR: SCSI_CMD_RECVD can not be received when device is down!"},
    {DATA_OUT_RECVD, "ERROR: DATA_OUT_RECVD can not be received when device is down!"},
    {REQ_CMD_COMP, "ERROR: REQ_CMD_COMP can not be received when device is down!"},
    {CMD_COMP_RECVD, "ERROR: CMD_COMP_RECVD can not be received when device is down!"},
    {COMP_CONF_RECVD, "ERROR: COMP_CONF_RECVD can not be received when device is down!"},
    {FCP_REQ_DATA_OUT, "ERROR: FCP_REQ_DATA_OUT cannot be received when device is down!"},
    {ABT_SIO_REQ_ESB, "ERROR: cannot receive ABT_SIO_REQ_ESB when device is down!"},
    {ABT_SIO_ACK_ESB, "ERROR: ABT_SIO_ACK_ESB can not be received when device is down!"},
    {ABORT_EXCHANGE, "ERROR: cannot receive ABORT_EXCHANGE when device is down!"},
    {ABORT_FCPIO, "ERROR: ABORT_FCPIO can not be received when device is down!"},
    {ABORT_LUNIO, "ERROR: cannot receive ABORT_LUNIO when device is down!"},
    {HOLD_INIT, "ERROR: cannot receive HOLD_INIT when device is down!"},
    {PLOGI_TO_RM_OESB, "ERROR: cannot receive %s when device is down"},
    {ABTX_TO_RM_OESB, "ERROR: cannot receive %s when device is down"},
};

const KindText drops[] = {
    {SEND_SCSI_CMD, "ignore SEND_SCSI_CMD when device is down!"},
    {SEND_DATA_IN, "ignore SEND_DATA_IN when device is down!"},
    {RECV_DATA_OUT, "ignore RECV_DATA_OUT when device is down!"},
    {SEND_CMD_COMP, "ignore SEND_CMD_COMP when device is down!"},
    {CMD_COMP_CONF, "ignore CMD_COMP_CONF when device is down!"},
    {REQ_ABT_SIO, "ignore REQ_ABT_SIO when device is down!"},
};

template <std::size_t N>
const char* text_of(const KindText (&table)[N], int kind)
{
    for (const KindText& entry : table)
        if (entry.kind == kind)
            return entry.text;
    return nullptr;
}

} // namespace

const char* refusal_while_down(int kind)
{
    return text_of(refusals, kind);
}

const char* drop_warning_while_down(int kind)
{
    return text_of(drops, kind);
}
