#include "platform/variant.h"

#include <charconv>
#include <cmath>

#include "platform/failure.h"

namespace calvora {

bool Variant::IsNumeric() const {
    switch (Type()) {
        case VarType::Boolean:
        case VarType::Byte:
        case VarType::Integer:
        case VarType::Long:
        case VarType::Currency:
        case VarType::Single:
        case VarType::Double:
            return true;
        default:
            return false;
    }
}

void Variant::RaiseMismatch() {
    RaiseRuntime(err::kTypeMismatch, "Type mismatch");
}

void Variant::CopyOwned(const Variant& other) {
    if (other.type_ == VarType::String)
        ::new (static_cast<void*>(&p_.text)) std::string(other.p_.text);
    else
        ::new (static_cast<void*>(&p_.binary)) calvora::Bytes(other.p_.binary);
    type_ = other.type_;
}

void Variant::MoveBinary(Variant& other) noexcept {
    ::new (static_cast<void*>(&p_.binary)) calvora::Bytes(std::move(other.p_.binary));
    type_ = VarType::Binary;
}

void Variant::ReleaseBinary() noexcept {
    p_.binary.~vector();
}

bool operator==(const Variant& a, const Variant& b) {
    if (a.type_ != b.type_)
        return false;
    switch (a.type_) {
        case VarType::Empty:
        case VarType::Null:
            return true;
        case VarType::Boolean:
            return a.p_.boolean == b.p_.boolean;
        case VarType::Byte:
            return a.p_.byte == b.p_.byte;
        case VarType::Integer:
            return a.p_.integer == b.p_.integer;
        case VarType::Long:
            return a.p_.longValue == b.p_.longValue;
        case VarType::Currency:
            return a.p_.currency == b.p_.currency;
        case VarType::Single:
            return a.p_.single == b.p_.single;
        case VarType::Double:
            return a.p_.real == b.p_.real;
        case VarType::Date:
            return a.p_.date == b.p_.date;
        case VarType::String:
            return a.p_.text == b.p_.text;
        case VarType::Binary:
            return a.p_.binary == b.p_.binary;
    }
    return false;
}

double Variant::NumericValue() const {
    switch (Type()) {
        case VarType::Boolean:
            return AsBoolean() ? -1.0 : 0.0;
        case VarType::Byte:
            return AsByte();
        case VarType::Integer:
            return AsInteger();
        case VarType::Long:
            return AsLong();
        case VarType::Currency:
            return static_cast<double>(AsCurrency().scaled) / 10000.0;
        case VarType::Single:
            return AsSingle();
        case VarType::Double:
            return AsDouble();
        default:
            RaiseRuntime(err::kTypeMismatch, "Type mismatch: not a number");
    }
}

namespace {

// The general format at the runtime's precision (7 significant digits for
// Single, 15 for Double): trailing zeros dropped, an exponent from that many
// digits on, written as the runtime writes it ("1E+15"). to_chars never
// consults the locale, so a German decimal comma cannot appear.
std::string FormatReal(double value, int digits) {
    if (std::isnan(value))
        return "NaN";
    if (std::isinf(value))
        return value < 0 ? "-Infinity" : "Infinity";
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, digits);
    std::string s(buf, r.ptr);
    if (auto e = s.find('e'); e != std::string::npos)
        s[e] = 'E';
    return s;
}

}  // namespace

std::string NumberToText(const Variant& v) {
    switch (v.Type()) {
        case VarType::Byte:
            return std::to_string(v.AsByte());
        case VarType::Integer:
            return std::to_string(v.AsInteger());
        case VarType::Long:
            return std::to_string(v.AsLong());
        case VarType::Single:
            return FormatReal(v.AsSingle(), 7);
        case VarType::Double:
            return FormatReal(v.AsDouble(), 15);
        default:
            RaiseRuntime(err::kTypeMismatch, "Type mismatch: not a plain number");
    }
}

std::string HexText(const Bytes& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 15];
    }
    return out;
}

}  // namespace calvora
