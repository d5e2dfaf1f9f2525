#include "fcport/FrameRecords.h"

#include <typeinfo>

#include "fcport/HopNames.h"
#include "messages/MessageOwnership.h"

namespace {

// A field of `head` through FcFrameHead's own getter when `Exact`, which is
// then a plain load, or else through the virtual table. Every head of a run
// is exactly an FcFrameHead, and a record takes some thirty fields of it per
// frame.
#define HEAD_FIELD(Field) (Exact ? head.FcFrameHead::get##Field() : head.get##Field())

template <bool Exact>
void copy_shared_fields(LocalFrameActive& r, const FcFrameHead& head)
{
    r.sof = HEAD_FIELD(Sof);
    r.dId = HEAD_FIELD(DId);
    r.sId = HEAD_FIELD(SId);
    r.seqId = HEAD_FIELD(SeqId);
    r.seqCnt = HEAD_FIELD(SeqCnt);
    r.oxId = HEAD_FIELD(OxId);
    r.rxId = HEAD_FIELD(RxId);
    r.rCtl = HEAD_FIELD(RCtl);
    r.type = HEAD_FIELD(Type);
    r.exchOrig = HEAD_FIELD(ExchOrig);
    r.firstSeq = HEAD_FIELD(FirstSeq);
    r.lastSeq = HEAD_FIELD(LastSeq);
    r.endSeq = HEAD_FIELD(EndSeq);
    r.xferSeqInit = HEAD_FIELD(XferSeqInit);
    r.roPresent = HEAD_FIELD(RoPresent);
    r.params = HEAD_FIELD(Params);
}

template <bool Exact>
void copy_receive_fields(LocalFrameActive& r, const FcFrameHead& head)
{
    copy_shared_fields<Exact>(r, head);
    r.respInitSsbSize = HEAD_FIELD(RespInitSsbSize);
    r.respRecpSsbSize = HEAD_FIELD(RespRecpSsbSize);
    r.fc4MemAddr = HEAD_FIELD(Fc4MemAddr);
    r.fc4IuIndex = HEAD_FIELD(Fc4IuIndex);
    r.seqPayLen = HEAD_FIELD(SeqPayLen);
    r.hasCtxPtr = HEAD_FIELD(HasCtxPtr);
    r.ctxPtr = HEAD_FIELD(CtxPtr);
    r.eeStime = HEAD_FIELD(EeStime);
    r.netStime = HEAD_FIELD(NetStime);
    r.hopNum = HEAD_FIELD(HopId);
}

#undef HEAD_FIELD

bool exactly_a_head(const FcFrameHead& head)
{
    return typeid(head) == typeid(FcFrameHead);
}

} // namespace

void fill_record_from_head(LocalFrameActive& r, FcFrameHead& head)
{
    if (exactly_a_head(head))
        copy_shared_fields<true>(r, head);
    else
        copy_shared_fields<false>(r, head);
}

void fill_receive_record(LocalFrameActive& r, FcFrameHead& head)
{
    if (exactly_a_head(head))
        copy_receive_fields<true>(r, head);
    else
        copy_receive_fields<false>(r, head);
    head.setHasCtxPtr(false);
    head.setCtxPtr(0);
    r.rtPathPtr = new_route(r.hopNum);
    long* route = route_at(r.rtPathPtr);
    for (int i = 0; i < r.hopNum; ++i) {
        const int k = head.findPar(hop_param_name(i));
        route[i] = k >= 0 ? head.par(k).longValue() : 0;
    }
}

FrameQualifier qualifier_of(const LocalFrameActive& r)
{
    FrameQualifier q;
    q.sId = r.sId;
    q.dId = r.dId;
    q.oxId = r.oxId;
    q.rxId = r.rxId;
    q.seqId = r.seqId;
    q.seqCnt = r.seqCnt;
    q.exchOrig = r.exchOrig;
    return q;
}
