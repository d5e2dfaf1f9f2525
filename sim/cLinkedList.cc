#include "sim/cLinkedList.h"

#include <algorithm>

void* cLinkedList::pop()
{
    if (items_.empty())
        return nullptr;
    void* item = items_.front();
    items_.pop_front();
    return item;
}

void* cLinkedList::remove(void* item)
{
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it == items_.end())
        return nullptr;
    items_.erase(it);
    return item;
}

bool cLinkedList::contains(void* item) const
{
    return std::find(items_.begin(), items_.end(), item) != items_.end();
}

void cLinkedList::clear()
{
    std::list<void*> all;
    all.swap(items_);
    if (del_)
        for (void* item : all)
            del_(item);
}
