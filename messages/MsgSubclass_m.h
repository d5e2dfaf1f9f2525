#pragma once

#include "messages/FieldTableDescriptor.h"
#include "messages/MsgFieldType.h"
#include "sim/cMessage.h"

// The message catalogue: the enumerations, the message classes that modules
// exchange and the plain records that some of them hold, all made from the
// table in MsgSubclass.def.
//
// Every message class X derives from cMessage and offers
//   X(name, kind)         length 1, priority 0, every own field zero;
//   X(const X&), X::operator=, dup()
//                         copy every field; assignment keeps the target's
//                         name. Fields named ...Ptr hold addresses of objects
//                         the message does not own: copies share them;
//   getF() / setF(v)      per field, virtual, in table order; a record field's
//                         getter returns a reference into the message;
//   X__create()           the registered factory.
// Records are plain structs with public members, copied whole.
// Every class and record has a field descriptor XDescriptor for inspectors.

// The tables below are laid out by hand, column for column.
// clang-format off
// ---- Enumerations ----
#define ENUM(Name) enum Name {
#define VALUE(Name, value) Name = value,
#define END_ENUM };
#include "messages/MsgSubclass.def"

// ---- Records and message classes ----
#define RECORD(Record) struct Record {
#define MEMBER(Type, field) msgfield::stored_t<Type> field{};
#define END_RECORD };

#define MESSAGE(Class)                                                                      \
    class Class : public cMessage {                                                         \
      public:                                                                               \
        explicit Class(const char* name = nullptr, int kind = 0);                           \
        Class(const Class& other);                                                          \
        Class& operator=(const Class& other);                                               \
        ~Class() override;                                                                  \
        const char* className() const override { return #Class; }                           \
        Class* dup() const override { return new Class(*this); }
#define FIELD(Type, field, Field)                                                           \
      public:                                                                               \
        virtual msgfield::stored_t<Type> get##Field() const { return field##_; }            \
        virtual void set##Field(msgfield::stored_t<Type> value) { field##_ = value; }       \
      private:                                                                              \
        msgfield::stored_t<Type> field##_{};
#define RECORD_FIELD(Record, field, Field)                                                  \
      public:                                                                               \
        virtual Record& get##Field() { return field##_; }                                   \
        virtual void set##Field(const Record& value) { field##_ = value; }                  \
      private:                                                                              \
        Record field##_{};
#define END_MESSAGE };
#include "messages/MsgSubclass.def"

// ---- Factories ----
#define MESSAGE(Class) void* Class##__create();
#include "messages/MsgSubclass.def"

// ---- Descriptors ----
#define DESCRIPTOR(Described_)                                                              \
    class Described_##Descriptor : public FieldTableDescriptor {                            \
      public:                                                                               \
        using Described = Described_;                                                       \
        explicit Described_##Descriptor(void* p = nullptr);                                 \
        const char* className() const override { return #Described_ "Descriptor"; }         \
        static const Field fields[];                                                        \
    };                                                                                      \
    void* Described_##Descriptor__create();
#define MESSAGE(Class) DESCRIPTOR(Class)
#define RECORD(Record) DESCRIPTOR(Record)
#include "messages/MsgSubclass.def"
#undef DESCRIPTOR
// clang-format on
