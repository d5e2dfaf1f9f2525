#pragma once

#include <string>
#include <vector>

#include "sim/cPar.h"

class cModule;

// A size, index, loop bound, parameter value or channel delay in a compound
// description: a short postfix sequence of constants, parameter references and
// the operators + - * / and the integer quotient and remainder. Writing `Expr::own("chipNxPortNum") *
// Expr::own("chipNum")` gives the sequence [chipNxPortNum, chipNum, *].
//
// A reference names a parameter of the compound being built (`par`), of the
// submodule being built (`own`, for its gate sizes and parameter values), or
// stands for the current index (`index`: the element index inside a submodule
// vector, the outer loop index inside a connection loop; `inner`: the index of
// a connection's inner loop). When the expression is
// turned into kernel elements each parameter reference becomes a copy of the
// parameter taken at that moment, so later changes to the parameter do not
// reach a delay or value built from it.
class Expr {
  public:
    struct Term {
        enum Kind : char { CONSTANT, COMPOUND_PAR, OWN_PAR, INDEX, INNER_INDEX, OPERATOR } kind;
        double value;
        std::string name;
        char op;
    };

    // The empty expression: "not given" (no vector, no gate index, no delay).
    Expr() = default;
    Expr(int c) : Expr(static_cast<double>(c)) {}
    Expr(long c) : Expr(static_cast<double>(c)) {}
    Expr(double c) { terms_.push_back(Term{Term::CONSTANT, c, "", 0}); }

    static Expr par(const char* name) { return Expr(Term{Term::COMPOUND_PAR, 0, name, 0}); }
    static Expr own(const char* name) { return Expr(Term{Term::OWN_PAR, 0, name, 0}); }
    static Expr index() { return Expr(Term{Term::INDEX, 0, "", 0}); }
    static Expr inner() { return Expr(Term{Term::INNER_INDEX, 0, "", 0}); }

    friend Expr operator+(const Expr& a, const Expr& b) { return combine(a, b, '+'); }
    friend Expr operator-(const Expr& a, const Expr& b) { return combine(a, b, '-'); }
    friend Expr operator*(const Expr& a, const Expr& b) { return combine(a, b, '*'); }
    friend Expr operator/(const Expr& a, const Expr& b) { return combine(a, b, '/'); }
    // Both operands truncated toward zero first, as index arithmetic wants:
    // quot(7, 2) is 3 and 7 % 2 is 1; a zero divisor stops the evaluation.
    static Expr quot(const Expr& a, const Expr& b) { return combine(a, b, cPar::QUOTIENT); }
    friend Expr operator%(const Expr& a, const Expr& b) { return combine(a, b, cPar::REMAINDER); }

    bool empty() const { return terms_.empty(); }
    const std::vector<Term>& terms() const { return terms_; }

    // Where the references of an expression point while one piece is built.
    struct Context {
        cModule* compound = nullptr;
        cModule* submodule = nullptr; // for `own`; null where there is none
        long index = 0;
        bool hasIndex = false;
        long innerIndex = 0;
        bool hasInnerIndex = false;
    };
    // The kernel's postfix elements, with copies of the parameters named.
    std::vector<cPar::ExprElem> elements(const Context& ctx) const;
    // Evaluates through a kernel expression and truncates toward zero.
    long longValue(const Context& ctx) const;

  private:
    explicit Expr(Term t) { terms_.push_back(std::move(t)); }
    static Expr combine(const Expr& a, const Expr& b, char op);

    std::vector<Term> terms_;
};
