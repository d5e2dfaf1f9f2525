#include "sim/cEnvir.h"

#include <cstdarg>
#include <iostream>

#include "sim/cException.h"

cEnvir ev;

cEnvir::cEnvir() : out_(&std::cout) {}

void cEnvir::setStream(std::ostream* out)
{
    out_ = out ? out : &std::cout;
}

void cEnvir::printf(const char* fmt, ...)
{
    if (disabled_)
        return;
    va_list ap;
    va_start(ap, fmt);
    std::string text = opp_vformat(fmt, ap);
    va_end(ap);
    ++writing_;
    *out_ << text;
    --writing_;
}

void cEnvir::flush()
{
    out_->flush();
}
