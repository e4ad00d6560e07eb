// A value of any type, as the runtime and the database engine pass it around:
// empty, null, Boolean, Byte, Integer (16-bit), Long (32-bit), Currency,
// Single, Double, Date, text and binary. INI writes choose their text by the
// value's type; database fields read and write values of this type.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace calvora {

// Type codes of the runtime's VarType.
enum class VarType : int {
    Empty = 0,
    Null = 1,
    Integer = 2,
    Long = 3,
    Single = 4,
    Double = 5,
    Currency = 6,
    Date = 7,
    String = 8,
    Boolean = 11,
    Byte = 17,
    Binary = 8209,  // array of bytes
};

// Fixed point with four decimals: the value times 10,000.
struct Currency {
    int64_t scaled = 0;
    friend bool operator==(Currency, Currency) = default;
};

// Days since 1899-12-30; the fraction is the time of day.
struct Date {
    double serial = 0;
    friend bool operator==(Date, Date) = default;
};

using Bytes = std::vector<uint8_t>;

class Variant {
  public:
    Variant() = default;  // Empty

    static Variant Null() { return Variant(Storage(NullTag{})); }
    static Variant Boolean(bool v) { return Variant(Storage(BoolTag{v})); }
    static Variant Byte(uint8_t v) { return Variant(Storage(v)); }
    static Variant Integer(int16_t v) { return Variant(Storage(v)); }
    static Variant Long(int32_t v) { return Variant(Storage(v)); }
    static Variant Currency(calvora::Currency v) { return Variant(Storage(v)); }
    static Variant Single(float v) { return Variant(Storage(v)); }
    static Variant Double(double v) { return Variant(Storage(v)); }
    static Variant Date(calvora::Date v) { return Variant(Storage(v)); }
    static Variant Text(std::string v) { return Variant(Storage(std::move(v))); }
    static Variant Binary(calvora::Bytes v) { return Variant(Storage(std::move(v))); }

    VarType Type() const {
        static constexpr VarType kByIndex[] = {
            VarType::Empty,   VarType::Null, VarType::Boolean,  VarType::Byte,
            VarType::Integer, VarType::Long, VarType::Currency, VarType::Single,
            VarType::Double,  VarType::Date, VarType::String,   VarType::Binary,
        };
        return kByIndex[v_.index()];
    }
    bool IsEmpty() const { return Type() == VarType::Empty; }
    bool IsNull() const { return Type() == VarType::Null; }
    bool IsText() const { return Type() == VarType::String; }
    // Boolean, Byte, Integer, Long, Currency, Single or Double.
    bool IsNumeric() const;

    // Exact accessors: each raises 13 (type mismatch) when the value holds
    // another type.
    bool AsBoolean() const;
    uint8_t AsByte() const;
    int16_t AsInteger() const;
    int32_t AsLong() const;
    calvora::Currency AsCurrency() const;
    float AsSingle() const;
    double AsDouble() const;
    calvora::Date AsDate() const;
    const std::string& AsText() const;
    const calvora::Bytes& AsBinary() const;

    // The numeric value of a Boolean (-1/0) or number as a double. Raises 13
    // for any other type.
    double NumericValue() const;

    friend bool operator==(const Variant&, const Variant&) = default;

  private:
    struct NullTag {
        friend bool operator==(NullTag, NullTag) = default;
    };
    struct BoolTag {
        bool v;
        friend bool operator==(BoolTag, BoolTag) = default;
    };
    using Storage =
        std::variant<std::monostate, NullTag, BoolTag, uint8_t, int16_t, int32_t, calvora::Currency,
                     float, double, calvora::Date, std::string, calvora::Bytes>;
    explicit Variant(Storage s) : v_(std::move(s)) {}
    Storage v_;
};

// The runtime's plain, locale-independent number-to-text conversion for
// Byte, Integer, Long, Single and Double: decimal point ".", "-" for
// negative numbers, no blanks; Single keeps 7 significant digits and Double
// 15, the shortest text that reads back as the same value at that precision.
// Raises 13 for any other type.
std::string NumberToText(const Variant& v);

// Binary data as upper-case hex digits, two per byte.
std::string HexText(const Bytes& bytes);

}  // namespace calvora
