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
    fromCpu_ = findGate("from_cpu");
    fromMeta_ = findGate("from_meta");
    toCpu_ = findGate("to_cpu");
    toMeta_ = findGate("to_meta");
    toScsi_ = findGate("to_scsi");
    for (;;) {
        cMessage* msg = receive();
        EV << fullPath() << " --> " << msg->name() << "\n";
        relay(msg);
    }
}

void MetaChannel::relay(cMessage* msg)
{
    const Side from = msg->arrivedOn(fromCpu_) ? Side::CPU : msg->arrivedOn(fromMeta_) ? Side::META : Side::SCSI;
    const int kind = msg->kind();
    int out = -1;
    if (is_control_kind(kind))
        out = from == Side::CPU ? toMeta_ : from == Side::META ? toCpu_ : -1;
    else if (kind == SCSI_RDWR_IO)
        out = from == Side::CPU ? toMeta_ : from == Side::META ? toScsi_ : -1;
    else if (kind == RMT_IO_GEN_RDY)
        out = from == Side::META ? toCpu_ : from == Side::SCSI ? toMeta_ : -1;
    else
        reject(msg, "---> No idea know how to handle message: %s");
    if (out < 0)
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
