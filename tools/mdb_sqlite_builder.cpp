#include "tools/mdb_sqlite_builder.h"

#include <sqlite3.h>

#include "dao/stored_value.h"
#include "platform/variant.h"

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

// A reader's value in the form the engine holds it. The reader's whole
// numbers are Boolean (0/-1), Byte, Integer and Long values, all within 32
// bits.
Variant EngineValue(const FieldValue& v) {
    if (const auto* whole = std::get_if<int64_t>(&v))
        return Variant::Long(static_cast<int32_t>(*whole));
    if (const auto* real = std::get_if<double>(&v))
        return Variant::Double(*real);
    if (const auto* text = std::get_if<std::string>(&v))
        return Variant::Text(*text);
    if (const auto* blob = std::get_if<Blob>(&v))
        return Variant::Binary(Bytes(blob->bytes.begin(), blob->bytes.end()));
    return Variant::Null();
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
    columns_.clear();
    std::string columns;
    std::string parameters;
    for (const ImportField& field : table.fields) {
        if (!columns.empty()) {
            columns += ", ";
            parameters += ", ";
        }
        const std::string declared = DeclaredType(field);
        columns += Identifier(field.name) + " " + declared;
        parameters += "?";
        columns_.push_back(dao::ParseDeclaredType(declared));
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
        dao::BindStored(insert, n, EngineValue(values[i]), columns_[i]);
    }
    if (sqlite3_step(insert) != SQLITE_DONE) {
        Fail("table " + Quoted(table_.name) + " cannot be written");
    }
    sqlite3_reset(insert);
    sqlite3_clear_bindings(insert);
}

std::string SqliteBuilder::FileBytes() {
    insert_.reset();
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
