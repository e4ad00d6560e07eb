#include "platform/variant.h"

#include <charconv>
#include <cmath>
#include <stdexcept>

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

Variant Variant::Text(std::string_view v) {
    Variant r(VarType::String);
    if (v.size() <= kInlineMax) {
        r.raw_[kSizeAt] = static_cast<unsigned char>(v.size());
        std::memcpy(r.raw_ + kInlineAt, v.data(), v.size());
        return r;
    }
    if (v.size() > UINT32_MAX)
        throw std::length_error("a text of more than 4 GiB");
    char* text = new char[v.size()];
    std::memcpy(text, v.data(), v.size());
    const auto size = static_cast<uint32_t>(v.size());
    r.raw_[kSizeAt] = kOnHeap;
    std::memcpy(r.raw_ + kHeapSizeAt, &size, sizeof size);
    std::memcpy(r.raw_ + kValueAt, &text, sizeof text);
    return r;
}

Variant Variant::Binary(calvora::Bytes v) {
    Variant r(VarType::Binary);
    if (!v.empty()) {
        auto* data = new calvora::Bytes(std::move(v));
        std::memcpy(r.raw_ + kValueAt, &data, sizeof data);
    }
    return r;
}

const calvora::Bytes& Variant::AsBinary() const {
    static const calvora::Bytes kNone;
    Check(VarType::Binary);
    const calvora::Bytes* data = Pointer<calvora::Bytes>();
    return data != nullptr ? *data : kNone;
}

// The copy is made by the factory before anything of this value is set, so
// a failed allocation leaves it as it was; then its memory changes owner.
void Variant::CopyOwned(const Variant& other) {
    Variant copy =
        other.Type() == VarType::String ? Text(other.AsText()) : Binary(other.AsBinary());
    std::memcpy(raw_, copy.raw_, sizeof raw_);
    copy.SetType(VarType::Empty);
}

void Variant::ReleaseOwned() noexcept {
    if (Type() == VarType::String)
        delete[] Pointer<char>();
    else
        delete Pointer<calvora::Bytes>();
}

bool operator==(const Variant& a, const Variant& b) {
    const VarType type = a.Type();
    if (type != b.Type())
        return false;
    switch (type) {
        case VarType::Empty:
        case VarType::Null:
            return true;
        case VarType::Boolean:
            return a.AsBoolean() == b.AsBoolean();
        case VarType::Byte:
            return a.AsByte() == b.AsByte();
        case VarType::Integer:
            return a.AsInteger() == b.AsInteger();
        case VarType::Long:
            return a.AsLong() == b.AsLong();
        case VarType::Currency:
            return a.AsCurrency() == b.AsCurrency();
        case VarType::Single:
            return a.AsSingle() == b.AsSingle();
        case VarType::Double:
            return a.AsDouble() == b.AsDouble();
        case VarType::Date:
            return a.AsDate() == b.AsDate();
        case VarType::String:
            return a.AsText() == b.AsText();
        case VarType::Binary:
            return a.AsBinary() == b.AsBinary();
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
