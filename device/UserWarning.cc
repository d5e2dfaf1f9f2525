#include "device/UserWarning.h"

#include <cstdio>

#include "device/WarningsLog.h"
#include "sim/cModule.h"

void warn_user(const cModule* mod, const std::string& text)
{
    warnings(mod, text, OpenFailText::QUOTED);
    std::fprintf(stderr, "%s: %s\n", mod->fullPath().c_str(), text.c_str());
}
