// Writing values into fields converts them as the Jet engine does.
#include <gtest/gtest.h>

#include <cmath>

#include "dao/dao.h"
#include "tests/dao/test_files.h"

namespace calvora::test {
namespace {

using dao::ColumnType;
using dao::ConvertForField;
using dao::DataType;

const ColumnType kBool{DataType::Boolean, 1};
const ColumnType kByte{DataType::Byte, 1};
const ColumnType kShort{DataType::Integer, 2};
const ColumnType kLong{DataType::Long, 4};
const ColumnType kCurrency{DataType::Currency, 8};
const ColumnType kSingle{DataType::Single, 4};
const ColumnType kDouble{DataType::Double, 8};
const ColumnType kDate{DataType::Date, 8};
const ColumnType kText5{DataType::Text, 5};
const ColumnType kMemo{DataType::Memo, 0};
const ColumnType kGuid{DataType::Guid, 16};
const ColumnType kBinary{DataType::LongBinary, 0};

struct Good {
    Variant in;
    ColumnType type;
    Variant out;
};

TEST(EngineConversion, ValuesThatConvert) {
    const Good cases[] = {
        {Variant::Text("12"), kLong, Variant::Long(12)},
        {Variant::Text(" -7 "), kShort, Variant::Integer(-7)},
        {Variant::Text("1e3"), kLong, Variant::Long(1000)},
        {Variant::Double(2.5), kShort, Variant::Integer(2)},  // half to even
        {Variant::Double(3.5), kShort, Variant::Integer(4)},
        {Variant::Double(-2.5), kLong, Variant::Long(-2)},
        {Variant::Boolean(true), kLong, Variant::Long(-1)},
        {Variant::Integer(255), kByte, Variant::Byte(255)},
        {Variant::Long(0), kBool, Variant::Boolean(false)},
        {Variant::Double(0.1), kBool, Variant::Boolean(true)},
        {Variant::Text("yes"), kBool, Variant::Boolean(true)},
        {Variant::Text("False"), kBool, Variant::Boolean(false)},
        {Variant::Text("-1"), kBool, Variant::Boolean(true)},
        {Variant::Text("1.23456"), kCurrency, Variant::Currency(Currency{12346})},
        {Variant::Long(3), kCurrency, Variant::Currency(Currency{30000})},
        {Variant::Text("0.1"), kSingle, Variant::Single(0.1f)},
        {Variant::Currency(Currency{15000}), kDouble, Variant::Double(1.5)},
        {Variant::Text("2024-02-29 13:30:15"), kDate, Variant::Date(Date{45351.5626736111})},
        {Variant::Text("1899-12-29 12:00"), kDate, Variant::Date(Date{-1.5})},
        {Variant::Text("06:00"), kDate, Variant::Date(Date{0.25})},
        {Variant::Long(2), kDate, Variant::Date(Date{2})},
        {Variant::Long(42), kText5, Variant::Text("42")},
        {Variant::Double(0.5), kText5, Variant::Text("0.5")},
        {Variant::Boolean(false), kText5, Variant::Text("0")},
        {Variant::Currency(Currency{-12500}), kText5, Variant::Text("-1.25")},
        {Variant::Text("Größe"), kText5, Variant::Text("Größe")},  // 5 characters, 7 bytes
        {Variant::Date(Date{1.75}), kMemo, Variant::Text("1899-12-31 18:00:00")},
        {Variant::Text("{0123abcd-0000-1111-2222-333344445555}"), kGuid,
         Variant::Text("{0123ABCD-0000-1111-2222-333344445555}")},
        {Variant::Text("0123abcd-0000-1111-2222-333344445555"), kGuid,
         Variant::Text("{0123ABCD-0000-1111-2222-333344445555}")},
        {Variant::Text("ab"), kBinary, Variant::Binary(Bytes{'a', 'b'})},
        {Variant(), kLong, Variant::Null()},
        {Variant::Null(), kText5, Variant::Null()},
        {Variant::Null(), kBool, Variant::Null()},
    };
    for (const Good& c : cases) {
        const Variant out = ConvertForField(c.in, c.type, "T.f");
        if (c.out.Type() == VarType::Date) {
            ASSERT_EQ(out.Type(), VarType::Date);
            EXPECT_NEAR(out.AsDate().serial, c.out.AsDate().serial, 1e-9);
        } else {
            EXPECT_EQ(out, c.out) << static_cast<int>(c.type.type);
        }
    }
}

struct Bad {
    Variant in;
    ColumnType type;
    int number;
};

TEST(EngineConversion, ValuesThatDoNot) {
    const Bad cases[] = {
        {Variant::Text("abc"), kLong, 3421},      {Variant::Text(""), kLong, 3421},
        {Variant::Text("12abc"), kDouble, 3421},  {Variant::Text("inf"), kDouble, 3421},
        {Variant::Text("nan"), kSingle, 3421},    {Variant::Long(70000), kShort, 3421},
        {Variant::Long(256), kByte, 3421},        {Variant::Integer(-1), kByte, 3421},
        {Variant::Double(3e9), kLong, 3421},      {Variant::Double(1e300), kSingle, 3421},
        {Variant::Double(1e15), kCurrency, 3421}, {Variant::Double(std::nan("")), kDouble, 3421},
        {Variant::Text("maybe"), kBool, 3421},    {Variant::Text("2023-02-30"), kDate, 3421},
        {Variant::Text("tomorrow"), kDate, 3421}, {Variant::Double(1e7), kDate, 3421},
        {Variant::Text("123456"), kText5, 3163},  {Variant::Long(123456), kText5, 3163},
        {Variant::Text("{nope}"), kGuid, 3421},   {Variant::Long(1), kGuid, 3421},
        {Variant::Long(1), kBinary, 3421},        {Variant::Binary(Bytes{1}), kMemo, 3421},
        {Variant::Binary(Bytes{1}), kLong, 3421},
    };
    for (const Bad& c : cases)
        EXPECT_EQ(FailureNumber([&] { ConvertForField(c.in, c.type, "T.f"); }), c.number)
            << static_cast<int>(c.type.type);
}

TEST(EngineConversion, FailureNamesTheField) {
    const std::string text =
        FailureText([] { ConvertForField(Variant::Text("abc"), kLong, "PRESET_DEFS.min"); });
    EXPECT_NE(text.find("PRESET_DEFS.min"), std::string::npos) << text;
    EXPECT_NE(text.find("abc"), std::string::npos) << text;
}

TEST(EngineConversion, DeclaredTypes) {
    EXPECT_EQ(dao::ParseDeclaredType("text(50)"), (ColumnType{DataType::Text, 50}));
    EXPECT_EQ(dao::ParseDeclaredType("TEXT"), (ColumnType{DataType::Text, 255}));
    EXPECT_EQ(dao::ParseDeclaredType("Counter"), (ColumnType{DataType::Long, 4, true}));
    EXPECT_EQ(dao::ParseDeclaredType("INTEGER"), (ColumnType{DataType::Long, 4}));
    EXPECT_EQ(dao::ParseDeclaredType("VARCHAR(10)"), (ColumnType{DataType::Memo, 0}));
    EXPECT_EQ(dao::ParseDeclaredType("REAL"), (ColumnType{DataType::Double, 8}));
    EXPECT_EQ(dao::ParseDeclaredType(""), (ColumnType{DataType::LongBinary, 0}));
    EXPECT_EQ(dao::DeclaredTypeFor(DataType::Text, 12), "TEXT(12)");
    EXPECT_EQ(dao::DeclaredTypeFor(DataType::Boolean, 99), "BIT");
}

TEST(EngineConversion, DatesRoundTripThroughTheirText) {
    for (double serial : {0.0, 1.5, -1.25, 45351.5, -657434.0, 2958465.999988426}) {
        Date d;
        ASSERT_TRUE(dao::TextToDate(dao::DateToText(Date{serial}), d)) << serial;
        EXPECT_NEAR(d.serial, serial, 1.0 / 86400) << serial;
    }
    EXPECT_EQ(dao::DateToText(Date{0}), "1899-12-30 00:00:00");
    EXPECT_EQ(dao::DateToText(Date{-1.5}), "1899-12-29 12:00:00");
}

}  // namespace
}  // namespace calvora::test
