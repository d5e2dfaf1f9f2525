#include "env/tk/IconTable.h"

const Icon* find_icon(const std::string& name)
{
    for (size_t i = 0; i < ICON_COUNT; ++i)
        if (name == ICONS[i].name)
            return &ICONS[i];
    return nullptr;
}
