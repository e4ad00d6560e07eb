#include "platform/variant.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

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

// One value of each type, the owning ones long enough to live on the heap.
// A text of up to 13 bytes lies in the value itself, a longer one apart:
// either reads back whole, after copies and moves too.
TEST(Variant, TextsOnBothSidesOfTheInPlaceLimitReadBackWhole) {
    for (const std::string& text :
         {std::string(), std::string(12, 'a'), std::string(13, 'b'), std::string(14, 'c'),
          std::string(100, 'd'), std::string("\0x\0", 3), std::string("\xC3\xA4\xC3\xB6")}) {
        const Variant made = Variant::Text(text);
        EXPECT_EQ(made.AsText(), text);
        Variant copied = made;
        EXPECT_EQ(copied.AsText(), text);
        Variant moved = std::move(copied);
        EXPECT_EQ(moved.AsText(), text);
        moved = made;
        EXPECT_EQ(moved.AsText(), text);
    }
}

std::vector<Variant> OneOfEach() {
    return {Variant(),
            Variant::Null(),
            Variant::Boolean(true),
            Variant::Byte(200),
            Variant::Integer(-2),
            Variant::Long(70000),
            Variant::Currency({-12345}),
            Variant::Single(1.5f),
            Variant::Double(-2.25),
            Variant::Date({45000.5}),
            Variant::Text("a text too long to lie in the value itself"),
            Variant::Text(""),
            Variant::Text("13 bytes, in."),
            Variant::Text("14 bytes, out."),
            Variant::Text(std::string("\0a\0", 3)),
            Variant::Binary(Bytes(40, 7)),
            Variant::Binary(Bytes())};
}

TEST(Variant, CopiesMovesAndAssignmentsBetweenAllTypesKeepValuesApart) {
    const std::vector<Variant> values = OneOfEach();
    for (size_t i = 0; i < values.size(); ++i) {
        for (size_t j = 0; j < values.size(); ++j) {
            SCOPED_TRACE(testing::Message() << "from type " << static_cast<int>(values[j].Type())
                                            << " over type " << static_cast<int>(values[i].Type()));
            EXPECT_EQ(i == j, values[i] == values[j]);
            Variant copied = values[i];
            copied = values[j];
            EXPECT_EQ(copied, values[j]);
            Variant moved = values[i];
            Variant source = values[j];
            moved = std::move(source);
            EXPECT_EQ(moved, values[j]);
            EXPECT_EQ(source.Type(), values[j].Type());  // moved from, still of its type
            if (source.IsText()) {
                EXPECT_EQ(source.AsText(), "");
            }
            if (source.Type() == VarType::Binary) {
                EXPECT_TRUE(source.AsBinary().empty());
            }
            source = values[i];
            EXPECT_EQ(source, values[i]);
        }
        Variant self = values[i];
        const Variant& alias = self;
        self = alias;
        EXPECT_EQ(self, values[i]);
        Variant constructed(std::move(self));
        EXPECT_EQ(constructed, values[i]);
    }
    EXPECT_NE(Variant::Double(std::nan("")), Variant::Double(std::nan("")));
    EXPECT_NE(Variant::Date({1}), Variant::Double(1));
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
