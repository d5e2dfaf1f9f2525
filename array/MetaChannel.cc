#include "array/MetaChannel.h"

#include <string>

#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"
#include "sim/Sim.h"

namespace {

enum class Side { CPU, META, SCSI };

bool is_control_kind(int kind)
{
    switch (kind) {
    case DEV_DOWN:
    case CREATE_IT_PATH:
    case REMOVE_IT_PATH:
    case SCSI_CMD_RECVD:
    case RECV_DATA_OUT:
    case REQ_CMD_COMP:
    case SEND_CMD_COMP:
    case COMP_CONF_RECVD:
    case REQ_PHY_BLK_READ:
    case PHY_BLK_WRITE_COMP:
    case ABORT_LUNIO: return true;
    default: return false;
    }
}

} // namespace

void MetaChannel::activity()
{
    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        relay(msg);
    }
}

void MetaChannel::relay(cMessage* msg)
{
    const Side from = msg->arrivedOn("from_cpu") ? Side::CPU : msg->arrivedOn("from_meta") ? Side::META : Side::SCSI;
    const int kind = msg->kind();
    const char* out = nullptr;
    if (is_control_kind(kind))
        out = from == Side::CPU ? "to_meta" : from == Side::META ? "to_cpu" : nullptr;
    else if (kind == SCSI_RDWR_IO)
        out = from == Side::CPU ? "to_meta" : from == Side::META ? "to_scsi" : nullptr;
    else if (kind == RMT_IO_GEN_RDY)
        out = from == Side::META ? "to_cpu" : from == Side::SCSI ? "to_meta" : nullptr;
    else
        reject(msg, "---> No idea know how to handle message: %s");
    if (!out)
        reject(msg, "---> Message \"%s\" came from wrong place");
    send(msg, out);
}

void MetaChannel::reject(cMessage* msg, const char* format)
{
    const std::string name = msg->name();
    discard_message(msg);
    error(format, name.c_str());
}

namespace {

const sDescrItem metaChannelItems[] = {{'M', "default", nullptr, 0},   {'G', "from_cpu", nullptr, 'I'},
                                       {'G', "to_cpu", nullptr, 'O'},  {'G', "from_meta", nullptr, 'I'},
                                       {'G', "to_meta", nullptr, 'O'}, {'G', "from_scsi", nullptr, 'I'},
                                       {'G', "to_scsi", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};

} // namespace

Define_Module_Interface(MetaChannel, metaChannelItems);
Define_Module(MetaChannel, 8192);
