#include "platform/variant.h"

#include <gtest/gtest.h>

#include "platform/failure.h"
#include "tests/support/german_locale.h"

namespace calvora {
namespace {

TEST(Variant, KeepsItsType) {
    EXPECT_EQ(Variant().Type(), VarType::Empty);
    EXPECT_EQ(Variant::Null().Type(), VarType::Null);
    EXPECT_EQ(Variant::Boolean(true).Type(), VarType::Boolean);
    EXPECT_EQ(Variant::Byte(1).Type(), VarType::Byte);
    EXPECT_EQ(Variant::Integer(1).Type(), VarType::Integer);
    EXPECT_EQ(Variant::Long(1).Type(), VarType::Long);
    EXPECT_EQ(Variant::Currency({1}).Type(), VarType::Currency);
    EXPECT_EQ(Variant::Single(1).Type(), VarType::Single);
    EXPECT_EQ(Variant::Double(1).Type(), VarType::Double);
    EXPECT_EQ(Variant::Date({1}).Type(), VarType::Date);
    EXPECT_EQ(Variant::Text("x").Type(), VarType::String);
    EXPECT_EQ(Variant::Binary({1}).Type(), VarType::Binary);
    EXPECT_NE(Variant::Integer(1), Variant::Long(1));
    EXPECT_EQ(Variant::Text("a"), Variant::Text("a"));
}

TEST(Variant, WrongAccessorIsTypeMismatch) {
    try {
        Variant::Text("12").AsLong();
        FAIL();
    } catch (const Failure& f) {
        EXPECT_EQ(f.Number(), 13);
    }
    EXPECT_DOUBLE_EQ(Variant::Boolean(true).NumericValue(), -1.0);
    EXPECT_DOUBLE_EQ(Variant::Currency({-1}).NumericValue(), -0.0001);
}

TEST(Variant, NumbersBecomeLocaleIndependentText) {
    // A German user's locale must never put a decimal comma into a file.
    test::GermanLocale german;
    ASSERT_TRUE(german.Problem().empty()) << german.Problem();
    EXPECT_EQ(NumberToText(Variant::Double(1.5)), "1.5");
    EXPECT_EQ(NumberToText(Variant::Integer(5)), "5");
    EXPECT_EQ(NumberToText(Variant::Integer(-5)), "-5");
    EXPECT_EQ(NumberToText(Variant::Long(-2147483647 - 1)), "-2147483648");
    EXPECT_EQ(NumberToText(Variant::Byte(255)), "255");
    EXPECT_EQ(NumberToText(Variant::Single(0.1f)), "0.1");
    EXPECT_EQ(NumberToText(Variant::Double(0.1)), "0.1");
    EXPECT_EQ(NumberToText(Variant::Double(1.0 / 3)), "0.333333333333333");
    EXPECT_EQ(NumberToText(Variant::Double(1e15)), "1E+15");
    EXPECT_EQ(NumberToText(Variant::Double(1e14)), "100000000000000");
    EXPECT_EQ(NumberToText(Variant::Double(0.00001)), "1E-05");
    EXPECT_THROW(NumberToText(Variant::Text("1")), Failure);
    EXPECT_THROW(NumberToText(Variant::Boolean(true)), Failure);
}

// Round numbers were once written in a one-digit exponent form (6E+01).
TEST(Variant, RoundNumbersNoLongerTurnIntoExponentForm) {
    EXPECT_EQ(NumberToText(Variant::Double(60)), "60");
    EXPECT_EQ(NumberToText(Variant::Double(-400)), "-400");
    EXPECT_EQ(NumberToText(Variant::Single(260)), "260");
}

}  // namespace
}  // namespace calvora
