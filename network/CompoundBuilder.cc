#include "network/CompoundBuilder.h"

#include "network/LowMemory.h"
#include "sim/cException.h"
#include "sim/cGate.h"

void build_compound(cModule* compound, const CompoundDescription& desc)
{
    CompoundBuilder(compound, desc).build();
}

const char* CompoundBuilder::typeName() const
{
    return compound_->moduleType() ? compound_->moduleType()->name() : compound_->className();
}

void CompoundBuilder::build()
{
    for (const SubmoduleDescription& sub : desc_.submodules)
        buildSubmodule(sub);
    for (const ConnectionDescription& conn : desc_.connections)
        connectAll(conn);
    compound_->setBackgroundDisplayString(desc_.displayString.c_str());
    check_memory();
    if (desc_.checkInternalConnections)
        compound_->checkInternalConnections();
}

void CompoundBuilder::buildSubmodule(const SubmoduleDescription& sub)
{
    cModuleType* type = findModuleType(sub.type.c_str());
    if (!type)
        compound_->error("Simple module type definition %s not found", sub.type.c_str());
    if (sub.vectorSize.empty()) {
        placeSubmodule(sub, type, -1, 1);
    } else {
        Expr::Context ctx;
        ctx.compound = compound_;
        long size = sub.vectorSize.longValue(ctx);
        if (size < 1)
            compound_->error("Negative or zero module vector size %s[%d] in compound module %s", sub.name.c_str(),
                             static_cast<int>(size), typeName());
        for (int i = 0; i < size; ++i)
            placeSubmodule(sub, type, i, static_cast<int>(size));
    }
    machines_.clear();
}

void CompoundBuilder::placeSubmodule(const SubmoduleDescription& sub, cModuleType* type, int index, int vectorSize)
{
    // Every module is local and the kernel keeps no machine parameter, so
    // the machine list is all there is to placing the module.
    machines_.add(MachineList::physicalMachine("default"));
    check_memory();
    cModule* mod = type->create(sub.name.c_str(), compound_);
    if (index >= 0)
        mod->setIndex(index, vectorSize);
    check_memory();

    Expr::Context ctx;
    ctx.compound = compound_;
    ctx.submodule = mod;
    ctx.index = index;
    ctx.hasIndex = index >= 0;
    assignParameters(mod, sub, ctx);
    mod->readInputParams();
    sizeGates(mod, sub, ctx);
    mod->setDisplayString(sub.displayString.c_str());
    mod->buildInside();
}

void CompoundBuilder::assignParameters(cModule* mod, const SubmoduleDescription& sub, const Expr::Context& ctx)
{
    for (const ParAssignment& a : sub.params) {
        if (!mod->hasPar(a.name.c_str()))
            mod->error("Unknown parameter named %s", a.name.c_str());
        cPar& p = mod->par(a.name.c_str());
        switch (a.kind) {
        case ParAssignment::LONG: p.setLongValue(a.longValue); break;
        case ParAssignment::BOOL: p.setBoolValue(a.boolValue); break;
        case ParAssignment::COPY: p = compound_->par(a.source.c_str()); break;
        case ParAssignment::EXPRESSION: p.setExpression(a.expr.elements(ctx)); break;
        }
        p.setInput(false);
    }
}

void CompoundBuilder::sizeGates(cModule* mod, const SubmoduleDescription& sub, const Expr::Context& ctx)
{
    for (const GateSize& g : sub.gateSizes) {
        long size = g.size.longValue(ctx);
        if (size < 0)
            compound_->error("Negative gate vector size %s.%s[%d] in compound module %s", sub.name.c_str(),
                             g.gate.c_str(), static_cast<int>(size), typeName());
        mod->setGateSize(g.gate.c_str(), static_cast<int>(size));
    }
}

void CompoundBuilder::connectAll(const ConnectionDescription& conn)
{
    Expr::Context ctx;
    ctx.compound = compound_;
    if (conn.loopFirst.empty()) {
        connect(conn, ctx);
        return;
    }
    long first = conn.loopFirst.longValue(ctx);
    long last = conn.loopLast.longValue(ctx);
    ctx.hasIndex = true;
    for (ctx.index = first; ctx.index <= last; ++ctx.index) {
        if (conn.innerFirst.empty()) {
            connect(conn, ctx);
            continue;
        }
        long innerFirst = conn.innerFirst.longValue(ctx);
        long innerLast = conn.innerLast.longValue(ctx);
        Expr::Context inner = ctx;
        inner.hasInnerIndex = true;
        for (inner.innerIndex = innerFirst; inner.innerIndex <= innerLast; ++inner.innerIndex)
            connect(conn, inner);
    }
}

void CompoundBuilder::connect(const ConnectionDescription& conn, const Expr::Context& ctx)
{
    cGate* from;
    cGate* to;
    if (conn.toNamedFirst) {
        to = findGate(conn.to, ctx);
        from = findGate(conn.from, ctx);
    } else {
        from = findGate(conn.from, ctx);
        to = findGate(conn.to, ctx);
    }
    cChannel* channel = nullptr;
    if (!conn.delay.empty()) {
        channel = new cChannel("channel");
        channel->delayPar().setExpression(conn.delay.elements(ctx));
    }
    from->connectTo(to, channel);
    from->setDisplayString(conn.displayString.c_str());
    check_memory();
}

cGate* CompoundBuilder::findGate(const GateRef& ref, const Expr::Context& ctx) const
{
    cModule* mod = compound_;
    if (!ref.module.empty()) {
        if (ref.moduleIndex.empty()) {
            mod = compound_->submodule(ref.module.c_str());
            if (!mod)
                compound_->error("Submodule %s not found in compound module %s", ref.module.c_str(), typeName());
        } else {
            long index = ref.moduleIndex.longValue(ctx);
            int vectorSize = 0;
            for (cModule* m : compound_->submodules())
                if (m->isVector() && m->name() == ref.module) {
                    vectorSize = m->size();
                    break;
                }
            if (index < 0 || index >= vectorSize)
                compound_->error("Bad submodule index %s[%d] in compound module %s", ref.module.c_str(),
                                 static_cast<int>(index), typeName());
            mod = compound_->submodule(ref.module.c_str(), static_cast<int>(index));
        }
    }
    cGate* gate;
    if (ref.gateIndex.empty()) {
        gate = mod->gate(ref.gate.c_str());
        if (!gate)
            compound_->error("Gate %s.%s not found", ref.module.c_str(), ref.gate.c_str());
    } else {
        long index = ref.gateIndex.longValue(ctx);
        gate = mod->gate(ref.gate.c_str(), static_cast<int>(index));
        if (!gate)
            compound_->error("Gate %s.%s[%d] not found%s", ref.module.c_str(), ref.gate.c_str(),
                             static_cast<int>(index), gateSizeSettings(ref, mod).c_str());
    }
    return gate;
}

// Where a gate vector's size came from, when settings gave it: a cable past
// the last gate most often means a setting too small, which the bare gate
// name would not tell.
std::string CompoundBuilder::gateSizeSettings(const GateRef& ref, cModule* mod) const
{
    const Expr* size = nullptr;
    for (const SubmoduleDescription& sub : desc_.submodules)
        if (sub.name == ref.module)
            for (const GateSize& g : sub.gateSizes)
                if (g.gate == ref.gate)
                    size = &g.size;
    if (!size)
        return "";
    std::string settings;
    for (const Expr::Term& t : size->terms()) {
        cModule* owner = t.kind == Expr::Term::OWN_PAR ? mod : t.kind == Expr::Term::COMPOUND_PAR ? compound_ : nullptr;
        if (!owner || !owner->hasPar(t.name.c_str()))
            continue;
        const cPar& p = owner->par(t.name.c_str());
        settings += (settings.empty() ? "" : ", ") + p.fullPath() + " = " + opp_format("%g", p.doubleValue());
        if (const cPar::IniLine set = p.iniLine(); set.file)
            settings += opp_format(" from %s line %d", set.file, set.line);
    }
    if (settings.empty())
        return "";
    return opp_format(": %s has %d %s gates, as %s give. Please check these settings in the file \"omnetpp.ini\"",
                      mod->fullName().c_str(), mod->gateSize(ref.gate.c_str()), ref.gate.c_str(), settings.c_str());
}
