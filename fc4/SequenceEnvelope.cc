#include "fc4/SequenceEnvelope.h"

#include "fc4/ExchangeKeys.h"
#include "fc4/Fc4Site.h"
#include "messages/MessageOwnership.h"
#include "messages/MsgKinds.h"

namespace {

FcSeqPayload* numbered_envelope(cMessage* unit, unsigned long fc4MemAddr, unsigned long iuIndex,
                                const EnvelopeRoute& route)
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
    env->setFc4IuIndex(iuIndex);
    return env;
}

} // namespace

FcSeqPayload* new_envelope(cMessage* unit, unsigned long fc4MemAddr, cModule* root, const EnvelopeRoute& route)
{
    return numbered_envelope(unit, fc4MemAddr, obtain_fc4_index(root), route);
}

FcSeqPayload* new_envelope(cMessage* unit, unsigned long fc4MemAddr, const Fc4Site& site, const EnvelopeRoute& route)
{
    return numbered_envelope(unit, fc4MemAddr, site.take_iu_index(), route);
}

cMessage* carried_object(const FcSeqPayload* envelope)
{
    return envelope->getHasCtxPtr() ? object_at<cMessage>(envelope->getCtxPtr()) : nullptr;
}
