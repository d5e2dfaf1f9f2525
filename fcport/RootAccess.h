#pragma once

#include "sim/cModule.h"

// The run-wide parameters live on the root module, the one module that
// carries `rootFlag`. Modules find it by walking up from their parent; only
// the parameter's presence counts, never its value. The helpers of this
// folder reach the root only through these two functions.
inline cModule* root_module(const cModule* mod)
{
    cModule* cur = mod->parentModule();
    while (cur && !cur->hasPar("rootFlag"))
        cur = cur->parentModule();
    if (!cur)
        mod->error("No module above %s has the parameter rootFlag", mod->fullPath().c_str());
    return cur;
}

// Takes a number from a run-wide counter: returns its value and stores the
// value plus one, so no two callers get the same number.
inline long take_number(cModule* root, const char* counter)
{
    cPar& par = root->par(counter);
    long v = par.longValue();
    par.setLongValue(v + 1);
    return v;
}
