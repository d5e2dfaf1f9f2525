#pragma once

#include <typeinfo>

// A checked downcast that costs one comparison when the object is exactly of
// the class asked for, which is what the model's messages of a known kind
// almost always are; any other object takes the full dynamic_cast, so the
// answer is the same as dynamic_cast's in every case.
template <class T, class U>
T* exact_cast(U* p)
{
    if (p && typeid(*p) == typeid(T))
        return static_cast<T*>(p);
    return dynamic_cast<T*>(p);
}
