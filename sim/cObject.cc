#include "sim/cObject.h"

#include "sim/cException.h"

cObject* cObject::dup() const
{
    copyNotSupported();
}

void cObject::copyNotSupported() const
{
    throwError("(%s)%s: copying not supported", className(), fullPath().c_str());
}
