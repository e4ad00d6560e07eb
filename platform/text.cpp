#include "platform/text.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstring>

#include "platform/failure.h"
#include "platform/word_scan.h"

namespace calvora {

namespace {

// Length of the leading run of ASCII bytes of s. Most texts are names and
// keys in plain ASCII, so it checks eight bytes at a time.
size_t AsciiPrefix(std::string_view s) {
    return FindByteWordwise(
        s, 0, [](uint64_t word) { return (word & 0x8080808080808080u) != 0; },
        [](unsigned char b) { return b >= 0x80; });
}

// Walks s as runs of ASCII bytes and the characters between them: ascii(run)
// for each run (one character per byte), other(c, bytes) for each other
// character, with c its code point, or a negative value for an ill-formed
// byte sequence (which counts as one character), and bytes its UTF-8 bytes.
template <class Ascii, class Other>
void ForEachRun(std::string_view s, Ascii ascii, Other other) {
    size_t i = 0;
    while (i < s.size()) {
        size_t run = AsciiPrefix(s.substr(i));
        if (run > 0) {
            ascii(s.substr(i, run));
            i += run;
            if (i == s.size())
                return;
        }
        int32_t next = static_cast<int32_t>(i);
        UChar32 c;
        U8_NEXT(reinterpret_cast<const uint8_t*>(s.data()), next, static_cast<int32_t>(s.size()),
                c);
        other(c, s.substr(i, static_cast<size_t>(next) - i));
        i = static_cast<size_t>(next);
    }
}

// Upper-cases the letters among n ASCII bytes at p in place, eight at a time.
void UpperAscii(char* p, size_t n) {
    const auto upper8 = [](char* at) {
        constexpr uint64_t kOnes = 0x0101010101010101u;
        uint64_t word;
        std::memcpy(&word, at, 8);
        // Every byte is below 0x80, so each sum stays within its byte: its
        // high bit tells "at least 'a'" and "beyond 'z'".
        uint64_t atLeastA = word + (0x80 - 'a') * kOnes;
        uint64_t beyondZ = word + (0x80 - 'z' - 1) * kOnes;
        word ^= (atLeastA & ~beyondZ & (0x80 * kOnes)) >> 2;
        std::memcpy(at, &word, 8);
    };
    size_t i = 0;
    for (; i + 8 <= n; i += 8)
        upper8(p + i);
    // The rest of eight bytes or more, as the last eight: upper-casing again
    // the bytes already done changes nothing.
    if (i < n && n >= 8) {
        upper8(p + n - 8);
        return;
    }
    for (; i < n; ++i) {
        if (p[i] >= 'a' && p[i] <= 'z')
            p[i] = static_cast<char>(p[i] - 32);
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
        size_t run = AsciiPrefix(s.substr(i, static_cast<size_t>(n)));
        i += run;
        n -= static_cast<int64_t>(run);
        if (n > 0 && i < s.size()) {
            i = NextBoundary(s, i);
            --n;
        }
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
    ForEachRun(
        s, [&](std::string_view run) { n += static_cast<int64_t>(run.size()); },
        [&](UChar32, std::string_view) { ++n; });
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

bool IsAscii(std::string_view s) {
    return AsciiPrefix(s) == s.size();
}

void AppendUCase(std::string& out, std::string_view s) {
    // Names and keys are mostly ASCII: copied and folded in place, decoded
    // only from the first byte beyond ASCII on.
    const size_t start = out.size();
    const size_t ascii = AsciiPrefix(s);
    out.append(s.substr(0, ascii));
    UpperAscii(out.data() + start, ascii);
    if (ascii == s.size())
        return;
    ForEachRun(
        s.substr(ascii),
        [&](std::string_view run) {
            out.append(run);
            UpperAscii(out.data() + out.size() - run.size(), run.size());
        },
        [&](UChar32 c, std::string_view bytes) {
            if (c < 0)
                out.append(bytes);  // ill-formed bytes stay as they are
            else
                AppendUtf8(out, u_toupper(c));
        });
}

std::string UCase(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    AppendUCase(out, s);
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
    ForEachRun(
        utf8, [&](std::string_view run) { out.append(run); },
        [&](UChar32 c, std::string_view) {
            // An ill-formed byte reads as U+FFFD, which the code page lacks.
            out.push_back(
                static_cast<char>(AnsiCode(c < 0 ? U'\uFFFD' : static_cast<char32_t>(c))));
        });
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
    ForEachRun(
        s, [&](std::string_view run) { out.append(run.begin(), run.end()); },
        [&](UChar32 c, std::string_view) {
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
