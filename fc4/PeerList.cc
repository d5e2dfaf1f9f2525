#include "fc4/PeerList.h"

bool PeerList::holds(std::uint32_t id) const
{
    for (const Entry& e : entries_)
        if (e.used && e.id == id)
            return true;
    return false;
}

bool PeerList::take(std::uint32_t id)
{
    for (Entry& e : entries_)
        if (!e.used) {
            e.id = id;
            e.used = true;
            return true;
        }
    return false;
}

void PeerList::release(std::uint32_t id)
{
    for (Entry& e : entries_)
        if (e.used && e.id == id)
            e.used = false;
}

void PeerList::clear()
{
    for (Entry& e : entries_)
        e.used = false;
}
