#pragma once

#include <string>
#include <vector>

#include "sim/ExecuteOnStartup.h"
#include "sim/cObject.h"
#include "sim/cRegistry.h"

class cModule;

// One item of a module interface table: kind 'M' machine, 'P' parameter (with
// its type string: "S", "B" or numeric letters such as "LDXFT"), 'G' gate
// (name ending in "[]" for a vector; direction 'I' or 'O'), 'E' the end.
struct sDescrItem {
    char kind;
    const char* name;
    const char* types;
    char dir;
};

// The parameters and gates that every module of a type gets when it is created.
class cModuleInterface : public cObject {
  public:
    cModuleInterface(const char* name, const sDescrItem* items);
    const char* className() const override { return "cModuleInterface"; }
    void addParametersGatesTo(cModule* mod) const;

    struct ParamDecl {
        std::string name;
        std::string types;
    };
    struct GateDecl {
        std::string name;
        char dir;
        bool isVector;
    };
    const std::vector<std::string>& machines() const { return machines_; }
    const std::vector<ParamDecl>& params() const { return params_; }
    const std::vector<GateDecl>& gates() const { return gates_; }

  private:
    std::vector<std::string> machines_;
    std::vector<ParamDecl> params_;
    std::vector<GateDecl> gates_;
};

// A module type: its name, the name of its interface, and a factory.
class cModuleType : public cObject {
  public:
    typedef cModule* (*Factory)(const char* name, cModule* parent);
    cModuleType(const char* name, const char* interfaceName, Factory factory)
        : cObject(name), interfaceName_(interfaceName), factory_(factory)
    {
    }
    const char* className() const override { return "cModuleType"; }
    const char* interfaceName() const { return interfaceName_.c_str(); }
    cModuleInterface* moduleInterface() const;

    // Creates a module with the interface's parameters (as inputs) and gates.
    cModule* create(const char* name, cModule* parent) const;
    // Creates a module at run time, sizes nothing, builds its inside, and
    // initialises and starts it when the network is already initialised.
    cModule* createScheduleInit(const char* name, cModule* parent) const;

  private:
    std::string interfaceName_;
    Factory factory_;
};

// A network type: its name and the set-up that creates the root module.
class cNetworkType : public cObject {
  public:
    typedef void (*SetupFunc)();
    cNetworkType(const char* name, SetupFunc setup) : cObject(name), setup_(setup) {}
    const char* className() const override { return "cNetworkType"; }
    void setupNetwork() const { setup_(); }

  private:
    SetupFunc setup_;
};

extern cRegistry<cModuleInterface> modinterfaces;
extern cRegistry<cModuleType> modtypes;
extern cRegistry<cNetworkType> networks;

cModuleType* findModuleType(const char* name);
cNetworkType* findNetwork(const char* name);

// While it lives, every look-up of the module type `name` finds the type `by`
// instead, so that a test bench can put a stand-in where a compound names a
// real module. Substitutions nest; the innermost one for a name wins.
class ModuleTypeSubstitution {
  public:
    ModuleTypeSubstitution(const char* name, const char* by);
    ~ModuleTypeSubstitution();
    ModuleTypeSubstitution(const ModuleTypeSubstitution&) = delete;
    ModuleTypeSubstitution& operator=(const ModuleTypeSubstitution&) = delete;
};

// Registers the interface table ITEMS under the name NAME.
#define Define_Module_Interface(NAME, ITEMS) EXECUTE_ON_STARTUP(modinterfaces.add(new cModuleInterface(#NAME, ITEMS)))

// Registers the simple module class CLASS under its own name, with the interface
// of the same name and the declared coroutine stack size.
#define Define_Module(CLASS, STACK)                                                                                    \
    static cModule* CLASS##__create(const char* name, cModule* parent)                                                 \
    {                                                                                                                  \
        return new CLASS(name, parent, STACK);                                                                         \
    }                                                                                                                  \
    EXECUTE_ON_STARTUP(modtypes.add(new cModuleType(#CLASS, #CLASS, CLASS##__create)))

// Registers the simple module class CLASS under its own name with the
// interface INTERFACE of another type: how a stand-in takes the real
// module's gates and parameters.
#define Define_Module_Like(CLASS, INTERFACE, STACK)                                                                    \
    static cModule* CLASS##__create(const char* name, cModule* parent)                                                 \
    {                                                                                                                  \
        return new CLASS(name, parent, STACK);                                                                         \
    }                                                                                                                  \
    EXECUTE_ON_STARTUP(modtypes.add(new cModuleType(#CLASS, #INTERFACE, CLASS##__create)))

// Registers the compound module class CLASS under its own name.
#define Define_Compound_Module(CLASS)                                                                                  \
    static cModule* CLASS##__create(const char* name, cModule* parent)                                                 \
    {                                                                                                                  \
        return new CLASS(name, parent);                                                                                \
    }                                                                                                                  \
    EXECUTE_ON_STARTUP(modtypes.add(new cModuleType(#CLASS, #CLASS, CLASS##__create)))

// Registers a network type.
#define Define_Network(NAME, SETUP) EXECUTE_ON_STARTUP(networks.add(new cNetworkType(#NAME, SETUP)))
