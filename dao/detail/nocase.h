// The case-blind text order of the dialect's equality tests: texts compare
// by their upper case (UCase, the simple per-code-point mapping), so "Ä" and
// "ä" are equal, as the Jet engine's text comparison has them.
#pragma once

#include <sqlite3.h>

#include <string_view>

namespace calvora::dao::detail {

// <0, 0 or >0 as UCase(a) orders before, equal to or after UCase(b),
// byte-wise. ASCII runs are folded in place; UCase is needed only from the
// first non-ASCII byte on.
int CompareNoCase(std::string_view a, std::string_view b);

// Names of tables, fields and indexes match by the same rule; this is the
// engine's one test for it (fast for ASCII names).
inline bool SameName(std::string_view a, std::string_view b) {
    return CompareNoCase(a, b) == 0;
}

// Registers CompareNoCase as the collation kNoCaseCollation on db.
int RegisterNoCaseCollation(sqlite3* db);

}  // namespace calvora::dao::detail
