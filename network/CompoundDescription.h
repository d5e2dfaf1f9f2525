#pragma once

#include <string>
#include <vector>

#include "network/Expr.h"

// What a compound module is made of, as plain data that the one build
// procedure (CompoundBuilder.h) turns into modules. Every compound type of the
// system is such a description plus a one-line registration; none has a build
// loop of its own.

// One parameter assignment of a submodule. A parameter that no assignment
// names stays an input and is read from "omnetpp.ini" during the build.
struct ParAssignment {
    enum Kind : char { LONG, BOOL, COPY, EXPRESSION } kind;
    std::string name;
    long longValue = 0;
    bool boolValue = false;
    std::string source; // COPY: the compound's parameter to copy
    Expr expr;          // EXPRESSION
};

inline ParAssignment set_long(const char* name, long v)
{
    return ParAssignment{ParAssignment::LONG, name, v, false, "", {}};
}
inline ParAssignment set_bool(const char* name, bool v)
{
    return ParAssignment{ParAssignment::BOOL, name, 0, v, "", {}};
}
// The submodule's parameter `name` takes the value of the compound's `source`.
inline ParAssignment copy_par(const char* name, const char* source)
{
    return ParAssignment{ParAssignment::COPY, name, 0, false, source, {}};
}
inline ParAssignment copy_par(const char* name)
{
    return copy_par(name, name);
}
inline ParAssignment set_expr(const char* name, Expr e)
{
    return ParAssignment{ParAssignment::EXPRESSION, name, 0, false, "", std::move(e)};
}

// A gate vector of a submodule and its size; the size may use the compound's
// parameters and the submodule's own, which are all read by then.
struct GateSize {
    std::string gate;
    Expr size{};
};

struct SubmoduleDescription {
    std::string name;
    std::string type;
    Expr vectorSize{}; // empty for a scalar submodule
    std::vector<ParAssignment> params{};
    std::vector<GateSize> gateSizes{};
    std::string displayString{};
};

// One end of a connection: a gate of a submodule (an element of a submodule
// vector when `moduleIndex` is given) or, with an empty module name, a gate of
// the compound itself; `gateIndex` is given for an element of a gate vector.
struct GateRef {
    std::string module;
    Expr moduleIndex{};
    std::string gate{};
    Expr gateIndex{};

    static GateRef self(const char* gate, Expr gateIndex = {}) { return GateRef{"", {}, gate, std::move(gateIndex)}; }
    static GateRef sub(const char* module, const char* gate, Expr gateIndex = {})
    {
        return GateRef{module, {}, gate, std::move(gateIndex)};
    }
    static GateRef element(const char* module, Expr moduleIndex, const char* gate, Expr gateIndex = {})
    {
        return GateRef{module, std::move(moduleIndex), gate, std::move(gateIndex)};
    }
};

// A connection from an output gate (or the compound's own input, inwards) to
// an input gate (or the compound's own output, outwards). With a delay it gets
// a channel whose delay parameter holds the expression. With loop bounds it is
// made once per index from `loopFirst` to `loopLast` inclusive, `Expr::index()`
// standing for the index. With inner bounds as well, the connection is made
// for every inner index from `innerFirst` to `innerLast` (bounds that may use
// the outer index, evaluated as each inner loop starts) within each outer
// index, `Expr::inner()` standing for the inner index. `toNamedFirst` records
// a connection written destination first: its destination gate is looked up
// first.
struct ConnectionDescription {
    GateRef from;
    GateRef to;
    std::string displayString{};
    Expr delay{};
    Expr loopFirst{};
    Expr loopLast{};
    bool toNamedFirst = false;
    Expr innerFirst{};
    Expr innerLast{};
};

// A connection made for i = `first` .. `last` (Expr::index()) and, within
// each i, for j = `innerFirst` .. `innerLast` (Expr::inner()), both bounds
// inclusive.
inline ConnectionDescription nested_loop(GateRef from, GateRef to, const char* displayString, Expr first, Expr last,
                                         Expr innerFirst, Expr innerLast)
{
    ConnectionDescription c{std::move(from), std::move(to), displayString, {}, std::move(first), std::move(last)};
    c.innerFirst = std::move(innerFirst);
    c.innerLast = std::move(innerLast);
    return c;
}

struct CompoundDescription {
    std::vector<SubmoduleDescription> submodules{};
    std::vector<ConnectionDescription> connections{};
    std::string displayString{}; // the compound's background, as seen from inside
    bool checkInternalConnections = false;
};
