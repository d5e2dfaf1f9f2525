#include <gtest/gtest.h>

#include "sim/cPar.h"
#include "sim/cException.h"
#include "sim/ObjectAddress.h"

namespace {

TEST(Par, ConvertsBetweenLongDoubleAndBool)
{
    cPar p("p");
    EXPECT_FALSE(p.hasValue());
    p = 42L;
    EXPECT_EQ(p.type(), cPar::LONG);
    EXPECT_DOUBLE_EQ(p.doubleValue(), 42.0);
    EXPECT_TRUE(p.boolValue());
    p = 2.75;
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
    EXPECT_THROW(cPar::ExprElem::oper('%'), cRuntimeError);
}

TEST(Par, ParsesConfigurationTextAccordingToTheDeclaredType)
{
    cPar any("any");
    ASSERT_TRUE(any.parse(" 0x10 "));
    EXPECT_EQ(any.type(), cPar::LONG);
    EXPECT_EQ(any.longValue(), 16);
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

TEST(Par, AssignmentTakesTheValueAndKeepsTheName)
{
    cPar a("a"), b("b");
    b = "value";
    a = b;
    EXPECT_STREQ(a.name(), "a");
    EXPECT_STREQ(a.stringValue(), "value");
}

} // namespace
