// Test helpers for the engine: database files made and read with plain
// SQLite, as any client following the on-disk convention would.
#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/failure.h"

namespace calvora::test {

// Runs script on a new database file at path.
inline void MakeSqlite(const std::filesystem::path& path, const std::string& script) {
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    char* message = nullptr;
    sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);  // fast tests
    const int rc = sqlite3_exec(db, script.c_str(), nullptr, nullptr, &message);
    const std::string text = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error("test script failed: " + text);
}

// The rows of a query, each value as text ("NULL" for null).
inline std::vector<std::vector<std::string>> QuerySqlite(const std::filesystem::path& path,
                                                         const std::string& sql) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    std::vector<std::vector<std::string>> rows;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) == SQLITE_OK) {
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::vector<std::string> row;
            for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
                const unsigned char* v = sqlite3_column_text(stmt, i);
                row.push_back(v ? reinterpret_cast<const char*>(v) : "NULL");
            }
            rows.push_back(row);
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

inline void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The number of the failure f raises, or 0 when it raises none.
template <typename F>
int FailureNumber(F&& f) {
    try {
        f();
    } catch (const Failure& failure) {
        return failure.Number();
    }
    return 0;
}

// The description of the failure f raises, or "" when it raises none.
template <typename F>
std::string FailureText(F&& f) {
    try {
        f();
    } catch (const Failure& failure) {
        return failure.Description();
    }
    return "";
}

// A PRESET_DEFS with the standard fields, part before var_name.
inline const char* kPresetDefsSql =
    "CREATE TABLE PRESET_DEFS (ID LONG, part SHORT, machine_type TEXT(50), type SHORT, "
    "var_name TEXT(100), category_id LONG, isBitArray BIT, offset_or_bitno LONG, "
    "text TEXT(255), page_name TEXT(50), abs_min DOUBLE, abs_max DOUBLE, min DOUBLE, "
    "max DOUBLE, pass TEXT(20));";

}  // namespace calvora::test
