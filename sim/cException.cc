#include "sim/cException.h"

#include <cstdio>

std::string opp_vformat(const char* fmt, va_list ap)
{
    va_list copy;
    va_copy(copy, ap);
    char small[256];
    int n = std::vsnprintf(small, sizeof small, fmt, copy);
    va_end(copy);
    if (n < 0)
        return fmt;
    if (static_cast<size_t>(n) < sizeof small)
        return std::string(small, n);
    std::string text(n, '\0');
    std::vsnprintf(&text[0], n + 1, fmt, ap);
    return text;
}

std::string opp_format(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::string text = opp_vformat(fmt, ap);
    va_end(ap);
    return text;
}

void throwError(const char* fmt, ...)
{
    va_list ap;
    va_start(ap, fmt);
    std::string text = opp_vformat(fmt, ap);
    va_end(ap);
    throw cRuntimeError(text);
}
