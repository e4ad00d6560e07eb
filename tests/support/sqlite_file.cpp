#include "tests/support/sqlite_file.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

namespace calvora::test {

void ExecuteScript(const std::filesystem::path& file, const std::string& script) {
    sqlite3* db = nullptr;
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << file;
        sqlite3_close(db);
        return;
    }
    char* message = nullptr;
    int rc = sqlite3_exec(db, script.c_str(), nullptr, nullptr, &message);
    EXPECT_EQ(rc, SQLITE_OK) << (message ? message : "") << "\nin script for " << file << ":\n"
                             << script;
    sqlite3_free(message);
    sqlite3_close(db);
}

std::vector<std::string> QueryRows(const std::filesystem::path& file, const std::string& sql) {
    std::vector<std::string> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << file;
        sqlite3_close(db);
        return rows;
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql << " on " << file;
    } else {
        while (sqlite3_step(stmt) == SQLITE_ROW) {
            std::string row;
            for (int c = 0; c < sqlite3_column_count(stmt); ++c) {
                if (c > 0)
                    row += '|';
                const unsigned char* text = sqlite3_column_text(stmt, c);
                row += text ? reinterpret_cast<const char*>(text) : "NULL";
            }
            rows.push_back(row);
        }
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

HeldLock::HeldLock(const std::filesystem::path& file, Kind kind) {
    if (sqlite3_open(file.c_str(), &db_) != SQLITE_OK) {
        ADD_FAILURE() << "cannot open " << file;
        return;
    }
    // A shared lock is taken by the first read of a transaction; in the
    // rollback-journal mode BEGIN EXCLUSIVE shuts out readers at once.
    const char* sql = kind == Kind::Shared  ? "BEGIN; SELECT COUNT(*) FROM sqlite_master;"
                      : kind == Kind::Write ? "BEGIN IMMEDIATE;"
                                            : "BEGIN EXCLUSIVE;";
    EXPECT_EQ(sqlite3_exec(db_, sql, nullptr, nullptr, nullptr), SQLITE_OK)
        << sqlite3_errmsg(db_) << " locking " << file;
}

HeldLock::~HeldLock() {
    sqlite3_exec(db_, "ROLLBACK;", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
}

}  // namespace calvora::test
