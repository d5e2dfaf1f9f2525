#include "messages/FieldTableDescriptor.h"

const char* FieldTableDescriptor::getFieldName(int field)
{
    const Field* f = at(field);
    return f ? f->name : nullptr;
}

int FieldTableDescriptor::getFieldType(int field)
{
    const Field* f = at(field);
    return f ? f->kind : FT_INVALID;
}

const char* FieldTableDescriptor::getFieldTypeString(int field)
{
    const Field* f = at(field);
    return f ? f->typeText : nullptr;
}

// No field is tied to an enumeration: the registered enumerations are for
// display only.
const char* FieldTableDescriptor::getFieldEnumName(int)
{
    return nullptr;
}

int FieldTableDescriptor::getArraySize(int)
{
    return 0;
}

bool FieldTableDescriptor::getFieldAsString(int field, int, char* buf, int bufsize)
{
    const Field* f = at(field);
    if (!f || f->kind != FT_BASIC || !p_)
        return false;
    f->toText(p_, buf, bufsize);
    return true;
}

bool FieldTableDescriptor::setFieldAsString(int field, int, const char* value)
{
    const Field* f = at(field);
    if (!f || f->kind != FT_BASIC || !p_)
        return false;
    return f->fromText(p_, value);
}

void* FieldTableDescriptor::getFieldWrapper(int, int)
{
    return nullptr;
}

const char* FieldTableDescriptor::getFieldStructName(int field)
{
    const Field* f = at(field);
    return f && f->kind == FT_STRUCT ? f->structName : nullptr;
}

void* FieldTableDescriptor::getFieldStructPointer(int field, int)
{
    const Field* f = at(field);
    if (!f || f->kind != FT_STRUCT || !p_)
        return nullptr;
    return f->structPtr(p_);
}
