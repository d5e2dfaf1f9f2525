#include "sim/cLinkedList.h"

void* cLinkedList::pop()
{
    return items_.empty() ? nullptr : items_.pop_front();
}

void* cLinkedList::remove(void* item)
{
    const size_t i = items_.find(item);
    if (i == items_.size())
        return nullptr;
    items_.erase(i);
    return item;
}

bool cLinkedList::contains(void* item) const
{
    return items_.find(item) != items_.size();
}

void cLinkedList::clear()
{
    AddressRing<void> all;
    all.swap(items_);
    if (del_)
        for (void* item : all)
            del_(item);
}
