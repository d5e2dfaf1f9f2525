#pragma once

#include "network/CompoundDescription.h"
#include "network/MachineList.h"
#include "sim/cModule.h"
#include "sim/cModuleType.h"

// The one build procedure of every compound module: it turns a
// CompoundDescription into submodules and connections, in this order for each
// submodule (each element of a vector likewise):
//   type lookup, machine, low-memory test, creation, parameter assignments in
//   the order given, inputs read from "omnetpp.ini", gate vectors sized in the
//   order given, display string, the submodule's own inside (depth first);
// then every connection in the order given, then the compound's display
// string and, when the description asks for it, the internal-connection check.
//
// Usage, in the .cc of a compound type:
//
//   static const sDescrItem nodePortItems[] = {
//       {'M', "default", nullptr, 0}, {'P', "sFact", "LDXFT", 0},
//       {'G', "link_in", nullptr, 'I'}, {'G', "link_out", nullptr, 'O'}, {'E', nullptr, nullptr, 0}};
//
//   static const CompoundDescription nodePortDesc = {
//       {   // submodules: name, type, vector size, parameters, gate sizes, display string
//           {"Fc1", "Fc1Layer", {}, {}, {}, "i=ctrl;p=255,140;b=50,50"},
//           {"Fc2", "Fc2Layer", {}, {set_long("currOxId", 0), set_long("currRxId", 0)}, {}, "i=ctrl"},
//           {"Port", "Leaf", Expr::par("portNum"), {copy_par("speed", "maxSpeed")},
//            {{"to_peer", Expr::own("peerNum") + 1}}, ""},
//       },
//       {   // connections: from, to, display string, delay, loop first, loop last
//           {GateRef::self("link_in"), GateRef::sub("Fc1", "link_in"), "o=#ffffff"},
//           {GateRef::element("Port", Expr::index(), "out"), GateRef::sub("Fc2", "from_port", Expr::index()),
//            "", Expr::par("cableKm") / Expr::par("light_speed"), 0, Expr::par("portNum") - 1},
//       },
//       "o=#ffffff;p=10,10;b=355,245",  // the compound's own display string
//       false,                          // checkInternalConnections
//   };
//
// A connection over two indexes (`Expr::index()` outer, `Expr::inner()`
// inner) is written with nested_loop(from, to, display, first, last,
// innerFirst, innerLast); Expr::quot(a, b) and a % b give integer index
// arithmetic.
//
//   Define_Module_Interface(NodePort, nodePortItems);
//   Define_Described_Compound(NodePort, nodePortDesc);
//
// Errors end the build with the kernel's cRuntimeError and these texts:
// "Simple module type definition %s not found", "Unknown parameter named %s",
// "Negative gate vector size %s.%s[%d] in compound module %s",
// "Negative or zero module vector size %s[%d] in compound module %s",
// "Bad submodule index %s[%d] in compound module %s", "Gate %s.%s not found",
// and the low-memory error (code eNOMEM).
class CompoundBuilder {
  public:
    CompoundBuilder(cModule* compound, const CompoundDescription& desc) : compound_(compound), desc_(desc) {}
    void build();

  private:
    void buildSubmodule(const SubmoduleDescription& sub);
    // Steps 2 to 11 for one module: a scalar submodule or one element.
    void placeSubmodule(const SubmoduleDescription& sub, cModuleType* type, int index, int vectorSize);
    void assignParameters(cModule* mod, const SubmoduleDescription& sub, const Expr::Context& ctx);
    void sizeGates(cModule* mod, const SubmoduleDescription& sub, const Expr::Context& ctx);
    void connectAll(const ConnectionDescription& conn);
    void connect(const ConnectionDescription& conn, const Expr::Context& ctx);
    cGate* findGate(const GateRef& ref, const Expr::Context& ctx) const;
    std::string gateSizeSettings(const GateRef& ref, cModule* mod) const;
    const char* typeName() const;

    cModule* compound_;
    const CompoundDescription& desc_;
    MachineList machines_;
};

// Builds the inside of `compound` from `desc`.
void build_compound(cModule* compound, const CompoundDescription& desc);

// Defines the compound class CLASS, whose build is the description DESC (a
// CompoundDescription object declared before), and registers its type. The
// interface is registered separately with Define_Module_Interface(CLASS, items).
#define Define_Described_Compound(CLASS, DESC)                                                                         \
    class CLASS : public cCompoundModule {                                                                             \
      public:                                                                                                          \
        using cCompoundModule::cCompoundModule;                                                                        \
        const char* className() const override { return #CLASS; }                                                      \
        void doBuildInside() override { build_compound(this, DESC); }                                                  \
    };                                                                                                                 \
    Define_Compound_Module(CLASS)
