#include "platform/json_text.h"

#include <unicode/utf8.h>

namespace calvora {

namespace {

// A byte that stands for itself in a JSON string: printable ASCII other than
// quote and backslash.
bool IsPlain(unsigned char b) {
    return b >= 0x20 && b < 0x7f && b != '"' && b != '\\';
}

// The escape of an ASCII byte that is not plain.
void AppendEscape(std::string& out, unsigned char b) {
    switch (b) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default: {
            static constexpr char kDigits[] = "0123456789abcdef";
            const char escape[] = {'\\', 'u', '0', '0', kDigits[b >> 4], kDigits[b & 15]};
            out.append(escape, sizeof escape);
        }
    }
}

}  // namespace

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    size_t i = 0;
    while (i < text.size()) {
        // Plain runs, the bulk of any name, are copied whole.
        size_t plain = i;
        while (plain < text.size() && IsPlain(static_cast<unsigned char>(text[plain])))
            ++plain;
        out.append(text.substr(i, plain - i));
        i = plain;
        if (i == text.size())
            break;
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            AppendEscape(out, b);
            ++i;
            continue;
        }
        // Valid UTF-8 is kept as it is; an ill-formed sequence (as far as it
        // goes before a byte that cannot continue it) becomes one U+FFFD.
        int32_t next = static_cast<int32_t>(i);
        UChar32 c;
        U8_NEXT(reinterpret_cast<const uint8_t*>(text.data()), next,
                static_cast<int32_t>(text.size()), c);
        if (c < 0)
            out += "\xEF\xBF\xBD";
        else
            out.append(text.substr(i, static_cast<size_t>(next) - i));
        i = static_cast<size_t>(next);
    }
    out += '"';
}

std::string JsonString(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 2);
    AppendJsonString(out, text);
    return out;
}

}  // namespace calvora
