#include "sim/cStructDescriptor.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim/cClassRegister.h"

void cStructDescriptor::long2string(long l, char* buf, int bufsize)
{
    if (bufsize > 0)
        std::snprintf(buf, bufsize, "%ld", l);
}

long cStructDescriptor::string2long(const char* s)
{
    return s ? std::strtol(s, nullptr, 10) : 0;
}

void cStructDescriptor::double2string(double d, char* buf, int bufsize)
{
    if (bufsize > 0)
        std::snprintf(buf, bufsize, "%g", d);
}

double cStructDescriptor::string2double(const char* s)
{
    return s ? std::strtod(s, nullptr) : 0.0;
}

void cStructDescriptor::bool2string(bool b, char* buf, int bufsize)
{
    if (bufsize > 0)
        std::snprintf(buf, bufsize, "%s", b ? "true" : "false");
}

bool cStructDescriptor::string2bool(const char* s)
{
    if (!s)
        return false;
    return s[0] == '1' || s[0] == 't' || s[0] == 'T' || s[0] == 'y' || s[0] == 'Y';
}

namespace {

// Whether a conversion that stopped at `end` took the whole text, spaces
// around it aside.
bool took_whole_text(const char* s, const char* end)
{
    if (end == s)
        return false;
    while (*end == ' ' || *end == '\t')
        ++end;
    return *end == '\0';
}

} // namespace

bool cStructDescriptor::string2long(const char* s, long& value)
{
    if (!s)
        return false;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(s, &end, 10);
    if (errno == ERANGE || !took_whole_text(s, end))
        return false;
    value = v;
    return true;
}

bool cStructDescriptor::string2double(const char* s, double& value)
{
    if (!s)
        return false;
    char* end = nullptr;
    const double v = std::strtod(s, &end);
    if (!took_whole_text(s, end) || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool cStructDescriptor::string2bool(const char* s, bool& value)
{
    if (!s)
        return false;
    if (std::strcmp(s, "true") == 0 || std::strcmp(s, "1") == 0)
        value = true;
    else if (std::strcmp(s, "false") == 0 || std::strcmp(s, "0") == 0)
        value = false;
    else
        return false;
    return true;
}

cStructDescriptor* cStructDescriptor::createDescriptorFor(const char* className, void* p)
{
    std::string name = std::string(className) + "Descriptor";
    auto* d = static_cast<cStructDescriptor*>(createOneIfClassIsKnown(name.c_str()));
    if (d)
        d->setStruct(p);
    return d;
}
