#include "fcport/FrameRecords.h"

#include "fcport/HopNames.h"
#include "messages/MessageOwnership.h"

void fill_record_from_head(LocalFrameActive& r, FcFrameHead& head)
{
    r.sof = head.getSof();
    r.dId = head.getDId();
    r.sId = head.getSId();
    r.seqId = head.getSeqId();
    r.seqCnt = head.getSeqCnt();
    r.oxId = head.getOxId();
    r.rxId = head.getRxId();
    r.rCtl = head.getRCtl();
    r.type = head.getType();
    r.exchOrig = head.getExchOrig();
    r.firstSeq = head.getFirstSeq();
    r.lastSeq = head.getLastSeq();
    r.endSeq = head.getEndSeq();
    r.xferSeqInit = head.getXferSeqInit();
    r.roPresent = head.getRoPresent();
    r.params = head.getParams();
}

void fill_receive_record(LocalFrameActive& r, FcFrameHead& head)
{
    fill_record_from_head(r, head);
    r.respInitSsbSize = head.getRespInitSsbSize();
    r.respRecpSsbSize = head.getRespRecpSsbSize();
    r.fc4MemAddr = head.getFc4MemAddr();
    r.fc4IuIndex = head.getFc4IuIndex();
    r.seqPayLen = head.getSeqPayLen();
    r.hasCtxPtr = head.getHasCtxPtr();
    r.ctxPtr = head.getCtxPtr();
    head.setHasCtxPtr(false);
    head.setCtxPtr(0);
    r.eeStime = head.getEeStime();
    r.netStime = head.getNetStime();
    r.hopNum = head.getHopId();
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
