#include "dao/detail/nocase.h"

#include <algorithm>
#include <cstring>

#include "dao/dialect.h"
#include "platform/text.h"

namespace calvora::dao::detail {

namespace {

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

int Collate(void*, int lengthA, const void* a, int lengthB, const void* b) {
    return CompareNoCase(std::string_view(static_cast<const char*>(a), lengthA),
                         std::string_view(static_cast<const char*>(b), lengthB));
}

}  // namespace

int CompareNoCase(std::string_view a, std::string_view b) {
    const size_t common = std::min(a.size(), b.size());
    size_t i = 0;
    for (;;) {
        // Equal bytes are equal however they fold; keys in an index share
        // long prefixes, so they are skipped first, eight at a time.
        while (i + 8 <= common && std::memcmp(a.data() + i, b.data() + i, 8) == 0)
            i += 8;
        while (i < common && a[i] == b[i])
            ++i;
        if (i == common)
            return Sign(static_cast<int>(a.size() > b.size()) -
                        static_cast<int>(a.size() < b.size()));
        const unsigned char ca = static_cast<unsigned char>(a[i]);
        const unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca >= 0x80 || cb >= 0x80)
            break;  // a multi-byte character: fold the rest properly
        const char ua = AsciiUpper(static_cast<char>(ca));
        const char ub = AsciiUpper(static_cast<char>(cb));
        if (ua != ub)
            return static_cast<unsigned char>(ua) < static_cast<unsigned char>(ub) ? -1 : 1;
        ++i;
    }
    // The texts are equal up to i, as folded. UCase works per character, so
    // the remainders from a character start at or before i decide. A byte
    // that is no continuation (10xxxxxx) always starts a character (or an
    // ill-formed byte, which UCase keeps as it is); the bytes before i are
    // the same in both texts, so backing up until neither text continues a
    // character there finds a start in both.
    const auto continues = [](std::string_view s, size_t at) {
        return at < s.size() && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80;
    };
    while (i > 0 && (continues(a, i) || continues(b, i)))
        --i;
    return Sign(UCase(a.substr(i)).compare(UCase(b.substr(i))));
}

int RegisterNoCaseCollation(sqlite3* db) {
    return sqlite3_create_collation_v2(db, kNoCaseCollation, SQLITE_UTF8, nullptr, &Collate,
                                       nullptr);
}

}  // namespace calvora::dao::detail
