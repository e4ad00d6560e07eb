// Converting one Access database into the bytes of the equivalent SQLite
// database: every user table with its fields (names, order, types, sizes)
// and every record with every value, nulls included.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace calvora::mdbimport {

struct ConvertedDatabase {
    std::string bytes;  // the complete SQLite file
    int64_t tables = 0;
    int64_t records = 0;
};

// Reads source whole and builds the converted database in memory; nothing is
// written to disk. Raises ImportFailure (message naming the file, and table,
// field and record where one is involved) when the file cannot be read or a
// value cannot be carried over unchanged.
ConvertedDatabase ConvertAccessFile(const std::filesystem::path& source);

}  // namespace calvora::mdbimport
