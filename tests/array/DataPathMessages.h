#pragma once

#include "messages/MsgKinds.h"
#include "messages/MsgSubclass_m.h"

// Data messages of an array's data path as the boards and the control
// memory make them.
inline SendDataIn* data_in(long bytes, int chipId = 0, bool fromCsw = false)
{
    auto* m = new SendDataIn("SEND_DATA_IN", SEND_DATA_IN);
    m->setLength(bytes);
    m->setChipId(chipId);
    m->setFromCsw(fromCsw);
    return m;
}

inline DataOutRecvd* data_out(long bytes, bool fromCsw = false)
{
    auto* m = new DataOutRecvd("DATA_OUT_RECVD", DATA_OUT_RECVD);
    m->setLength(bytes);
    m->setFromCsw(fromCsw);
    return m;
}

inline LunBlkIo* block(int kind, long bytes, int acpId = 0)
{
    auto* m = new LunBlkIo(kind == BLK_READ_DATA ? "BLK_READ_DATA" : "REQ_PHY_BLK_WRITE", kind);
    m->setLength(bytes);
    m->getLunBlkLoc().acpId = acpId;
    return m;
}

inline cMessage* arbitration_request()
{
    auto* m = new cMessage("REQ_ARBI", REQ_ARBI, 0);
    m->addPar("fromCsw");
    return m;
}
