#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "sim/MessagePool.h"
#include "sim/cObject.h"

// A parameter of a module or a message: a long (64-bit, wide enough to carry
// an object address), a double, a bool, a string, or a numeric expression in
// postfix form. A parameter can exist with no value yet; an input parameter is
// one still waiting for its value from the configuration.
class cPar : public cObject {
  public:
    enum Type : char { NONE = '?', LONG = 'L', DOUBLE = 'D', BOOL = 'B', STRING = 'S', EXPR = 'X' };

    // One element of a postfix expression: a constant, a parameter (the
    // element owns its own copy, taken when the expression is built) or one of
    // the operators + - * / and QUOTIENT and REMAINDER, which truncate both
    // operands toward zero before dividing.
    static constexpr char QUOTIENT = 'q';
    static constexpr char REMAINDER = '%';
    struct ExprElem {
        enum Kind : char { CONST, PAR, OP } kind = CONST;
        double value = 0;
        char op = 0;
        std::shared_ptr<const cPar> par;

        static ExprElem constant(double v);
        static ExprElem parameter(const cPar& p);
        static ExprElem oper(char op);
    };

    explicit cPar(const char* name = nullptr) : cObject(name) {}
    cPar(const cPar& other);
    cPar& operator=(const cPar& other); // takes the value, keeps the name
    ~cPar() override = default;

    const char* className() const override { return "cPar"; }
    cPar* dup() const override { return new cPar(*this); }

    // Messages carry parameters made and freed for every frame or I/O: their
    // storage comes from the message pool.
    static void* operator new(size_t size) { return MessagePool::allocate(size); }
    static void operator delete(void* p, size_t size) { MessagePool::release(p, size); }
    std::string fullPath() const override;

    // The module or message the parameter belongs to, for error texts.
    void setOwner(const cObject* owner) { owner_ = owner; }

    Type type() const { return type_; }
    bool hasValue() const { return type_ != NONE; }
    bool isNumeric() const { return type_ == LONG || type_ == DOUBLE || type_ == EXPR || type_ == BOOL; }
    bool isInput() const { return input_; }
    void setInput(bool input) { input_ = input; }

    // What values the parameter accepts as declared by its module interface:
    // "S" string, "B" bool, or a string of numeric letters such as "LDXFT".
    // Empty accepts anything. The text must outlive the parameter (interface
    // tables and literals do).
    std::string_view declaredType() const { return declared(); }
    void setDeclaredType(const char* types);

    // A double read as a long must be a whole number that fits in one; an
    // expression's value is cut to its whole part.
    // The reads and writes of a value of the parameter's own type are
    // inline: counters and flags of the model are read and set on every frame.
    long longValue() const { return type_ == LONG ? l_ : convertedLong(); }
    double doubleValue() const { return type_ == DOUBLE ? d_ : convertedDouble(); }
    bool boolValue() const { return type_ == BOOL ? b_ : convertedBool(); }
    const char* stringValue() const;

    cPar& setLongValue(long v)
    {
        clear();
        type_ = LONG;
        l_ = v;
        return *this;
    }
    cPar& setDoubleValue(double v)
    {
        clear();
        type_ = DOUBLE;
        d_ = v;
        return *this;
    }
    cPar& setBoolValue(bool v)
    {
        clear();
        type_ = BOOL;
        b_ = v;
        return *this;
    }
    cPar& setStringValue(const char* v);
    cPar& setExpression(std::vector<ExprElem> elems);

    cPar& operator=(long v) { return setLongValue(v); }
    cPar& operator=(int v) { return setLongValue(v); }
    cPar& operator=(unsigned v) { return setLongValue(static_cast<long>(v)); }
    cPar& operator=(unsigned long v) { return setLongValue(static_cast<long>(v)); }
    cPar& operator=(double v) { return setDoubleValue(v); }
    cPar& operator=(bool v) { return setBoolValue(v); }
    cPar& operator=(const char* v) { return setStringValue(v); }

    // Sets the value from configuration text: a quoted string, true/false, a
    // decimal whole number or a decimal real number. Returns false, changing
    // nothing, when the text is not a value of the declared type; `why` then
    // says what is wrong with it.
    bool parse(const char* text, std::string* why = nullptr);

    // The value as text, for logs and inspectors.
    std::string str() const;

    // The configuration line that gave the parameter its value when it was
    // read as an input: its file as the configuration names it, and its
    // number. `file` is null when no line did (a value set by the model, or
    // a copy of another parameter's).
    struct IniLine {
        const char* file = nullptr;
        int line = 0;
    };
    IniLine iniLine() const;
    void setIniLine(const std::string& file, int line);

  private:
    struct Extra;

    [[noreturn]] void wrongType(const char* wanted) const;
    long wholeNumber(double d, bool truncate) const;
    double evaluate() const;
    long convertedLong() const;
    double convertedDouble() const;
    bool convertedBool() const;
    void clear()
    {
        // Only a string or an expression has anything to let go of.
        if (type_ == STRING || type_ == EXPR)
            releaseHeld();
        input_ = false;
    }
    void releaseHeld();
    Extra& extra();
    void copyExtra(const Extra& from);
    const char* declared() const;

    Type type_ = NONE;
    bool input_ = false;
    union {
        long l_;
        double d_;
        bool b_;
    };
    const cObject* owner_ = nullptr;
    // A string, an expression or a declared type lives apart, made only for
    // the parameters that have one: the many that messages carry hold a plain
    // number and stay small. Freed out of line, so that destroying the others
    // stays short.
    struct ExtraDeleter {
        [[gnu::noinline]] void operator()(Extra* extra) const;
    };
    std::unique_ptr<Extra, ExtraDeleter> extra_;
};
