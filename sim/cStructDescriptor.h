#pragma once

#include <string>

#include "sim/cObject.h"

// Reflection over the fields of a message class or a plain record, for the
// environment's inspectors: each field's name, type and value as text. A
// descriptor describes the object whose address it was given.
class cStructDescriptor : public cObject {
  public:
    // Field kinds returned by getFieldType().
    enum {
        FT_BASIC = 0,
        FT_SPECIAL = 1,
        FT_STRUCT = 2,
        FT_BASIC_ARRAY = 3,
        FT_SPECIAL_ARRAY = 4,
        FT_STRUCT_ARRAY = 5,
        FT_INVALID = 6
    };

    explicit cStructDescriptor(void* p = nullptr) : p_(p) {}
    const char* className() const override { return "cStructDescriptor"; }
    cStructDescriptor* dup() const override { copyNotSupported(); }

    void setStruct(void* p) { p_ = p; }
    void* getStruct() const { return p_; }

    virtual int getFieldCount() = 0;
    virtual const char* getFieldName(int field) = 0;
    virtual int getFieldType(int field) = 0;
    virtual const char* getFieldTypeString(int field) = 0;
    virtual const char* getFieldEnumName(int field) = 0;
    virtual int getArraySize(int field) = 0;
    virtual bool getFieldAsString(int field, int i, char* buf, int bufsize) = 0;
    virtual bool setFieldAsString(int field, int i, const char* value) = 0;
    virtual void* getFieldWrapper(int field, int i) = 0;
    virtual const char* getFieldStructName(int field) = 0;
    virtual void* getFieldStructPointer(int field, int i) = 0;

    // Text conversions used by descriptors. The writers never write past
    // `bufsize` bytes and always terminate the text.
    static void long2string(long l, char* buf, int bufsize);
    static long string2long(const char* s);
    static void double2string(double d, char* buf, int bufsize);
    static double string2double(const char* s);
    static void bool2string(bool b, char* buf, int bufsize);
    static bool string2bool(const char* s);
    // The same for an edit, which must be refused rather than guessed at:
    // false, leaving `value` as it was, when the text is not wholly a decimal
    // integer within long's range, a finite number, or one of "true",
    // "false", "1" and "0".
    static bool string2long(const char* s, long& value);
    static bool string2double(const char* s, double& value);
    static bool string2bool(const char* s, bool& value);

    // Creates the registered descriptor "<className>Descriptor" for the object
    // at `p`, or returns null when there is none.
    static cStructDescriptor* createDescriptorFor(const char* className, void* p);

  protected:
    void* p_;
};
