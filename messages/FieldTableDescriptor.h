#pragma once

#include <cstddef>
#include <limits>
#include <type_traits>

#include "sim/cStructDescriptor.h"

// A field descriptor driven by a table with one row per field. Each message
// class and record gets a small subclass that only supplies its table; the
// rows are made by the helpers below from the class's accessors (messages) or
// its members (records), so every read and write goes through the same code
// whatever the class.
class FieldTableDescriptor : public cStructDescriptor {
  public:
    // One field: its name and declared type text, its kind (FT_BASIC or
    // FT_STRUCT) and the operations on the described object. A record field
    // has no text form; it is reached through `structPtr`. `fromText` stores
    // nothing and answers false for a text that is not a value of the field.
    struct Field {
        const char* name;
        const char* typeText;
        int kind;
        const char* structName;
        void (*toText)(void* obj, char* buf, int bufsize);
        bool (*fromText)(void* obj, const char* text);
        void* (*structPtr)(void* obj);
    };

    FieldTableDescriptor(void* p, const Field* fields, int count) : cStructDescriptor(p), fields_(fields), count_(count)
    {
    }
    const char* className() const override { return "FieldTableDescriptor"; }

    int getFieldCount() override { return count_; }
    const char* getFieldName(int field) override;
    int getFieldType(int field) override;
    const char* getFieldTypeString(int field) override;
    const char* getFieldEnumName(int field) override;
    int getArraySize(int field) override;
    bool getFieldAsString(int field, int i, char* buf, int bufsize) override;
    bool setFieldAsString(int field, int i, const char* value) override;
    void* getFieldWrapper(int field, int i) override;
    const char* getFieldStructName(int field) override;
    void* getFieldStructPointer(int field, int i) override;

  private:
    const Field* at(int field) const { return field >= 0 && field < count_ ? &fields_[field] : nullptr; }

    const Field* fields_;
    int count_;
};

namespace msgfield {

// Integers of every width go through the signed long conversions: widened
// for display; read back only when the number fits the field's width, for a
// number cut down to it would be stored as another one.
template <class T>
void writeText(T value, char* buf, int bufsize)
{
    if constexpr (std::is_same_v<T, bool>)
        cStructDescriptor::bool2string(value, buf, bufsize);
    else if constexpr (std::is_floating_point_v<T>)
        cStructDescriptor::double2string(value, buf, bufsize);
    else
        cStructDescriptor::long2string(static_cast<long>(value), buf, bufsize);
}

template <class T>
bool fitsIn(long v)
{
    static_assert(sizeof(T) < sizeof(long) || std::is_signed_v<T>, "a field wider than long cannot be read");
    if constexpr (std::is_signed_v<T>)
        return v >= std::numeric_limits<T>::min() && v <= std::numeric_limits<T>::max();
    else
        return v >= 0 && static_cast<unsigned long>(v) <= std::numeric_limits<T>::max();
}

// False, with `value` unchanged, when `text` is not a value of type T.
template <class T>
bool readText(const char* text, T& value)
{
    if constexpr (std::is_same_v<T, bool>) {
        return cStructDescriptor::string2bool(text, value);
    } else if constexpr (std::is_floating_point_v<T>) {
        double v;
        if (!cStructDescriptor::string2double(text, v))
            return false;
        value = static_cast<T>(v);
        return true;
    } else {
        long v;
        if (!cStructDescriptor::string2long(text, v) || !fitsIn<T>(v))
            return false;
        value = static_cast<T>(v);
        return true;
    }
}

// A basic field of a message class, read and written through its virtual
// accessors.
template <class C, class T, T (C::*Get)() const, void (C::*Set)(T)>
constexpr FieldTableDescriptor::Field accessorField(const char* name, const char* typeText)
{
    return {name,
            typeText,
            cStructDescriptor::FT_BASIC,
            nullptr,
            [](void* obj, char* buf, int bufsize) { writeText<T>((static_cast<C*>(obj)->*Get)(), buf, bufsize); },
            [](void* obj, const char* text) {
                T value{};
                if (!readText<T>(text, value))
                    return false;
                (static_cast<C*>(obj)->*Set)(value);
                return true;
            },
            nullptr};
}

// A record held by value inside a message class, reached through the
// reference its getter returns.
template <class C, class R, R& (C::*Get)()>
constexpr FieldTableDescriptor::Field recordField(const char* name, const char* typeName)
{
    return {name, typeName, cStructDescriptor::FT_STRUCT, typeName, nullptr, nullptr, [](void* obj) -> void* {
                return &(static_cast<C*>(obj)->*Get)();
            }};
}

// A field of a plain record, read and written directly.
template <class R, class T, T R::*Member>
constexpr FieldTableDescriptor::Field memberField(const char* name, const char* typeText)
{
    return {name,
            typeText,
            cStructDescriptor::FT_BASIC,
            nullptr,
            [](void* obj, char* buf, int bufsize) { writeText<T>(static_cast<R*>(obj)->*Member, buf, bufsize); },
            [](void* obj, const char* text) { return readText<T>(text, static_cast<R*>(obj)->*Member); },
            nullptr};
}

} // namespace msgfield
