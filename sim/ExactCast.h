#pragma once

#include <typeinfo>

// The object as a T when it is exactly of class T, else null: one comparison,
// with no walk of the class hierarchy.
template <class T, class U>
T* exactly(U* p)
{
    return p && typeid(*p) == typeid(T) ? static_cast<T*>(p) : nullptr;
}

// A checked downcast that costs one comparison when the object is exactly of
// the class asked for, which is what the model's messages of a known kind
// almost always are; any other object takes the full dynamic_cast, so the
// answer is the same as dynamic_cast's in every case.
template <class T, class U>
T* exact_cast(U* p)
{
    if (T* exact = exactly<T>(p))
        return exact;
    return dynamic_cast<T*>(p);
}
