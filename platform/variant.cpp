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

namespace {
template <class T, class V>
const T& Get(const V& v) {
    if (const T* p = std::get_if<T>(&v))
        return *p;
    RaiseRuntime(err::kTypeMismatch, "Type mismatch");
}
}  // namespace

bool Variant::AsBoolean() const {
    return Get<BoolTag>(v_).v;
}
uint8_t Variant::AsByte() const {
    return Get<uint8_t>(v_);
}
int16_t Variant::AsInteger() const {
    return Get<int16_t>(v_);
}
int32_t Variant::AsLong() const {
    return Get<int32_t>(v_);
}
calvora::Currency Variant::AsCurrency() const {
    return Get<calvora::Currency>(v_);
}
float Variant::AsSingle() const {
    return Get<float>(v_);
}
double Variant::AsDouble() const {
    return Get<double>(v_);
}
calvora::Date Variant::AsDate() const {
    return Get<calvora::Date>(v_);
}
const std::string& Variant::AsText() const {
    return Get<std::string>(v_);
}
const calvora::Bytes& Variant::AsBinary() const {
    return Get<calvora::Bytes>(v_);
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
