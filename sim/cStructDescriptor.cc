#include "sim/cStructDescriptor.h"

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

cStructDescriptor* cStructDescriptor::createDescriptorFor(const char* className, void* p)
{
    std::string name = std::string(className) + "Descriptor";
    auto* d = static_cast<cStructDescriptor*>(createOneIfClassIsKnown(name.c_str()));
    if (d)
        d->setStruct(p);
    return d;
}
