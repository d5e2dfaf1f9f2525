#include "fcport/MessageDisposal.h"

#include <cstdint>

#include "device/FileNameString.h"
#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"
#include "sim/cObject.h"

namespace {

// Frees what `msg` carries by address, not `msg` itself.
void release_carried(cMessage* msg)
{
    switch (msg->kind()) {
    case FC_FRAME_HEAD:
        if (auto* head = dynamic_cast<FcFrameHead*>(msg)) {
            delete_context(head->getHasCtxPtr(), head->getCtxPtr());
            head->setHasCtxPtr(false);
            head->setCtxPtr(0);
        }
        break;
    case FC_SEQ_PAYLOAD:
        if (auto* env = dynamic_cast<FcSeqPayload*>(msg)) {
            delete_context(env->getHasCtxPtr(), env->getCtxPtr());
            env->setHasCtxPtr(false);
            env->setCtxPtr(0);
        }
        break;
    case REQ_RX_PROC:
        if (auto* ok = dynamic_cast<LocFrmOk*>(msg))
            release_record(ok->getLocFrmActive());
        break;
    default:
        break;
    }
}

} // namespace

bool delete_context(bool hasCtxPtr, long ctxPtr)
{
    if (!hasCtxPtr || ctxPtr == 0)
        return false;
    auto* obj = reinterpret_cast<cObject*>(static_cast<std::intptr_t>(ctxPtr));
    if (auto* iu = dynamic_cast<FcpIu*>(obj))
        delete reinterpret_cast<ScsiCdb*>(static_cast<std::intptr_t>(iu->getCdbPtr()));
    else if (auto* packet = dynamic_cast<FcGsPacket*>(obj))
        free_file_name_string(packet->getGidFtFileNamePtr());
    delete obj;
    return true;
}

long new_route(int hopNum)
{
    if (hopNum <= 0)
        return 0;
    long* route = new long[hopNum]();
    return static_cast<long>(reinterpret_cast<std::intptr_t>(route));
}

long* route_at(long rtPathPtr)
{
    return reinterpret_cast<long*>(static_cast<std::intptr_t>(rtPathPtr));
}

void free_route(long rtPathPtr)
{
    delete[] route_at(rtPathPtr);
}

bool release_record(LocalFrameActive& record)
{
    const bool deleted = delete_context(record.hasCtxPtr, record.ctxPtr);
    record.hasCtxPtr = false;
    record.ctxPtr = 0;
    free_route(record.rtPathPtr);
    record.rtPathPtr = 0;
    return deleted;
}

void delete_fc2_message(cMessage* msg)
{
    if (cMessage* inner = msg->encapsulatedMsg() ? msg->decapsulate() : nullptr) {
        release_carried(inner);
        delete inner;
    }
    release_carried(msg);
    delete msg;
}
