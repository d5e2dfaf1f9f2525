#include "fc4/SequenceEnvelope.h"

#include "fc4/ExchangeKeys.h"
#include "fc4/FileNameString.h"
#include "messages/MsgKinds.h"

FcSeqPayload* new_envelope(cMessage* unit, unsigned long fc4MemAddr, cModule* root, const EnvelopeRoute& route)
{
    auto* env = new FcSeqPayload("FC_SEQ_PAYLOAD", FC_SEQ_PAYLOAD);
    env->setFc4MemAddr(fc4MemAddr);
    env->setSId(route.sId);
    env->setDId(route.dId);
    env->setRCtl(route.rCtl);
    env->setType(route.type);
    env->setFirstSeq(route.firstSeq);
    env->setLastSeq(route.lastSeq);
    env->setXferSeqInit(route.xferSeqInit);
    env->setClassOfSrv(route.classOfSrv);
    env->setRoPresent(false);
    env->setParams(0);
    env->setOrigInitSsbSize(route.origInitSsbSize);
    env->setOrigRecpSsbSize(route.origRecpSsbSize);
    env->setRespInitSsbSize(route.respInitSsbSize);
    env->setRespRecpSsbSize(route.respRecpSsbSize);
    env->setHasCtxPtr(true);
    env->setCtxPtr(object_address(unit));
    env->setLength(unit->length());
    env->setFc4IuIndex(obtain_fc4_index(root));
    return env;
}

cMessage* carried_object(const FcSeqPayload* envelope)
{
    return envelope->getHasCtxPtr() ? object_at<cMessage>(envelope->getCtxPtr()) : nullptr;
}

namespace {

void deleteCarried(cMessage* msg)
{
    if (msg->kind() != FC_SEQ_PAYLOAD)
        return;
    auto* env = static_cast<FcSeqPayload*>(msg);
    cMessage* obj = carried_object(env);
    if (!obj)
        return;
    // Discarding is rare, so the packet's class is looked up rather than
    // trusted from its kind.
    if (auto* packet = dynamic_cast<FcGsPacket*>(obj))
        free_file_name_string(packet->getGidFtFileNamePtr());
    // A command unit carries its own copy of the command block.
    if (env->getType() == fc4::TYPE_SCSI_FCP && env->getRCtl() == fc4::RCTL_FCP_CMND)
        if (auto* iu = dynamic_cast<FcpIu*>(obj))
            delete object_at<ScsiCdb>(iu->getCdbPtr());
    delete obj;
    env->setHasCtxPtr(false);
    env->setCtxPtr(0);
}

} // namespace

void discard_message(cMessage* msg)
{
    if (cMessage* inner = msg->decapsulate()) {
        deleteCarried(inner);
        delete inner;
    }
    deleteCarried(msg);
    delete msg;
}
