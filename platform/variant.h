// A value of any type, as the runtime and the database engine pass it around:
// empty, null, Boolean, Byte, Integer (16-bit), Long (32-bit), Currency,
// Single, Double, Date, text and binary. INI writes choose their text by the
// value's type; database fields read and write values of this type.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
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

// Copied, moved and compared in every database read and write, and held by
// the hundred thousands in a large run's tables, so a value takes sixteen
// bytes: its type, then eight bytes of number, or a short text (up to 13
// bytes, the common names and keys) in place. Only a longer text or binary
// data owns memory of its own. A run's memory, and with it its time, grows
// with the size of this type.
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
    static Variant Boolean(bool v) { return Of(VarType::Boolean, v); }
    static Variant Byte(uint8_t v) { return Of(VarType::Byte, v); }
    static Variant Integer(int16_t v) { return Of(VarType::Integer, v); }
    static Variant Long(int32_t v) { return Of(VarType::Long, v); }
    static Variant Currency(calvora::Currency v) { return Of(VarType::Currency, v.scaled); }
    static Variant Single(float v) { return Of(VarType::Single, v); }
    static Variant Double(double v) { return Of(VarType::Double, v); }
    static Variant Date(calvora::Date v) { return Of(VarType::Date, v.serial); }
    static Variant Text(std::string_view v);
    static Variant Binary(calvora::Bytes v);

    VarType Type() const {
        int16_t type;
        std::memcpy(&type, raw_, sizeof type);
        return static_cast<VarType>(type);
    }
    bool IsEmpty() const { return Type() == VarType::Empty; }
    bool IsNull() const { return Type() == VarType::Null; }
    bool IsText() const { return Type() == VarType::String; }
    // Boolean, Byte, Integer, Long, Currency, Single or Double.
    bool IsNumeric() const;

    // Exact accessors: each raises 13 (type mismatch) when the value holds
    // another type.
    bool AsBoolean() const { return Get<bool>(VarType::Boolean); }
    uint8_t AsByte() const { return Get<uint8_t>(VarType::Byte); }
    int16_t AsInteger() const { return Get<int16_t>(VarType::Integer); }
    int32_t AsLong() const { return Get<int32_t>(VarType::Long); }
    calvora::Currency AsCurrency() const { return {Get<int64_t>(VarType::Currency)}; }
    float AsSingle() const { return Get<float>(VarType::Single); }
    double AsDouble() const { return Get<double>(VarType::Double); }
    calvora::Date AsDate() const { return {Get<double>(VarType::Date)}; }
    // The text, valid while the value lives unchanged (a short text lies
    // in the value itself, so a move invalidates it too).
    std::string_view AsText() const {
        Check(VarType::String);
        if (raw_[kSizeAt] != kOnHeap)
            return {reinterpret_cast<const char*>(raw_ + kInlineAt), raw_[kSizeAt]};
        return {Pointer<const char>(), HeapSize()};
    }
    const calvora::Bytes& AsBinary() const;

    // The numeric value of a Boolean (-1/0) or number as a double. Raises 13
    // for any other type.
    double NumericValue() const;

    // Equal types and equal values (a NaN equals nothing).
    friend bool operator==(const Variant& a, const Variant& b);

  private:
    // The layout of raw_: the type (two bytes) at 0; for a text, at 2 its
    // length when it lies in place from 3 on, or kOnHeap when it lies on the
    // heap, its length then at 4; the number, or the pointer to a long text
    // or to binary data (none for empty data), at 8.
    static constexpr size_t kSizeAt = 2;
    static constexpr size_t kInlineAt = 3;
    static constexpr size_t kInlineMax = 13;
    static constexpr size_t kHeapSizeAt = 4;
    static constexpr size_t kValueAt = 8;
    static constexpr unsigned char kOnHeap = 0xFF;

    explicit Variant(VarType type) { SetType(type); }
    template <class T>
    static Variant Of(VarType type, T v) {
        Variant r(type);
        std::memcpy(r.raw_ + kValueAt, &v, sizeof v);
        return r;
    }
    void SetType(VarType type) {
        const auto code = static_cast<int16_t>(type);
        std::memcpy(raw_, &code, sizeof code);
    }
    void Check(VarType type) const {
        if (Type() != type)
            RaiseMismatch();
    }
    template <class T>
    T Get(VarType type) const {
        Check(type);
        T v;
        std::memcpy(&v, raw_ + kValueAt, sizeof v);
        return v;
    }
    template <class T>
    T* Pointer() const {
        T* p;
        std::memcpy(&p, raw_ + kValueAt, sizeof p);
        return p;
    }
    uint32_t HeapSize() const {
        uint32_t size;
        std::memcpy(&size, raw_ + kHeapSizeAt, sizeof size);
        return size;
    }
    [[noreturn]] static void RaiseMismatch();
    bool OwnsMemory() const {
        const VarType type = Type();
        return (type == VarType::String && raw_[kSizeAt] == kOnHeap) ||
               (type == VarType::Binary && Pointer<calvora::Bytes>() != nullptr);
    }
    // Copying a long text or binary data allocates anyway: out of line.
    void CopyOwned(const Variant& other);
    void ReleaseOwned() noexcept;

    void CopyFrom(const Variant& other) {
        if (other.OwnsMemory())
            return CopyOwned(other);
        std::memcpy(raw_, other.raw_, sizeof raw_);
    }
    // The moved-from value keeps its type, with an empty text or empty data
    // (the long text or the data now belong to this one).
    void MoveFrom(Variant& other) noexcept {
        std::memcpy(raw_, other.raw_, sizeof raw_);
        const VarType type = other.Type();
        if (type == VarType::String) {
            other.raw_[kSizeAt] = 0;
        } else if (type == VarType::Binary) {
            calvora::Bytes* none = nullptr;
            std::memcpy(other.raw_ + kValueAt, &none, sizeof none);
        }
    }
    void Release() noexcept {
        if (OwnsMemory())
            ReleaseOwned();
        SetType(VarType::Empty);
    }

    alignas(8) unsigned char raw_[16] = {};
};
static_assert(sizeof(Variant) == 16);

// The runtime's plain, locale-independent number-to-text conversion for
// Byte, Integer, Long, Single and Double: decimal point ".", "-" for
// negative numbers, no blanks; Single keeps 7 significant digits and Double
// 15, the shortest text that reads back as the same value at that precision.
// Raises 13 for any other type.
std::string NumberToText(const Variant& v);

// Binary data as upper-case hex digits, two per byte.
std::string HexText(const Bytes& bytes);

}  // namespace calvora
