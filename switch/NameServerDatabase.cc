#include "switch/NameServerDatabase.h"

void NameServerDatabase::create(int size)
{
    entries_.assign(static_cast<size_t>(size), NsDbEntry{});
    registered_ = 0;
}

NsDbEntry* NameServerDatabase::add(std::uint32_t portId)
{
    for (NsDbEntry& e : entries_)
        if (!e.used) {
            e = {portId, UNIDENTIFIED, true};
            return &e;
        }
    return nullptr;
}

NsDbEntry* NameServerDatabase::find(std::uint32_t portId)
{
    for (NsDbEntry& e : entries_)
        if (e.used && e.portId == portId)
            return &e;
    return nullptr;
}

int NameServerDatabase::drop_registered(std::uint32_t portId)
{
    int n = 0;
    for (NsDbEntry& e : entries_)
        if (e.used && e.portId == portId && e.fcpFeature != UNIDENTIFIED) {
            e = NsDbEntry{};
            --registered_;
            ++n;
        }
    return n;
}

bool NameServerDatabase::drop_first_registered(std::uint32_t portId)
{
    for (NsDbEntry& e : entries_)
        if (e.used && e.portId == portId && e.fcpFeature != UNIDENTIFIED) {
            e = NsDbEntry{};
            --registered_;
            return true;
        }
    return false;
}

int NameServerDatabase::used_with(int feature) const
{
    int n = 0;
    for (const NsDbEntry& e : entries_)
        n += e.used && e.fcpFeature == feature ? 1 : 0;
    return n;
}
