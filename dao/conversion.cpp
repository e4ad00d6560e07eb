#include "dao/conversion.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

#include "platform/failure.h"
#include "platform/text.h"

namespace calvora::dao {

namespace {

// Serial numbers of 100-01-01 and of the day after 9999-12-31.
constexpr double kFirstSerial = -657434.0;
constexpr double kEndSerial = 2958466.0;
constexpr int64_t kSecondsPerDay = 86400;
// Days from 1970-01-01 back to the serial epoch 1899-12-30.
constexpr int64_t kEpochShift = 25569;

const char* TypeName(DataType t) {
    switch (t) {
        case DataType::Boolean:
            return "Boolean";
        case DataType::Byte:
            return "Byte";
        case DataType::Integer:
            return "Integer";
        case DataType::Long:
            return "Long";
        case DataType::Currency:
            return "Currency";
        case DataType::Single:
            return "Single";
        case DataType::Double:
            return "Double";
        case DataType::Date:
            return "Date/Time";
        case DataType::Text:
            return "Text";
        case DataType::LongBinary:
            return "Long binary";
        case DataType::Memo:
            return "Memo";
        case DataType::Guid:
            return "GUID";
    }
    return "unknown";
}

std::string Describe(const Variant& v) {
    switch (v.Type()) {
        case VarType::String:
            return "text \"" + Left(v.AsText(), 60) + "\"";
        case VarType::Binary:
            return "binary data";
        case VarType::Boolean:
            return v.AsBoolean() ? "True" : "False";
        case VarType::Date:
            return DateToText(v.AsDate());
        case VarType::Currency:
            return std::to_string(v.NumericValue());
        default:
            return NumberToText(v);
    }
}

[[noreturn]] void RaiseConversion(const Variant& v, const ColumnType& type,
                                  std::string_view fieldName) {
    throw Failure(err::kConversion, kSourceField,
                  "Data type conversion error: " + Describe(v) + " does not fit field " +
                      std::string(fieldName) + " (" + TypeName(type.type) + ")");
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    return s;
}

// Locale-independent number text: [blanks][+|-]digits[.digits][e[+|-]digits][blanks].
std::optional<double> ParseNumberText(std::string_view text) {
    std::string_view s = TrimBlanks(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    if (s.empty() || !(std::isdigit(static_cast<unsigned char>(s.front())) || s.front() == '.'))
        return std::nullopt;  // also keeps out "inf" and "nan"
    double value = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    if (ec != std::errc() || end != s.data() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return negative ? -value : value;
}

double RoundHalfEven(double x) {
    double r = std::round(x);
    if (std::fabs(x - std::trunc(x)) == 0.5)
        r = 2.0 * std::round(x / 2.0);
    return r;
}

// The number a value stands for in a number or date field.
double NumberOf(const Variant& v, const ColumnType& type, std::string_view fieldName) {
    switch (v.Type()) {
        case VarType::Date:
            return v.AsDate().serial;
        case VarType::String:
            if (auto n = ParseNumberText(v.AsText()))
                return *n;
            RaiseConversion(v, type, fieldName);
        case VarType::Binary:
            RaiseConversion(v, type, fieldName);
        default:
            return v.NumericValue();
    }
}

double WholeNumberIn(const Variant& v, const ColumnType& type, std::string_view fieldName,
                     double low, double high) {
    double x = RoundHalfEven(NumberOf(v, type, fieldName));
    if (!(x >= low && x <= high))
        RaiseConversion(v, type, fieldName);
    return x;
}

Variant ToBoolean(const Variant& v, const ColumnType& type, std::string_view fieldName) {
    if (v.Type() == VarType::Boolean)
        return v;
    if (v.IsText()) {
        const std::string upper = UCase(TrimBlanks(v.AsText()));
        if (upper == "TRUE" || upper == "YES" || upper == "ON")
            return Variant::Boolean(true);
        if (upper == "FALSE" || upper == "NO" || upper == "OFF")
            return Variant::Boolean(false);
    }
    return Variant::Boolean(NumberOf(v, type, fieldName) != 0);
}

Variant ToCurrency(const Variant& v, const ColumnType& type, std::string_view fieldName) {
    if (v.Type() == VarType::Currency)
        return v;
    const double scaled = RoundHalfEven(NumberOf(v, type, fieldName) * 10000.0);
    // 2^63 is the first value that no longer fits.
    if (!(std::fabs(scaled) < 9223372036854775808.0))
        RaiseConversion(v, type, fieldName);
    return Variant::Currency(Currency{static_cast<int64_t>(scaled)});
}

Variant ToSingle(const Variant& v, const ColumnType& type, std::string_view fieldName) {
    const double x = NumberOf(v, type, fieldName);
    if (!(std::fabs(x) <= FLT_MAX))
        RaiseConversion(v, type, fieldName);
    return Variant::Single(static_cast<float>(x));
}

Variant ToDouble(const Variant& v, const ColumnType& type, std::string_view fieldName) {
    const double x = NumberOf(v, type, fieldName);
    if (!std::isfinite(x))
        RaiseConversion(v, type, fieldName);
    return Variant::Double(x);
}

Variant ToDate(const Variant& v, const ColumnType& type, std::string_view fieldName) {
    Date d;
    if (v.Type() == VarType::Date)
        d = v.AsDate();
    else if (!v.IsText() || !TextToDate(TrimBlanks(v.AsText()), d))
        d.serial = NumberOf(v, type, fieldName);
    if (!(d.serial >= kFirstSerial && d.serial < kEndSerial))
        RaiseConversion(v, type, fieldName);
    return Variant::Date(d);
}

std::string CurrencyText(Currency c) {
    const bool negative = c.scaled < 0;
    const uint64_t magnitude =
        negative ? 0 - static_cast<uint64_t>(c.scaled) : static_cast<uint64_t>(c.scaled);
    std::string text = std::to_string(magnitude / 10000);
    std::string fraction = std::to_string(10000 + magnitude % 10000).substr(1);
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    if (!fraction.empty())
        text += "." + fraction;
    return negative ? "-" + text : text;
}

Variant ToText(const Variant& v, const ColumnType& type, std::string_view fieldName) {
    std::string text;
    switch (v.Type()) {
        case VarType::String:
            text = v.AsText();
            break;
        case VarType::Boolean:
            text = v.AsBoolean() ? "-1" : "0";
            break;
        case VarType::Currency:
            text = CurrencyText(v.AsCurrency());
            break;
        case VarType::Date:
            text = DateToText(v.AsDate());
            break;
        case VarType::Binary:
            RaiseConversion(v, type, fieldName);
        default:
            text = NumberToText(v);
            break;
    }
    if (type.type == DataType::Text && Len(text) > type.size)
        throw Failure(err::kFieldTooSmall, kSourceField,
                      "The field " + std::string(fieldName) + " is too small for the text \"" +
                          Left(text, 60) + "\" (" + std::to_string(Len(text)) +
                          " characters, the field holds " + std::to_string(type.size) + ")");
    return Variant::Text(text);
}

Variant ToGuid(const Variant& v, const ColumnType& type, std::string_view fieldName) {
    if (!v.IsText())
        RaiseConversion(v, type, fieldName);
    std::string_view s = TrimBlanks(v.AsText());
    if (s.size() == 38 && s.front() == '{' && s.back() == '}')
        s = s.substr(1, 36);
    if (s.size() != 36)
        RaiseConversion(v, type, fieldName);
    std::string out = "{";
    for (size_t i = 0; i < s.size(); ++i) {
        const bool dashHere = i == 8 || i == 13 || i == 18 || i == 23;
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (dashHere ? c != '-' : !std::isxdigit(c))
            RaiseConversion(v, type, fieldName);
        out += static_cast<char>(std::toupper(c));
    }
    return Variant::Text(out + "}");
}

Variant ToBinary(const Variant& v, const ColumnType& type, std::string_view fieldName) {
    if (v.Type() == VarType::Binary)
        return v;
    if (v.IsText())
        return Variant::Binary(Bytes(v.AsText().begin(), v.AsText().end()));
    RaiseConversion(v, type, fieldName);
}

// Howard Hinnant's civil calendar algorithms (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int64_t m, int64_t d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int64_t& y, int64_t& m, int64_t& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = yoe + era * 400 + (m <= 2);
}

bool ReadDigits(std::string_view& s, size_t count, int64_t& out) {
    if (s.size() < count)
        return false;
    out = 0;
    for (size_t i = 0; i < count; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(s[i])))
            return false;
        out = out * 10 + (s[i] - '0');
    }
    s.remove_prefix(count);
    return true;
}

bool ReadChar(std::string_view& s, char c) {
    if (s.empty() || s.front() != c)
        return false;
    s.remove_prefix(1);
    return true;
}

// HH:MM[:SS] as seconds of the day.
bool ReadTime(std::string_view& s, int64_t& seconds) {
    int64_t h = 0, m = 0, sec = 0;
    if (!ReadDigits(s, 2, h) || !ReadChar(s, ':') || !ReadDigits(s, 2, m))
        return false;
    if (ReadChar(s, ':') && !ReadDigits(s, 2, sec))
        return false;
    if (h > 23 || m > 59 || sec > 59)
        return false;
    seconds = h * 3600 + m * 60 + sec;
    return true;
}

// A whole number (Byte, Integer, Long) in a field of another number type
// that holds it: the field's value without rounding or range checks; nothing
// otherwise, for the full conversion to decide. A value read from its field
// comes back from the file as a Long, whatever the field's own number type.
std::optional<Variant> WholeNumberFitting(const Variant& v, const ColumnType& type) {
    const VarType t = v.Type();
    if (t != VarType::Byte && t != VarType::Integer && t != VarType::Long)
        return std::nullopt;
    const double x = v.NumericValue();
    switch (type.type) {
        case DataType::Byte:
            if (x >= 0 && x <= 255)
                return Variant::Byte(static_cast<uint8_t>(x));
            return std::nullopt;
        case DataType::Integer:
            if (x >= -32768 && x <= 32767)
                return Variant::Integer(static_cast<int16_t>(x));
            return std::nullopt;
        case DataType::Long:
            return Variant::Long(static_cast<int32_t>(x));
        case DataType::Double:
            return Variant::Double(x);
        default:
            return std::nullopt;
    }
}

}  // namespace

std::string DateToText(Date d) {
    double days = std::trunc(d.serial);
    int64_t seconds = std::llround(std::fabs(d.serial - days) * kSecondsPerDay);
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        days += 1;
    }
    int64_t y = 0, m = 0, day = 0;
    CivilFromDays(static_cast<int64_t>(days) - kEpochShift, y, m, day);
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld",
                  static_cast<long long>(y), static_cast<long long>(m), static_cast<long long>(day),
                  static_cast<long long>(seconds / 3600), static_cast<long long>(seconds / 60 % 60),
                  static_cast<long long>(seconds % 60));
    return buffer;
}

bool TextToDate(std::string_view text, Date& out) {
    std::string_view s = text;
    int64_t seconds = 0;
    if (s.size() >= 3 && s[2] == ':') {
        if (!ReadTime(s, seconds) || !s.empty())
            return false;
        out.serial = static_cast<double>(seconds) / kSecondsPerDay;
        return true;
    }
    int64_t y = 0, m = 0, d = 0;
    if (!ReadDigits(s, 4, y) || !ReadChar(s, '-') || !ReadDigits(s, 2, m) || !ReadChar(s, '-') ||
        !ReadDigits(s, 2, d))
        return false;
    if (m < 1 || m > 12 || d < 1 || y < 100)
        return false;
    int64_t ny = 0, nm = 0, nd = 0;
    const int64_t days = DaysFromCivil(y, m, d) + kEpochShift;
    CivilFromDays(days - kEpochShift, ny, nm, nd);
    if (nm != m || nd != d)
        return false;  // a day the month does not have
    if (ReadChar(s, ' ') && !ReadTime(s, seconds))
        return false;
    if (!s.empty())
        return false;
    const double fraction = static_cast<double>(seconds) / kSecondsPerDay;
    // Before the epoch the time of day counts away from zero, as in the runtime.
    out.serial =
        days < 0 ? static_cast<double>(days) - fraction : static_cast<double>(days) + fraction;
    return true;
}

namespace detail {

Variant ConvertOtherForField(const Variant& v, const ColumnType& type, std::string_view fieldName) {
    if (v.IsEmpty())
        return Variant::Null();
    if (std::optional<Variant> fitting = WholeNumberFitting(v, type))
        return std::move(*fitting);
    switch (type.type) {
        case DataType::Boolean:
            return ToBoolean(v, type, fieldName);
        case DataType::Byte:
            return Variant::Byte(static_cast<uint8_t>(WholeNumberIn(v, type, fieldName, 0, 255)));
        case DataType::Integer:
            return Variant::Integer(
                static_cast<int16_t>(WholeNumberIn(v, type, fieldName, -32768, 32767)));
        case DataType::Long:
            return Variant::Long(static_cast<int32_t>(
                WholeNumberIn(v, type, fieldName, -2147483648.0, 2147483647.0)));
        case DataType::Currency:
            return ToCurrency(v, type, fieldName);
        case DataType::Single:
            return ToSingle(v, type, fieldName);
        case DataType::Double:
            return ToDouble(v, type, fieldName);
        case DataType::Date:
            return ToDate(v, type, fieldName);
        case DataType::Text:
        case DataType::Memo:
            return ToText(v, type, fieldName);
        case DataType::Guid:
            return ToGuid(v, type, fieldName);
        case DataType::LongBinary:
            return ToBinary(v, type, fieldName);
    }
    RaiseConversion(v, type, fieldName);
}

}  // namespace detail

}  // namespace calvora::dao
