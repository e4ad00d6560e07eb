// A value of any type, as the runtime and the database engine pass it around:
// empty, null, Boolean, Byte, Integer (16-bit), Long (32-bit), Currency,
// Single, Double, Date, text and binary. INI writes choose their text by the
// value's type; database fields read and write values of this type.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <utility>
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

// Copied, moved and compared in every database read and write, so the
// common values (numbers, null, empty) are plain bytes handled inline: only
// a text or binary value owns memory.
class Variant {
  public:
    Variant() noexcept {}  // Empty
    Variant(const Variant& other) { CopyFrom(other); }
    Variant(Variant&& other) noexcept { MoveFrom(other); }
    Variant& operator=(const Variant& other) {
        if (this != &other) {
            Variant copy(other);
            *this = std::move(copy);
        }
        return *this;
    }
    Variant& operator=(Variant&& other) noexcept {
        if (this != &other) {
            Release();
            MoveFrom(other);
        }
        return *this;
    }
    ~Variant() { Release(); }

    static Variant Null() { return Variant(VarType::Null); }
    static Variant Boolean(bool v) { return Of<&Payload::boolean>(VarType::Boolean, v); }
    static Variant Byte(uint8_t v) { return Of<&Payload::byte>(VarType::Byte, v); }
    static Variant Integer(int16_t v) { return Of<&Payload::integer>(VarType::Integer, v); }
    static Variant Long(int32_t v) { return Of<&Payload::longValue>(VarType::Long, v); }
    static Variant Currency(calvora::Currency v) {
        return Of<&Payload::currency>(VarType::Currency, v);
    }
    static Variant Single(float v) { return Of<&Payload::single>(VarType::Single, v); }
    static Variant Double(double v) { return Of<&Payload::real>(VarType::Double, v); }
    static Variant Date(calvora::Date v) { return Of<&Payload::date>(VarType::Date, v); }
    static Variant Text(std::string v) {
        Variant r;
        ::new (static_cast<void*>(&r.p_.text)) std::string(std::move(v));
        r.type_ = VarType::String;
        return r;
    }
    static Variant Binary(calvora::Bytes v) {
        Variant r;
        ::new (static_cast<void*>(&r.p_.binary)) calvora::Bytes(std::move(v));
        r.type_ = VarType::Binary;
        return r;
    }

    VarType Type() const { return type_; }
    bool IsEmpty() const { return type_ == VarType::Empty; }
    bool IsNull() const { return type_ == VarType::Null; }
    bool IsText() const { return type_ == VarType::String; }
    // Boolean, Byte, Integer, Long, Currency, Single or Double.
    bool IsNumeric() const;

    // Exact accessors: each raises 13 (type mismatch) when the value holds
    // another type.
    bool AsBoolean() const { return Checked(VarType::Boolean).boolean; }
    uint8_t AsByte() const { return Checked(VarType::Byte).byte; }
    int16_t AsInteger() const { return Checked(VarType::Integer).integer; }
    int32_t AsLong() const { return Checked(VarType::Long).longValue; }
    calvora::Currency AsCurrency() const { return Checked(VarType::Currency).currency; }
    float AsSingle() const { return Checked(VarType::Single).single; }
    double AsDouble() const { return Checked(VarType::Double).real; }
    calvora::Date AsDate() const { return Checked(VarType::Date).date; }
    const std::string& AsText() const { return Checked(VarType::String).text; }
    const calvora::Bytes& AsBinary() const { return Checked(VarType::Binary).binary; }

    // The numeric value of a Boolean (-1/0) or number as a double. Raises 13
    // for any other type.
    double NumericValue() const;

    // Equal types and equal values (a NaN equals nothing).
    friend bool operator==(const Variant& a, const Variant& b);

  private:
    union Payload {
        Payload() {}
        ~Payload() {}
        bool boolean;
        uint8_t byte;
        int16_t integer;
        int32_t longValue;
        calvora::Currency currency;
        float single;
        double real;
        calvora::Date date;
        std::string text;
        calvora::Bytes binary;
    };

    explicit Variant(VarType type) : type_(type) {}
    // A value of one of the plain types, held in that member.
    template <auto member, class T>
    static Variant Of(VarType type, T v) {
        Variant r(type);
        ::new (static_cast<void*>(&(r.p_.*member))) T(v);
        return r;
    }
    static bool Owns(VarType type) { return type == VarType::String || type == VarType::Binary; }
    const Payload& Checked(VarType type) const {
        if (type_ != type)
            RaiseMismatch();
        return p_;
    }
    [[noreturn]] static void RaiseMismatch();
    // Copying a text or binary data allocates anyway, and binary data is
    // rare: these stay out of line. Moving and releasing a text, which every
    // record read, generated and written does for each of its texts, are
    // inline.
    void CopyOwned(const Variant& other);
    void MoveBinary(Variant& other) noexcept;
    void ReleaseBinary() noexcept;

    // Every other type is at most eight plain bytes.
    void CopyFrom(const Variant& other) {
        if (Owns(other.type_))
            return CopyOwned(other);
        std::memcpy(static_cast<void*>(&p_), static_cast<const void*>(&other.p_), sizeof(double));
        type_ = other.type_;
    }
    // The moved-from value keeps its type, its text or data moved out.
    void MoveFrom(Variant& other) noexcept {
        if (other.type_ == VarType::String) {
            ::new (static_cast<void*>(&p_.text)) std::string(std::move(other.p_.text));
            type_ = VarType::String;
            return;
        }
        if (other.type_ == VarType::Binary)
            return MoveBinary(other);
        std::memcpy(static_cast<void*>(&p_), static_cast<const void*>(&other.p_), sizeof(double));
        type_ = other.type_;
    }
    void Release() noexcept {
        if (type_ == VarType::String)
            p_.text.~basic_string();
        else if (type_ == VarType::Binary)
            ReleaseBinary();
        type_ = VarType::Empty;
    }

    VarType type_ = VarType::Empty;
    Payload p_;
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
