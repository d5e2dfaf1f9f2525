#include "sim/cClassRegister.h"

cRegistry<cClassRegister> classes("Class");

void* createOneIfClassIsKnown(const char* className)
{
    cClassRegister* reg = classes.find(className);
    return reg ? reg->createOne() : nullptr;
}

void* createOne(const char* className)
{
    cClassRegister* reg = classes.find(className);
    if (!reg)
        throwError("Class \"%s\" not found; perhaps its code was not linked in", className);
    return reg->createOne();
}
