#include "sim/cArray.h"

#include <cstring>

#include "sim/cMessage.h"

cArray::cArray(const cArray& other) : cObject(other)
{
    operator=(other);
}

cArray& cArray::operator=(const cArray& other)
{
    if (this == &other)
        return *this;
    clear();
    for (cObject* obj : other.items_)
        items_.push_back(obj ? obj->dup() : nullptr);
    return *this;
}

int cArray::add(cObject* obj)
{
    for (size_t i = 0; i < items_.size(); ++i) {
        if (!items_[i]) {
            items_[i] = obj;
            return static_cast<int>(i);
        }
    }
    items_.push_back(obj);
    return size() - 1;
}

int cArray::addAt(int index, cObject* obj)
{
    if (index < 0)
        return -1;
    if (index >= size())
        items_.resize(index + 1, nullptr);
    cMessage::disposeObject(items_[index]);
    items_[index] = obj;
    return index;
}

int cArray::find(const cObject* obj) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i] == obj && obj)
            return static_cast<int>(i);
    return -1;
}

int cArray::find(const char* name) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i] && std::strcmp(items_[i]->name(), name) == 0)
            return static_cast<int>(i);
    return -1;
}

cObject* cArray::remove(int index)
{
    if (!exist(index))
        return nullptr;
    cObject* obj = items_[index];
    items_[index] = nullptr;
    return obj;
}

int cArray::items() const
{
    int n = 0;
    for (cObject* obj : items_)
        n += obj != nullptr;
    return n;
}

void cArray::clear()
{
    for (cObject* obj : items_)
        cMessage::disposeObject(obj);
    items_.clear();
}
