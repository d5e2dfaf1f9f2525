#include "sim/cPar.h"

#include <cmath>
#include <cstring>
#include <unordered_set>

#include "sim/DecimalNumber.h"
#include "sim/cException.h"

struct cPar::Extra {
    std::string text;                 // a STRING's value
    std::vector<ExprElem> expression; // an EXPR's value
    const char* declaredType = "";
    IniLine iniLine;
};

cPar::ExprElem cPar::ExprElem::constant(double v)
{
    ExprElem e;
    e.kind = CONST;
    e.value = v;
    return e;
}

cPar::ExprElem cPar::ExprElem::parameter(const cPar& p)
{
    ExprElem e;
    e.kind = PAR;
    e.par = std::make_shared<const cPar>(p);
    return e;
}

cPar::ExprElem cPar::ExprElem::oper(char op)
{
    if (!std::strchr("+-*/q%", op) || op == 0)
        throwError("Unknown operator '%c' in expression", op);
    ExprElem e;
    e.kind = OP;
    e.op = op;
    return e;
}

cPar::cPar(const cPar& other) : cObject(other), l_(0)
{
    operator=(other);
}

void cPar::ExtraDeleter::operator()(Extra* extra) const
{
    delete extra;
}

cPar& cPar::operator=(const cPar& other)
{
    if (this == &other)
        return *this;
    clear();
    type_ = other.type_;
    input_ = other.input_;
    if (other.type_ == DOUBLE)
        d_ = other.d_;
    else if (other.type_ == BOOL)
        b_ = other.b_;
    else
        l_ = other.l_;
    if (other.extra_)
        copyExtra(*other.extra_);
    return *this;
}

void cPar::copyExtra(const Extra& from)
{
    if (type_ == STRING)
        extra().text = from.text;
    else if (type_ == EXPR)
        extra().expression = from.expression;
    if (!*declared() && *from.declaredType)
        extra().declaredType = from.declaredType;
}

void cPar::releaseHeld()
{
    if (type_ == STRING)
        extra_->text.clear();
    else
        extra_->expression.clear();
}

cPar::Extra& cPar::extra()
{
    if (!extra_)
        extra_.reset(new Extra);
    return *extra_;
}

const char* cPar::declared() const
{
    return extra_ ? extra_->declaredType : "";
}

void cPar::setDeclaredType(const char* types)
{
    if (types && *types)
        extra().declaredType = types;
    else if (extra_)
        extra_->declaredType = "";
}

void cPar::wrongType(const char* wanted) const
{
    if (type_ == NONE)
        throwError("Parameter %s has no value", fullPath().c_str());
    throwError("Parameter %s holds type '%c', cannot be read as %s", fullPath().c_str(), type_, wanted);
}

long cPar::wholeNumber(double d, bool truncate) const
{
    // -2^63 is a long; 2^63 is not.
    if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0))
        throwError("Parameter %s holds %g, which does not fit in a long", fullPath().c_str(), d);
    if (!truncate && d != std::trunc(d))
        throwError("Parameter %s holds %g, which is not a whole number", fullPath().c_str(), d);
    return static_cast<long>(d);
}

long cPar::convertedLong() const
{
    switch (type_) {
    case LONG: return l_;
    case DOUBLE: return wholeNumber(d_, false);
    case BOOL: return b_ ? 1 : 0;
    case EXPR: return wholeNumber(evaluate(), true);
    default: wrongType("long");
    }
}

double cPar::convertedDouble() const
{
    switch (type_) {
    case LONG: return static_cast<double>(l_);
    case DOUBLE: return d_;
    case BOOL: return b_ ? 1.0 : 0.0;
    case EXPR: return evaluate();
    default: wrongType("double");
    }
}

bool cPar::convertedBool() const
{
    switch (type_) {
    case BOOL: return b_;
    case LONG: return l_ != 0;
    case DOUBLE: return d_ != 0;
    default: wrongType("bool");
    }
}

const char* cPar::stringValue() const
{
    if (type_ != STRING)
        wrongType("string");
    return extra_->text.c_str();
}

cPar& cPar::setStringValue(const char* v)
{
    clear();
    extra().text = v ? v : "";
    type_ = STRING;
    return *this;
}

cPar& cPar::setExpression(std::vector<ExprElem> elems)
{
    clear();
    extra().expression = std::move(elems);
    type_ = EXPR;
    evaluate(); // reject a malformed expression now rather than when first read
    return *this;
}

static double integer_division(double a, double b, char op, const cPar& par)
{
    const double divisor = std::trunc(b);
    if (divisor == 0)
        throwError("Division by zero in parameter %s", par.fullPath().c_str());
    const double quotient = std::trunc(std::trunc(a) / divisor);
    return op == cPar::QUOTIENT ? quotient : std::trunc(a) - quotient * divisor;
}

double cPar::evaluate() const
{
    double stack[32];
    int depth = 0;
    for (const ExprElem& e : extra_->expression) {
        if (e.kind == ExprElem::OP) {
            if (depth < 2)
                throwError("Malformed expression in parameter %s", fullPath().c_str());
            double b = stack[--depth];
            double& a = stack[depth - 1];
            switch (e.op) {
            case '+': a += b; break;
            case '-': a -= b; break;
            case '*': a *= b; break;
            case '/': a /= b; break;
            case QUOTIENT:
            case REMAINDER: a = integer_division(a, b, e.op, *this); break;
            }
            continue;
        }
        if (depth == 32)
            throwError("Expression too deep in parameter %s", fullPath().c_str());
        stack[depth++] = e.kind == ExprElem::CONST ? e.value : e.par->doubleValue();
    }
    if (depth != 1)
        throwError("Malformed expression in parameter %s", fullPath().c_str());
    return stack[0];
}

static bool accepts(const char* declared, const char* letters)
{
    return !*declared || std::strpbrk(declared, letters) != nullptr;
}

// What a parameter of the declared type takes, in words.
static std::string type_in_words(const char* declared)
{
    std::string words;
    auto add = [&words](const char* kind) { words += (words.empty() ? "" : " or ") + std::string(kind); };
    if (accepts(declared, "LDXFT"))
        add("a number");
    if (accepts(declared, "S"))
        add("a string in double quotes");
    if (accepts(declared, "B"))
        add("true or false");
    return words;
}

bool cPar::parse(const char* text, std::string* why)
{
    auto refuse = [why](const std::string& reason) {
        if (why)
            *why = reason;
        return false;
    };
    const char* types = declared();
    const std::string notOfItsType = "is not " + type_in_words(types);
    while (*text == ' ' || *text == '\t')
        ++text;
    std::string t(text);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r'))
        t.pop_back();
    bool wantString = accepts(types, "S");
    bool wantBool = accepts(types, "B");
    if (t.size() >= 2 && t.front() == '"' && t.back() == '"') {
        if (!wantString)
            return refuse(notOfItsType);
        setStringValue(t.substr(1, t.size() - 2).c_str());
        return true;
    }
    if (t == "true" || t == "false") {
        if (!wantBool)
            return refuse(notOfItsType);
        setBoolValue(t == "true");
        return true;
    }
    if (t.empty() || !accepts(types, "LDXFT"))
        return refuse(notOfItsType);
    // Only a parameter that takes nothing but a long is refused a fraction
    // here; the others take a double and are checked when read as a long.
    const bool longOnly = *types && !accepts(types, "DXFT");
    const char* end = nullptr;
    long l = 0;
    DecimalStatus status = readDecimalLong(t.c_str(), l, &end);
    if (*end == '\0' && status == DecimalStatus::OK) {
        setLongValue(l);
        return true;
    }
    if (*end == '\0' && longOnly)
        return refuse("is out of range");
    double d = 0;
    status = readDecimalDouble(t.c_str(), d, &end);
    if (status == DecimalStatus::NOT_A_NUMBER || *end != '\0')
        return refuse("is not a number");
    if (status == DecimalStatus::OUT_OF_RANGE)
        return refuse("is out of range");
    if (longOnly) {
        if (d != std::trunc(d))
            return refuse("is not a whole number");
        if (!(d >= -9223372036854775808.0 && d < 9223372036854775808.0))
            return refuse("is out of range");
        setLongValue(static_cast<long>(d));
        return true;
    }
    setDoubleValue(d);
    return true;
}

// The configuration names a few files and outlives the parameters read
// from it; each name is kept once, for the whole program.
static const char* kept_file_name(const std::string& file)
{
    static std::unordered_set<std::string> names;
    static const std::string* last = nullptr;
    if (!last || *last != file)
        last = &*names.insert(file).first;
    return last->c_str();
}

cPar::IniLine cPar::iniLine() const
{
    return extra_ ? extra_->iniLine : IniLine{};
}

void cPar::setIniLine(const std::string& file, int line)
{
    extra().iniLine = {kept_file_name(file), line};
}

std::string cPar::fullPath() const
{
    return owner_ ? owner_->fullPath() + "." + name() : std::string(name());
}

std::string cPar::str() const
{
    switch (type_) {
    case LONG: return std::to_string(l_);
    case DOUBLE: return opp_format("%g", d_);
    case BOOL: return b_ ? "true" : "false";
    case STRING: return "\"" + extra_->text + "\"";
    case EXPR: return opp_format("%g", evaluate());
    default: return "(no value)";
    }
}
