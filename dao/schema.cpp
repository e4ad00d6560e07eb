#include "dao/schema.h"

#include <charconv>
#include <optional>

#include "platform/failure.h"

namespace calvora::dao {

namespace {

struct FixedType {
    const char* declared;
    DataType type;
    int32_t size;
};

// The declared names of every type but TEXT(n), which carries its size.
constexpr FixedType kFixedTypes[] = {
    {"BIT", DataType::Boolean, 1},
    {"BYTE", DataType::Byte, 1},
    {"SHORT", DataType::Integer, 2},
    {"LONG", DataType::Long, 4},
    {"CURRENCY", DataType::Currency, 8},
    {"SINGLE", DataType::Single, 4},
    {"DOUBLE", DataType::Double, 8},
    {"DATETIME", DataType::Date, 8},
    {"LONGBINARY", DataType::LongBinary, 0},
    {"MEMO", DataType::Memo, 0},
    {"GUID", DataType::Guid, 16},
};

constexpr int32_t kMaxTextSize = 255;

std::string AsciiUpperTrimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t'))
        s.remove_suffix(1);
    std::string out(s);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// TEXT, TEXT(n) or TEXT (n); nullopt for anything else.
std::optional<int32_t> TextSize(std::string_view upper) {
    if (upper.substr(0, 4) != "TEXT")
        return std::nullopt;
    std::string_view rest = upper.substr(4);
    while (!rest.empty() && rest.front() == ' ')
        rest.remove_prefix(1);
    if (rest.empty())
        return kMaxTextSize;
    if (rest.front() != '(' || rest.back() != ')')
        return std::nullopt;
    rest = rest.substr(1, rest.size() - 2);
    int32_t n = 0;
    auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), n);
    if (ec != std::errc() || end != rest.data() + rest.size() || n < 1 || n > kMaxTextSize)
        return std::nullopt;
    return n;
}

// SQLite's own affinity rule, for columns declared outside the convention.
ColumnType ByAffinity(std::string_view upper) {
    auto has = [&](const char* word) { return upper.find(word) != std::string_view::npos; };
    if (has("INT"))
        return {DataType::Long, 4, false};
    if (has("CHAR") || has("CLOB") || has("TEXT"))
        return {DataType::Memo, 0, false};
    if (has("REAL") || has("FLOA") || has("DOUB"))
        return {DataType::Double, 8, false};
    return {DataType::LongBinary, 0, false};
}

}  // namespace

ColumnType ParseDeclaredType(std::string_view declared) {
    const std::string upper = AsciiUpperTrimmed(declared);
    if (upper == "COUNTER")
        return {DataType::Long, 4, true};
    for (const FixedType& t : kFixedTypes)
        if (upper == t.declared)
            return {t.type, t.size, false};
    if (auto size = TextSize(upper))
        return {DataType::Text, *size, false};
    return ByAffinity(upper);
}

int32_t FixedSizeOf(DataType type) {
    for (const FixedType& t : kFixedTypes)
        if (t.type == type)
            return t.size;
    return kMaxTextSize;
}

std::string DeclaredTypeFor(DataType type, int32_t size, bool counter) {
    if (type == DataType::Text) {
        if (size < 1 || size > kMaxTextSize)
            throw Failure(calvora::err::kInvalidArgument, kSourceField,
                          "Invalid size " + std::to_string(size) +
                              " for a text field (allowed: 1 to 255 characters)");
        return "TEXT(" + std::to_string(size) + ")";
    }
    if (counter && type == DataType::Long)
        return "COUNTER";
    for (const FixedType& t : kFixedTypes)
        if (t.type == type)
            return t.declared;
    throw Failure(err::kInvalidFieldType, kSourceField,
                  "Invalid field data type " + std::to_string(static_cast<int>(type)));
}

}  // namespace calvora::dao
