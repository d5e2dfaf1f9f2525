#include "host/DList.h"

void DList::Insert(DLinkable* prev, DLinkable* element, DLinkable* next)
{
    element->prev = prev;
    element->next = next;
    if (prev)
        prev->next = element;
    else
        first = element;
    if (next)
        next->prev = element;
    else
        last = element;
    ++count;
}

void DList::Remove(DLinkable* element)
{
    if (element->prev)
        element->prev->next = element->next;
    else
        first = element->next;
    if (element->next)
        element->next->prev = element->prev;
    else
        last = element->prev;
    element->prev = element->next = nullptr;
    --count;
}
