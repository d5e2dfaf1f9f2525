#include "sim/ObjectName.h"

void ObjectName::assignCopy(const char* s)
{
    size_t n = std::strlen(s);
    if (n <= kInline) {
        std::memcpy(bytes_, s, n + 1);
        bytes_[kSize - 1] = INLINE;
    } else {
        char* text = new char[n + 1];
        std::memcpy(text, s, n + 1);
        point(text, HEAP);
    }
}
