#include "switch/ForwardingTable.h"

void ForwardingTable::reset_all(int size)
{
    entries_.assign(static_cast<std::size_t>(size), FrmFwdTable{});
}

int ForwardingTable::lookup(std::uint32_t frmGid) const
{
    for (int i = 0; i < size(); ++i)
        if (!(*this)[i].free && (*this)[i].frmGid == frmGid)
            return i;
    return -1;
}

int ForwardingTable::lookup(std::uint32_t frmGid, int srcPort, int destPort, bool complete) const
{
    for (int i = 0; i < size(); ++i) {
        const FrmFwdTable& e = (*this)[i];
        if (e.free || e.frmGid != frmGid || (srcPort >= 0 && e.srcPort != srcPort) ||
            (destPort >= 0 && e.destPort != destPort))
            continue;
        if (!complete || (e.headDone && e.payDone && e.tailDone))
            return i;
    }
    return lookup(frmGid);
}

bool ForwardingTable::pair_open(int srcPort, int destPort) const
{
    for (const FrmFwdTable& e : entries_)
        if (!e.free && e.srcPort == srcPort && e.destPort == destPort)
            return true;
    return false;
}

int ForwardingTable::first_free() const
{
    for (int i = 0; i < size(); ++i)
        if ((*this)[i].free)
            return i;
    return -1;
}

int ForwardingTable::take_free()
{
    const int entry = first_free();
    if (entry >= 0)
        return entry;
    const int full = size();
    enlarge();
    return full;
}

int ForwardingTable::enlarge()
{
    entries_.resize(static_cast<std::size_t>(static_cast<int>(size() * 1.25)));
    return size();
}

int ForwardingTable::open_count() const
{
    int n = 0;
    for (const FrmFwdTable& e : entries_)
        n += e.free ? 0 : 1;
    return n;
}
