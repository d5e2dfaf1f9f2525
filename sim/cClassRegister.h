#pragma once

#include "sim/cObject.h"
#include "sim/cRegistry.h"

// Pairs a class name with a factory, so that objects can be created by class
// name (the environment's inspectors, `createOne`).
class cClassRegister : public cObject {
  public:
    typedef void* (*Factory)();
    cClassRegister(const char* name, Factory factory) : cObject(name), factory_(factory) {}
    void* createOne() const { return factory_(); }

  private:
    Factory factory_;
};

// The class registry; owns its registrations.
extern cRegistry<cClassRegister> classes;

// Creates an object of the named class; ends with an error for an unknown name.
void* createOne(const char* className);
// The same, returning null for an unknown name.
void* createOneIfClassIsKnown(const char* className);

#define Register_Class(CLASS)                                                                                          \
    static void* CLASS##__create()                                                                                     \
    {                                                                                                                  \
        return new CLASS();                                                                                            \
    }                                                                                                                  \
    EXECUTE_ON_STARTUP(classes.add(new cClassRegister(#CLASS, CLASS##__create)))
