#include "switch/FspfPacketDisposal.h"

#include "device/FileNameString.h"
#include "messages/MsgSubclass_m.h"
#include "switch/SwitchCodes.h"

void release_lsu_file_name(cMessage* msg)
{
    if (!msg || msg->kind() != swils::FSPF_PACKET)
        return;
    auto* packet = dynamic_cast<FspfPacket*>(msg);
    if (!packet || packet->getCmdCode() != swils::FSPF_CMD_LSU)
        return;
    free_file_name_string(packet->getLsuFileNamePtr());
    packet->setLsuFileNamePtr(0);
}
