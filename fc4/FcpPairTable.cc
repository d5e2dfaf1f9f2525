#include "fc4/FcpPairTable.h"

void FcpPairTable::allocate(int n)
{
    pairs_.assign(static_cast<size_t>(n), FcpPair{});
    initFcpPairTbl();
}

void FcpPairTable::initFcpPairTbl()
{
    for (size_t k = 0; k < pairs_.size(); ++k) {
        pairs_[k].fcpIdx = static_cast<int>(k);
        pairs_[k].release();
    }
}

FcpPair* FcpPairTable::query_fcppair_by_fcpidx(int k)
{
    for (FcpPair& p : pairs_)
        if (p.inUse && p.fcpIdx == k)
            return &p;
    return nullptr;
}

int FcpPairTable::get_fcpindex_by_eeindex(int eeIndex)
{
    for (FcpPair& p : pairs_)
        if (p.inUse && p.eeIndex == eeIndex)
            return p.fcpIdx;
    return -1;
}

FcpPair* FcpPairTable::query_fcppair(unsigned long id, const std::function<unsigned long(const FcpPair&)>& peerOf)
{
    for (FcpPair& p : pairs_)
        if (p.inUse && peerOf(p) == id)
            return &p;
    return nullptr;
}

FcpPair* FcpPairTable::find(int eeIndex, int portIndex)
{
    for (FcpPair& p : pairs_)
        if (p.inUse && p.eeIndex == eeIndex && p.portIndex == portIndex)
            return &p;
    return nullptr;
}

FcpPair* FcpPairTable::take(int eeIndex, int portIndex, int maxConCurrIu, int recTov)
{
    for (FcpPair& p : pairs_)
        if (p.inUse && p.eeIndex == eeIndex && p.portIndex == portIndex)
            p.release();
    for (FcpPair& p : pairs_)
        if (!p.inUse) {
            p.eeIndex = eeIndex;
            p.portIndex = portIndex;
            p.maxConCurrIu = maxConCurrIu;
            p.recTov = recTov;
            p.inUse = true;
            return &p;
        }
    return nullptr;
}
