#include "fcport/EePairTable.h"

void EePairTable::init(int maxEePair, int defConCurrSeq)
{
    entries_.assign(maxEePair + 1, EePairEntry{});
    for (int i = 0; i <= maxEePair; ++i)
        entries_[i].eeIndex = i;
    entries_[0].inUse = true;
    entries_[0].conCurrSeq = defConCurrSeq;
}

int EePairTable::query_by_peer(std::uint32_t peer) const
{
    for (int i = 1; i < size(); ++i)
        if (entries_[i].inUse && entries_[i].peerAddrId == peer)
            return i;
    return -1;
}

int EePairTable::query_by_index(int eeIndex) const
{
    for (int i = 1; i < size(); ++i)
        if (entries_[i].inUse && entries_[i].eeIndex == eeIndex)
            return i;
    return -1;
}

int EePairTable::allocate(std::uint32_t peer, int conCurrSeq, int recTov)
{
    for (int i = 1; i < size(); ++i)
        if (entries_[i].inUse && entries_[i].peerAddrId == peer)
            release(i);
    for (int i = 1; i < size(); ++i) {
        if (entries_[i].inUse)
            continue;
        EePairEntry& e = entries_[i];
        e.peerAddrId = peer;
        e.conCurrSeq = conCurrSeq;
        e.recTov = recTov;
        e.inUse = true;
        return i;
    }
    return -1;
}

void EePairTable::release(int i)
{
    EePairEntry& e = entries_[i];
    e.peerAddrId = 0;
    e.conCurrSeq = 0;
    e.recTov = 0;
    e.inUse = false;
}
