#include "platform/text.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include "platform/failure.h"

namespace calvora {

namespace {

// Walks s character by character: f(c, bytes) with c the code point, or a
// negative value for an ill-formed byte (which counts as one character), and
// bytes the character's UTF-8 bytes.
template <class F>
void ForEachCharacter(std::string_view s, F f) {
    size_t i = 0;
    while (i < s.size()) {
        int32_t next = static_cast<int32_t>(i);
        UChar32 c;
        U8_NEXT(reinterpret_cast<const uint8_t*>(s.data()), next, static_cast<int32_t>(s.size()),
                c);
        f(c, s.substr(i, static_cast<size_t>(next) - i));
        i = static_cast<size_t>(next);
    }
}

size_t NextBoundary(std::string_view s, size_t i) {
    int32_t next = static_cast<int32_t>(i);
    UChar32 c;
    U8_NEXT(reinterpret_cast<const uint8_t*>(s.data()), next, static_cast<int32_t>(s.size()), c);
    (void)c;
    return static_cast<size_t>(next);
}

// Appends the UTF-8 of one code point (U+FFFD for one that has none).
void AppendUtf8(std::string& out, UChar32 c) {
    uint8_t buf[4];
    int32_t len = 0;
    UBool error = false;
    U8_APPEND(buf, len, 4, c, error);
    if (error) {
        out.append("\xEF\xBF\xBD");
    } else {
        out.append(reinterpret_cast<const char*>(buf), static_cast<size_t>(len));
    }
}

// Byte offset of the character with 0-based index n (s.size() when past the end).
size_t OffsetOf(std::string_view s, int64_t n) {
    size_t i = 0;
    while (n > 0 && i < s.size()) {
        i = NextBoundary(s, i);
        --n;
    }
    return i;
}

void RequireNonNegative(int64_t n, const char* what) {
    if (n < 0) {
        RaiseRuntime(err::kInvalidArgument,
                     std::string("Invalid procedure call or argument: negative ") + what);
    }
}

// Windows-1252's bytes 0x80..0x9F, as Windows maps them: the five bytes the
// code page leaves undefined pass through as the C1 controls of the same
// number, so every byte round-trips.
const char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

int64_t Len(std::string_view s) {
    int64_t n = 0;
    for (size_t i = 0; i < s.size(); i = NextBoundary(s, i))
        ++n;
    return n;
}

std::string Left(std::string_view s, int64_t n) {
    RequireNonNegative(n, "length");
    return std::string(s.substr(0, OffsetOf(s, n)));
}

std::string Right(std::string_view s, int64_t n) {
    RequireNonNegative(n, "length");
    int64_t len = Len(s);
    if (n >= len)
        return std::string(s);
    return std::string(s.substr(OffsetOf(s, len - n)));
}

std::string Mid(std::string_view s, int64_t start) {
    if (start < 1)
        RaiseRuntime(err::kInvalidArgument,
                     "Invalid procedure call or argument: start position below 1");
    return std::string(s.substr(OffsetOf(s, start - 1)));
}

std::string Mid(std::string_view s, int64_t start, int64_t n) {
    RequireNonNegative(n, "length");
    std::string rest = Mid(s, start);
    return Left(rest, n);
}

int64_t InStr(std::string_view hay, std::string_view needle, int64_t start) {
    if (start < 1)
        RaiseRuntime(err::kInvalidArgument,
                     "Invalid procedure call or argument: start position below 1");
    size_t from = OffsetOf(hay, start - 1);
    if (start - 1 > Len(hay))
        return 0;
    // Matches must start on a character boundary; walking boundaries keeps
    // the result a character position.
    int64_t pos = start;
    for (size_t i = from;; i = NextBoundary(hay, i), ++pos) {
        if (i + needle.size() <= hay.size() && hay.compare(i, needle.size(), needle) == 0)
            return pos;
        if (i >= hay.size())
            return 0;
    }
}

std::string UCase(std::string_view s) {
    // Names and keys are mostly ASCII: fold them byte by byte and decode
    // only from the first byte beyond ASCII on.
    std::string out(s);
    size_t ascii = 0;
    for (; ascii < out.size() && static_cast<unsigned char>(out[ascii]) < 0x80; ++ascii)
        if (out[ascii] >= 'a' && out[ascii] <= 'z')
            out[ascii] = static_cast<char>(out[ascii] - 32);
    if (ascii == out.size())
        return out;
    out.resize(ascii);
    ForEachCharacter(s.substr(ascii), [&](UChar32 c, std::string_view bytes) {
        if (c < 0) {
            out.append(bytes);  // ill-formed bytes stay as they are
        } else if (c < 0x80) {
            out.push_back(static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c));
        } else {
            AppendUtf8(out, u_toupper(c));
        }
    });
    return out;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    return a == b || UCase(a) == UCase(b);
}

std::string LTrim(std::string_view s) {
    size_t b = s.find_first_not_of(' ');
    return b == std::string_view::npos ? std::string() : std::string(s.substr(b));
}

std::string RTrim(std::string_view s) {
    size_t e = s.find_last_not_of(' ');
    return e == std::string_view::npos ? std::string() : std::string(s.substr(0, e + 1));
}

std::string Trim(std::string_view s) {
    return LTrim(RTrim(s));
}

int AnsiCode(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<int>(c);
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] == c)
            return 0x80 + i;
    }
    return '?';
}

std::string ToWindows1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (char32_t c : ToCodePoints(utf8))
        out.push_back(static_cast<char>(AnsiCode(c)));
    return out;
}

std::string FromWindows1252(std::string_view bytes) {
    std::u32string cps;
    cps.reserve(bytes.size());
    for (unsigned char b : bytes)
        cps.push_back(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b);
    return FromCodePoints(cps);
}

std::u32string ToCodePoints(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    ForEachCharacter(s, [&](UChar32 c, std::string_view) {
        out.push_back(c < 0 ? U'\uFFFD' : static_cast<char32_t>(c));
    });
    return out;
}

std::string FromCodePoints(std::u32string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char32_t c : s)
        AppendUtf8(out, static_cast<UChar32>(c));
    return out;
}

}  // namespace calvora
