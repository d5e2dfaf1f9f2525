#include "sim/ObjectRing.h"

void ObjectRing::grow()
{
    const size_t capacity = slots_ ? 2 * (mask_ + 1) : 8;
    std::unique_ptr<cObject*[]> slots(new cObject*[capacity]);
    for (size_t i = 0; i < count_; ++i)
        slots[i] = (*this)[i];
    slots_ = std::move(slots);
    mask_ = capacity - 1;
    head_ = 0;
}

void ObjectRing::insert(size_t i, cObject* obj)
{
    push_back(obj);
    for (size_t k = count_ - 1; k > i; --k)
        at(k) = at(k - 1);
    at(i) = obj;
}

void ObjectRing::erase(size_t i)
{
    if (i == 0) {
        pop_front();
        return;
    }
    for (size_t k = i + 1; k < count_; ++k)
        at(k - 1) = at(k);
    --count_;
}

size_t ObjectRing::find(const cObject* obj) const
{
    for (size_t i = 0; i < count_; ++i)
        if ((*this)[i] == obj)
            return i;
    return count_;
}
