#include "tools/mdb_sqlite_builder.h"

#include <sqlite3.h>

namespace calvora::mdbimport {

namespace {

std::string Identifier(const std::string& name) {
    std::string quoted = "\"";
    for (char c : name) {
        quoted += c;
        if (c == '"')
            quoted += '"';
    }
    return quoted + "\"";
}

// The storage classes a field's values may have once stored. Currency and
// Single columns have NUMERIC affinity, which stores a whole-valued real as
// an integer without changing its value.
const char* AllowedStorage(int typeCode) {
    switch (typeCode) {
        case type::kBoolean:
        case type::kByte:
        case type::kInteger:
        case type::kLong:
            return "'integer'";
        case type::kCurrency:
        case type::kSingle:
        case type::kDouble:
            return "'real','integer'";
        case type::kLongBinary:
            return "'blob'";
        default:
            return "'text'";
    }
}

}  // namespace

void SqliteBuilder::Close::operator()(sqlite3* db) const {
    sqlite3_close(db);
}

void SqliteBuilder::Close::operator()(sqlite3_stmt* statement) const {
    sqlite3_finalize(statement);
}

SqliteBuilder::SqliteBuilder(std::string source) : where_(Quoted(source) + ": ") {
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    db_.reset(db);
    if (rc != SQLITE_OK)
        Fail("the converted database cannot be created");
    // Writing a header field makes SQLite create page 1, so that a database
    // without tables still comes out as a complete file rather than none.
    Exec("PRAGMA user_version = 0", "the converted database cannot be created");
    Exec("BEGIN", "the converted database cannot be created");
}

SqliteBuilder::~SqliteBuilder() = default;

void SqliteBuilder::Fail(const std::string& what) const {
    throw ImportFailure(where_ + what +
                        (db_ ? std::string(" (") + sqlite3_errmsg(db_.get()) + ")" : ""));
}

void SqliteBuilder::Exec(const std::string& sql, const std::string& what) {
    if (sqlite3_exec(db_.get(), sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        Fail(what);
}

void SqliteBuilder::BeginTable(const ImportTable& table) {
    table_ = table;
    std::string columns;
    std::string parameters;
    for (const ImportField& field : table.fields) {
        if (!columns.empty()) {
            columns += ", ";
            parameters += ", ";
        }
        columns += Identifier(field.name) + " " + DeclaredType(field);
        parameters += "?";
    }
    Exec("CREATE TABLE " + Identifier(table.name) + " (" + columns + ")",
         "table " + Quoted(table.name) + " cannot be created");
    const std::string sql =
        "INSERT INTO " + Identifier(table.name) + " VALUES (" + parameters + ")";
    sqlite3_stmt* insert = nullptr;
    const int rc = sqlite3_prepare_v2(db_.get(), sql.c_str(), -1, &insert, nullptr);
    insert_.reset(insert);
    if (rc != SQLITE_OK)
        Fail("table " + Quoted(table.name) + " cannot be written");
}

void SqliteBuilder::Insert(const std::vector<FieldValue>& values) {
    sqlite3_stmt* insert = insert_.get();
    for (size_t i = 0; i < values.size(); ++i) {
        const int n = static_cast<int>(i) + 1;
        const FieldValue& v = values[i];
        if (const auto* whole = std::get_if<int64_t>(&v)) {
            sqlite3_bind_int64(insert, n, *whole);
        } else if (const auto* real = std::get_if<double>(&v)) {
            sqlite3_bind_double(insert, n, *real);
        } else if (const auto* text = std::get_if<std::string>(&v)) {
            sqlite3_bind_text64(insert, n, text->data(), text->size(), SQLITE_TRANSIENT,
                                SQLITE_UTF8);
        } else if (const auto* blob = std::get_if<Blob>(&v)) {
            // A zero-length blob bound from an empty buffer would become null.
            if (blob->bytes.empty()) {
                sqlite3_bind_zeroblob(insert, n, 0);
            } else {
                sqlite3_bind_blob64(insert, n, blob->bytes.data(), blob->bytes.size(),
                                    SQLITE_TRANSIENT);
            }
        } else {
            sqlite3_bind_null(insert, n);
        }
    }
    if (sqlite3_step(insert) != SQLITE_DONE) {
        Fail("table " + Quoted(table_.name) + " cannot be written");
    }
    sqlite3_reset(insert);
    sqlite3_clear_bindings(insert);
}

void SqliteBuilder::EndTable() {
    insert_.reset();
    for (const ImportField& field : table_.fields) {
        const std::string sql = "SELECT rowid, typeof(" + Identifier(field.name) + ") FROM " +
                                Identifier(table_.name) + " WHERE typeof(" +
                                Identifier(field.name) + ") NOT IN ('null', " +
                                AllowedStorage(field.type) + ") ORDER BY rowid LIMIT 1";
        sqlite3_stmt* raw = nullptr;
        const int rc = sqlite3_prepare_v2(db_.get(), sql.c_str(), -1, &raw, nullptr);
        std::unique_ptr<sqlite3_stmt, Close> check(raw);
        if (rc != SQLITE_OK)
            Fail("table " + Quoted(table_.name) + " cannot be checked");
        if (sqlite3_step(check.get()) == SQLITE_ROW) {
            throw ImportFailure(
                where_ + "table " + Quoted(table_.name) + ", field " + Quoted(field.name) +
                ", record " + std::to_string(sqlite3_column_int64(check.get(), 0)) + ": " +
                DeclaredType(field) + " would store the value as " +
                reinterpret_cast<const char*>(sqlite3_column_text(check.get(), 1)) +
                ", changing it (SQLite reads a text that looks like a number as that "
                "number)");
        }
    }
}

std::string SqliteBuilder::FileBytes() {
    Exec("COMMIT", "the converted database cannot be completed");
    sqlite3_int64 size = 0;
    unsigned char* data = sqlite3_serialize(db_.get(), "main", &size, 0);
    if (!data)
        Fail("the database cannot be written out");
    std::string bytes(reinterpret_cast<const char*>(data), static_cast<size_t>(size));
    sqlite3_free(data);
    return bytes;
}

}  // namespace calvora::mdbimport
