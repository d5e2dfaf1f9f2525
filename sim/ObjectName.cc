#include "sim/ObjectName.h"

void ObjectName::assignCopy(const char* s)
{
    size_t n = std::strlen(s);
    if (n <= kInline) {
        std::memcpy(inline_, s, n + 1);
        where_ = INLINE;
    } else {
        char* text = new char[n + 1];
        std::memcpy(text, s, n + 1);
        text_ = text;
        where_ = HEAP;
    }
}
