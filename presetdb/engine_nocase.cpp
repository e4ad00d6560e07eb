#include "presetdb/engine_nocase.h"

#include <algorithm>

#include "platform/text.h"
#include "presetdb/dao_dialect.h"

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
    for (; i < common; ++i) {
        const unsigned char ca = static_cast<unsigned char>(a[i]);
        const unsigned char cb = static_cast<unsigned char>(b[i]);
        if (ca == cb && ca < 0x80)
            continue;  // the common case in an index: keys share long prefixes
        if (ca >= 0x80 || cb >= 0x80)
            break;  // a multi-byte character: fold the rest properly
        const char ua = AsciiUpper(static_cast<char>(ca));
        const char ub = AsciiUpper(static_cast<char>(cb));
        if (ua != ub)
            return static_cast<unsigned char>(ua) < static_cast<unsigned char>(ub) ? -1 : 1;
    }
    if (i == common)
        return Sign(static_cast<int>(a.size() > b.size()) - static_cast<int>(a.size() < b.size()));
    // The folded prefixes are equal and UCase works per code point, so the
    // remainders decide. The prefix ends on a character boundary: it is ASCII.
    return Sign(UCase(a.substr(i)).compare(UCase(b.substr(i))));
}

int RegisterNoCaseCollation(sqlite3* db) {
    return sqlite3_create_collation_v2(db, kNoCaseCollation, SQLITE_UTF8, nullptr, &Collate,
                                       nullptr);
}

}  // namespace calvora::dao::detail
