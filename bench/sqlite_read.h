// Reading every value a statement selects, as any reader of a table must,
// for the benchmarks that set the engine against plain SQLite.
#pragma once

#include <sqlite3.h>

#include <cstdint>

// Steps stmt to its end, fetching every column of every row. Returns a sum
// over the values (a text counts its bytes), so that no read can be left out.
inline int64_t ReadEveryValue(sqlite3_stmt* stmt) {
    int64_t sum = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW)
        for (int i = 0; i < sqlite3_column_count(stmt); ++i)
            sum += sqlite3_column_type(stmt, i) == SQLITE_TEXT ? sqlite3_column_bytes(stmt, i)
                                                               : sqlite3_column_int64(stmt, i);
    return sum;
}
