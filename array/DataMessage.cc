#include "array/DataMessage.h"

#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "sim/ExactCast.h"
#include "sim/cModule.h"

bool is_array_data(int kind)
{
    return kind == SEND_DATA_IN || kind == DATA_OUT_RECVD || kind == BLK_READ_DATA || kind == REQ_PHY_BLK_WRITE;
}

namespace {

// The classes are tried by their exact class first, all three before any
// dynamic_cast: a failed one walks the whole class hierarchy, and data passes
// here on every bus transfer.
template <class F>
void with_data_fields(const cModule* mod, cMessage* msg, F&& f)
{
    if (auto* m = exactly<SendDataIn>(msg))
        return f(*m);
    if (auto* m = exactly<DataOutRecvd>(msg))
        return f(*m);
    if (auto* m = exactly<LunBlkIo>(msg))
        return f(*m);
    if (auto* m = dynamic_cast<SendDataIn*>(msg))
        return f(*m);
    if (auto* m = dynamic_cast<DataOutRecvd*>(msg))
        return f(*m);
    if (auto* m = dynamic_cast<LunBlkIo*>(msg))
        return f(*m);
    mod->error("ERROR: %s of class %s carries no fromCsw", msg->name(), msg->className());
}

} // namespace

bool data_from_csw(const cModule* reader, cMessage* msg)
{
    bool fromCsw = false;
    with_data_fields(reader, msg, [&](auto& m) { fromCsw = m.getFromCsw(); });
    return fromCsw;
}

void set_data_from_csw(const cModule* writer, cMessage* msg, bool fromCsw)
{
    with_data_fields(writer, msg, [&](auto& m) { m.setFromCsw(fromCsw); });
}
