#pragma once

#include <cstdint>

// Objects that several modules share, and objects that ride in messages, are
// handed over as addresses held in long parameters and long message fields.
// These two are the only conversions between the two forms.

template <class T>
long object_address(const T* obj)
{
    return static_cast<long>(reinterpret_cast<std::intptr_t>(obj));
}

template <class T>
T* object_at(long address)
{
    return reinterpret_cast<T*>(static_cast<std::intptr_t>(address));
}
