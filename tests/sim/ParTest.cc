#include <gtest/gtest.h>

#include <cmath>

#include "sim/ObjectAddress.h"
#include "sim/cException.h"
#include "sim/cPar.h"
#include "tests/shared/TestHelpers.h"

namespace {

TEST(Par, ConvertsBetweenLongDoubleAndBool)
{
    cPar p("p");
    EXPECT_FALSE(p.hasValue());
    p = 42L;
    EXPECT_EQ(p.type(), cPar::LONG);
    EXPECT_DOUBLE_EQ(p.doubleValue(), 42.0);
    EXPECT_TRUE(p.boolValue());
    p = 2.0;
    EXPECT_EQ(p.longValue(), 2);
    p = true;
    EXPECT_EQ(p.longValue(), 1);
    // Addresses fit in a long on this machine.
    int object = 0;
    p = object_address(&object);
    EXPECT_EQ(object_at<int>(p.longValue()), &object);
}

TEST(Par, ReadingAValueOfTheWrongKindIsAnError)
{
    cPar p("name");
    EXPECT_THROW(p.longValue(), cRuntimeError);
    p = "text";
    EXPECT_STREQ(p.stringValue(), "text");
    EXPECT_THROW(p.doubleValue(), cRuntimeError);
    p = 1L;
    EXPECT_THROW(p.stringValue(), cRuntimeError);
}

TEST(Par, SettingAValueClearsTheInputFlag)
{
    cPar p("p");
    p.setInput(true);
    p = 3L;
    EXPECT_FALSE(p.isInput());
}

TEST(Par, PostfixExpressionHoldsCopiesOfTheParametersItNames)
{
    cPar distance("distance");
    distance = 3000.0;
    cPar speed("light_speed");
    speed = 200000.0;
    cPar delay("delay");
    delay.setExpression({cPar::ExprElem::parameter(distance), cPar::ExprElem::parameter(speed),
                         cPar::ExprElem::oper('/'), cPar::ExprElem::constant(2), cPar::ExprElem::oper('*')});
    EXPECT_DOUBLE_EQ(delay.doubleValue(), 0.03);
    distance = 1.0; // the expression keeps its own copy
    EXPECT_DOUBLE_EQ(delay.doubleValue(), 0.03);
    cPar copy(delay);
    EXPECT_DOUBLE_EQ(copy.doubleValue(), 0.03);
    EXPECT_EQ(copy.longValue(), 0);
}

TEST(Par, MalformedExpressionIsRejectedWhenBuilt)
{
    cPar p("p");
    EXPECT_THROW(p.setExpression({cPar::ExprElem::constant(1), cPar::ExprElem::oper('+')}), cRuntimeError);
    EXPECT_THROW(p.setExpression({cPar::ExprElem::constant(1), cPar::ExprElem::constant(2)}), cRuntimeError);
    EXPECT_THROW(cPar::ExprElem::oper('^'), cRuntimeError);
}

TEST(Par, ParsesConfigurationTextAccordingToTheDeclaredType)
{
    cPar any("any");
    ASSERT_TRUE(any.parse(" 010 "));
    EXPECT_EQ(any.type(), cPar::LONG);
    EXPECT_EQ(any.longValue(), 10);
    ASSERT_TRUE(any.parse("1.5e-3"));
    EXPECT_EQ(any.type(), cPar::DOUBLE);
    ASSERT_TRUE(any.parse("\"host.conf\""));
    EXPECT_STREQ(any.stringValue(), "host.conf");
    ASSERT_TRUE(any.parse("false"));
    EXPECT_FALSE(any.boolValue());

    cPar number("n");
    number.setDeclaredType("LDXFT");
    EXPECT_FALSE(number.parse("\"text\""));
    EXPECT_FALSE(number.parse("12abc"));
    EXPECT_TRUE(number.parse("12"));
    cPar text("s");
    text.setDeclaredType("S");
    EXPECT_FALSE(text.parse("12"));
    cPar flag("b");
    flag.setDeclaredType("B");
    EXPECT_FALSE(flag.parse("1.0"));
    EXPECT_TRUE(flag.parse("true"));
}

TEST(Par, ConfigurationNumbersAreDecimalAndFitTheirType)
{
    struct Case {
        const char* declared;
        const char* text;
        const char* result; // the value as text, or why the text is refused
    };
    const Case cases[] = {
        {"LDXFT", "010", "10"},
        {"LDXFT", "-12", "-12"},
        {"LDXFT", "2.5e3", "2500"},
        {"LDXFT", "99999999999999999999999", "1e+23"},
        {"LDXFT", "1e400", "is out of range"},
        {"LDXFT", "nan", "is not a number"},
        {"LDXFT", "inf", "is not a number"},
        {"LDXFT", "0x10", "is not a number"},
        {"LDXFT", "12abc", "is not a number"},
        {"L", "7", "7"},
        {"L", "1e3", "1000"},
        {"L", "2.7", "is not a whole number"},
        {"L", "1e300", "is out of range"},
        {"L", "99999999999999999999999", "is out of range"},
        {"L", "-9223372036854775808", "-9223372036854775808"},
        {"S", "12", "is not a string in double quotes"},
        {"B", "1.0", "is not true or false"},
    };
    for (const Case& c : cases) {
        cPar p("p");
        p.setDeclaredType(c.declared);
        std::string why;
        const bool taken = p.parse(c.text, &why);
        EXPECT_EQ(taken ? p.str() : why, c.result) << c.declared << " " << c.text;
        EXPECT_EQ(taken, p.hasValue()) << c.text;
    }
}

TEST(Par, ADoubleReadAsALongMustBeAWholeNumberThatFits)
{
    struct Case {
        double value;
        const char* error; // null: reads as the value
    };
    const Case cases[] = {
        {-4.0, nullptr},
        {9.2e18, nullptr},
        {2.7, "Parameter n holds 2.7, which is not a whole number"},
        {1e300, "Parameter n holds 1e+300, which does not fit in a long"},
        {9223372036854775808.0, "Parameter n holds 9.22337e+18, which does not fit in a long"},
        {std::nan(""), "Parameter n holds nan, which does not fit in a long"},
        {-HUGE_VAL, "Parameter n holds -inf, which does not fit in a long"},
    };
    for (const Case& c : cases) {
        cPar n("n");
        n = c.value;
        if (c.error)
            EXPECT_EQ(errorOf([&] { n.longValue(); }), c.error) << c.value;
        else
            EXPECT_EQ(n.longValue(), static_cast<long>(c.value));
    }
    // An expression's value is cut to its whole part, but must fit too.
    cPar e("e");
    e.setExpression({cPar::ExprElem::constant(7), cPar::ExprElem::constant(2), cPar::ExprElem::oper('/')});
    EXPECT_EQ(e.longValue(), 3);
    e.setExpression({cPar::ExprElem::constant(1), cPar::ExprElem::constant(0), cPar::ExprElem::oper('/')});
    EXPECT_EQ(errorOf([&] { e.longValue(); }), "Parameter e holds inf, which does not fit in a long");
}

TEST(Par, AssignmentTakesTheValueAndKeepsTheName)
{
    cPar a("a"), b("b");
    b = "value";
    a = b;
    EXPECT_STREQ(a.name(), "a");
    EXPECT_STREQ(a.stringValue(), "value");
}

TEST(Par, CopiesHoldTheirOwnStringExpressionAndDeclaredType)
{
    cPar text("text");
    text.setDeclaredType("S");
    text = "first";
    cPar copy(text);
    text = "second";
    EXPECT_STREQ(copy.stringValue(), "first");
    EXPECT_EQ(copy.declaredType(), "S");

    // An assigned parameter keeps its own declared type.
    cPar flag("flag");
    flag.setDeclaredType("B");
    flag = copy;
    EXPECT_EQ(flag.declaredType(), "B");
    EXPECT_EQ(flag.str(), "\"first\"");
    flag = true;
    EXPECT_THROW(flag.stringValue(), cRuntimeError);

    cPar sum("sum");
    sum.setExpression({cPar::ExprElem::constant(1), cPar::ExprElem::constant(2), cPar::ExprElem::oper('+')});
    copy = sum;
    sum = 0L;
    EXPECT_DOUBLE_EQ(copy.doubleValue(), 3.0);
    EXPECT_EQ(copy.type(), cPar::EXPR);
    EXPECT_EQ(copy.declaredType(), "S");
}

} // namespace
