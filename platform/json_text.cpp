#include "platform/json_text.h"

#include <unicode/utf8.h>

#include <cstdint>
#include <cstring>

#include "platform/word_scan.h"

namespace calvora {

namespace {

// A byte FindSpecialByte looks for.
bool IsSpecial(unsigned char b, bool beyondAscii) {
    return b < 0x20 || b == '"' || b == '\\' || b == 0x7f || (beyondAscii && b >= 0x80);
}

constexpr uint64_t kOnes = 0x0101010101010101u;
constexpr uint64_t kHighBits = 0x80 * kOnes;

// Non-zero when a byte of w is below n (n <= 0x80).
uint64_t AnyBelow(uint64_t w, uint64_t n) {
    return (w - n * kOnes) & ~w & kHighBits;
}

// Non-zero when one of the eight bytes of w is special.
uint64_t AnySpecial(uint64_t w, bool beyondAscii) {
    return AnyBelow(w, 0x20) | AnyBelow(w ^ ('"' * kOnes), 1) | AnyBelow(w ^ ('\\' * kOnes), 1) |
           AnyBelow(w ^ (0x7f * kOnes), 1) | (beyondAscii ? w & kHighBits : 0);
}

// The escape of a special ASCII byte; a control character without a name
// of its own is controlEscape and two hex digits.
void AppendEscape(std::string& out, unsigned char b, std::string_view controlEscape) {
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
            out += controlEscape;
            out += kDigits[b >> 4];
            out += kDigits[b & 15];
        }
    }
}

// Offset of the first byte of text at or after from that a quoted value
// cannot hold as it is (see IsSpecial); text.size() when there is none.
size_t FindSpecialByte(std::string_view text, size_t from, bool beyondAscii) {
    return FindByteWordwise(
        text, from, [beyondAscii](uint64_t word) { return AnySpecial(word, beyondAscii) != 0; },
        [beyondAscii](unsigned char b) { return IsSpecial(b, beyondAscii); });
}

}  // namespace

void AppendEscaped(std::string& out, std::string_view text, std::string_view controlEscape) {
    size_t i = 0;
    while (i < text.size()) {
        const size_t special = FindSpecialByte(text, i, false);
        out.append(text.substr(i, special - i));
        i = special;
        if (i < text.size())
            AppendEscape(out, static_cast<unsigned char>(text[i++]), controlEscape);
    }
}

void AppendJsonString(std::string& out, std::string_view text) {
    out += '"';
    size_t i = 0;
    while (i < text.size()) {
        const size_t special = FindSpecialByte(text, i, true);
        out.append(text.substr(i, special - i));
        i = special;
        if (i == text.size())
            break;
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            AppendEscape(out, b, "\\u00");
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
