#include "messages/MsgSubclass_m.h"

#include "sim/ExecuteOnStartup.h"
#include "sim/cClassRegister.h"
#include "sim/cEnum.h"

// The tables below are laid out by hand, column for column.
// clang-format off
// ---- Construction and copying ----
#define MESSAGE(Class)                                                                      \
    Class::Class(const char* name, int kind) : cMessage(name, kind, 1, 0, false) {}         \
    Class::Class(const Class& other) : cMessage(nullptr, 0, 1, 0, false)                    \
    {                                                                                       \
        setName(other.name());                                                              \
        operator=(other);                                                                   \
    }                                                                                       \
    Class::~Class() {}                                                                      \
    Class& Class::operator=(const Class& other)                                             \
    {                                                                                       \
        if (this == &other)                                                                 \
            return *this;                                                                   \
        cMessage::operator=(other);
#define FIELD(Type, field, Field) field##_ = other.field##_;
#define RECORD_FIELD(Record, field, Field) field##_ = other.field##_;
#define END_MESSAGE                                                                         \
        return *this;                                                                       \
    }
#include "messages/MsgSubclass.def"

// ---- Descriptor field tables ----
// Inside a table the name Described is the descriptor's own alias for the
// class it describes.
#define MESSAGE(Class) const FieldTableDescriptor::Field Class##Descriptor::fields[] = {
#define FIELD(Type, field, Field)                                                           \
    msgfield::accessorField<Described, msgfield::stored_t<Type>, &Described::get##Field,    \
                            &Described::set##Field>(#field, #Type),
#define RECORD_FIELD(Record, field, Field)                                                  \
    msgfield::recordField<Described, Record, &Described::get##Field>(#field, #Record),
#define END_MESSAGE };
#define RECORD(Record) const FieldTableDescriptor::Field Record##Descriptor::fields[] = {
#define MEMBER(Type, field)                                                                 \
    msgfield::memberField<Described, msgfield::stored_t<Type>, &Described::field>(#field, #Type),
#define END_RECORD };
#include "messages/MsgSubclass.def"

#define DESCRIPTOR(Described_)                                                              \
    Described_##Descriptor::Described_##Descriptor(void* p)                                 \
        : FieldTableDescriptor(p, fields, static_cast<int>(sizeof(fields) / sizeof(fields[0]))) \
    {                                                                                       \
    }                                                                                       \
    void* Described_##Descriptor__create()                                                  \
    {                                                                                       \
        return static_cast<cStructDescriptor*>(new Described_##Descriptor());               \
    }
#define MESSAGE(Class) DESCRIPTOR(Class)
#define RECORD(Record) DESCRIPTOR(Record)
#include "messages/MsgSubclass.def"
#undef DESCRIPTOR

// ---- Factories and registration ----
// Enumerations register as the program loads; classes and descriptors are
// queued for start-up in catalogue order, each class before its descriptor.
#define ENUM(Name) static sEnumBuilder Name##__enumBuilder(#Name,
#define VALUE(Name, value) Name, #Name,
#define END_ENUM 0, static_cast<const char*>(nullptr));
#define MESSAGE(Class)                                                                      \
    void* Class##__create() { return static_cast<cObject*>(new Class()); }                  \
    static void Class##__register() { classes.add(new cClassRegister(#Class, Class##__create)); } \
    static ExecuteOnStartup Class##__registration(Class##__register);                       \
    static void Class##Descriptor__register()                                               \
    {                                                                                       \
        classes.add(new cClassRegister(#Class "Descriptor", Class##Descriptor__create));    \
    }                                                                                       \
    static ExecuteOnStartup Class##Descriptor__registration(Class##Descriptor__register);
#define RECORD(Record)                                                                      \
    static void Record##Descriptor__register()                                              \
    {                                                                                       \
        classes.add(new cClassRegister(#Record "Descriptor", Record##Descriptor__create));   \
    }                                                                                       \
    static ExecuteOnStartup Record##Descriptor__registration(Record##Descriptor__register);
#include "messages/MsgSubclass.def"
// clang-format on
