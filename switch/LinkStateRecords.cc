#include "switch/LinkStateRecords.h"

void LsrTable::create(int slots, int ldSlots)
{
    ldSlots_ = static_cast<std::size_t>(ldSlots);
    records_.assign(static_cast<std::size_t>(slots), LinkStateRecord{});
}

LinkStateRecord* LsrTable::find(std::uint32_t domain)
{
    for (LinkStateRecord& r : records_)
        if (r.valid && r.domain == domain)
            return &r;
    return nullptr;
}

const LinkStateRecord* LsrTable::find(std::uint32_t domain) const
{
    return const_cast<LsrTable*>(this)->find(domain);
}

LinkStateRecord* LsrTable::add(std::uint32_t domain)
{
    for (LinkStateRecord& r : records_)
        if (!r.valid) {
            r.valid = true;
            r.domain = domain;
            r.lds.assign(ldSlots_, LinkDescriptor{});
            return &r;
        }
    return nullptr;
}

int LinkStateRecord::valid_links() const
{
    int n = 0;
    for (const LinkDescriptor& ld : lds)
        n += ld.valid ? 1 : 0;
    return n;
}

int LsrTable::count() const
{
    int n = 0;
    for (const LinkStateRecord& r : records_)
        n += r.valid ? 1 : 0;
    return n;
}

RoutingEntry* RoutingTable::add()
{
    for (RoutingEntry& e : entries_)
        if (!e.valid) {
            e.valid = true;
            return &e;
        }
    return nullptr;
}

const RoutingEntry* RoutingTable::find(std::uint32_t domain) const
{
    for (const RoutingEntry& e : entries_)
        if (e.valid && e.dest == domain)
            return &e;
    return nullptr;
}

int RoutingTable::valid_count() const
{
    int n = 0;
    for (const RoutingEntry& e : entries_)
        n += e.valid ? 1 : 0;
    return n;
}
