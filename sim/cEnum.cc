#include "sim/cEnum.h"

#include <cstdarg>

cRegistry<cEnum> enums("Enum");

const char* cEnum::stringFor(int value) const
{
    for (const auto& item : items_)
        if (item.first == value)
            return item.second.c_str();
    return nullptr;
}

int cEnum::lookup(const char* valueName, int fallback) const
{
    for (const auto& item : items_)
        if (item.second == valueName)
            return item.first;
    return fallback;
}

sEnumBuilder::sEnumBuilder(const char* name, ...)
{
    cEnum* e = new cEnum(name);
    va_list ap;
    va_start(ap, name);
    for (;;) {
        int value = va_arg(ap, int);
        const char* valueName = va_arg(ap, const char*);
        if (!valueName)
            break;
        e->insert(value, valueName);
    }
    va_end(ap);
    enums.add(e);
}
