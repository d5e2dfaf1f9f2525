#include "network/Expr.h"

#include "sim/cException.h"
#include "sim/cModule.h"

Expr Expr::combine(const Expr& a, const Expr& b, char op)
{
    if (a.empty() || b.empty())
        throwError("Operator '%c' needs two operands in a compound description", op);
    Expr e = a;
    e.terms_.insert(e.terms_.end(), b.terms_.begin(), b.terms_.end());
    e.terms_.push_back(Term{Term::OPERATOR, 0, "", op});
    return e;
}

std::vector<cPar::ExprElem> Expr::elements(const Context& ctx) const
{
    std::vector<cPar::ExprElem> elems;
    elems.reserve(terms_.size());
    for (const Term& t : terms_) {
        switch (t.kind) {
        case Term::CONSTANT: elems.push_back(cPar::ExprElem::constant(t.value)); break;
        case Term::COMPOUND_PAR: elems.push_back(cPar::ExprElem::parameter(ctx.compound->par(t.name.c_str()))); break;
        case Term::OWN_PAR:
            if (!ctx.submodule)
                ctx.compound->error("Parameter %s of a submodule used where no submodule is being built",
                                    t.name.c_str());
            elems.push_back(cPar::ExprElem::parameter(ctx.submodule->par(t.name.c_str())));
            break;
        case Term::INDEX:
            if (!ctx.hasIndex)
                ctx.compound->error("Index used outside a submodule vector or connection loop");
            elems.push_back(cPar::ExprElem::constant(static_cast<double>(ctx.index)));
            break;
        case Term::INNER_INDEX:
            if (!ctx.hasInnerIndex)
                ctx.compound->error("Inner index used outside a nested connection loop");
            elems.push_back(cPar::ExprElem::constant(static_cast<double>(ctx.innerIndex)));
            break;
        case Term::OPERATOR: elems.push_back(cPar::ExprElem::oper(t.op)); break;
        }
    }
    return elems;
}

long Expr::longValue(const Context& ctx) const
{
    cPar value("value");
    value.setExpression(elements(ctx));
    return value.longValue();
}
