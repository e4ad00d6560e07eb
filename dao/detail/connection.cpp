#include "dao/detail/connection.h"

#include <unistd.h>

#include <array>
#include <cstring>
#include <fstream>
#include <optional>

#include "dao/conversion.h"
#include "dao/detail/nocase.h"
#include "dao/stored_value.h"
#include "dao/types.h"
#include "platform/failure.h"
#include "platform/text.h"

namespace calvora::dao::detail {

namespace fs = std::filesystem;

namespace {

// A host path as messages name a file that has no name of its own there.
std::string QuotedPath(const fs::path& file) {
    std::string quoted = "'";
    quoted += file.string();
    quoted += '\'';
    return quoted;
}

// shown: the file as messages name it (see Connection::Open).
[[noreturn]] void RaiseOpen(int32_t number, const std::string& shown, const std::string& why) {
    throw Failure(number, kSourceEngine, "Cannot open the database " + shown + ": " + why);
}

// Looks at the first bytes before SQLite does, so that an Access file or
// other foreign file gets a precise message, and an empty file (which
// SQLite would quietly take for a new database) is refused.
void CheckFileKind(const fs::path& file, const std::string& shown) {
    std::error_code ec;
    const fs::file_status status = fs::status(file, ec);
    if (ec || !fs::exists(status))
        throw Failure(err::kDatabaseNotFound, kSourceEngine,
                      "Could not find the database file " + shown + ": there is no such file");
    if (fs::is_directory(status))
        throw Failure(err::kDatabaseNotFound, kSourceEngine,
                      "Could not find the database file " + shown + ": it is a folder, not a file");
    // Reading a pipe or device would wait for a writer or never end.
    if (!fs::is_regular_file(status))
        RaiseOpen(err::kCannotOpen, shown, "it is not a regular file (a pipe, device or socket)");
    std::ifstream in(file, std::ios::binary);
    if (!in)
        RaiseOpen(err::kCannotOpen, shown, "the file cannot be read (permission denied)");
    std::array<char, 32> header{};
    in.read(header.data(), header.size());
    const std::string_view head(header.data(), static_cast<size_t>(in.gcount()));
    if (head.empty())
        RaiseOpen(err::kUnrecognizedFormat, shown, "the file is empty, not a database");
    if (head.starts_with(std::string_view("SQLite format 3\0", 16)))
        return;
    if (head.size() >= 19 &&
        (head.substr(4, 15) == "Standard Jet DB" || head.substr(4, 15) == "Standard ACE DB"))
        RaiseOpen(err::kUnrecognizedFormat, shown,
                  "it is an Access (Jet) database; convert it first with: presetdb import '" +
                      file.string() + "'");
    RaiseOpen(err::kUnrecognizedFormat, shown, "unrecognized database format");
}

// SQLite writes its rollback journal beside the file, so the folder must
// allow changes too; saying so at open beats a puzzling failure at the
// first write.
void CheckWritable(const fs::path& file, const std::string& shown) {
    if (::access(file.c_str(), W_OK) != 0)
        RaiseOpen(err::kCannotOpen, shown, "the file is read-only");
    const fs::path folder = file.has_parent_path() ? file.parent_path() : fs::path(".");
    if (::access(folder.c_str(), W_OK) != 0)
        RaiseOpen(err::kCannotOpen, shown,
                  "its folder does not allow changes (the engine writes a journal beside it)");
}

}  // namespace

int TableInfo::Find(std::string_view column) const {
    for (size_t i = 0; i < columns.size(); ++i)
        if (SameName(columns[i].name, column))
            return static_cast<int>(i);
    return -1;
}

TableColumns TableInfo::Columns() const {
    TableColumns table{name, {}, {}};
    for (const ColumnInfo& column : columns) {
        table.columnNames.push_back(column.name);
        table.columnTypes.push_back(column.type);
    }
    return table;
}

std::vector<std::string> TableInfo::Counters() const {
    std::vector<std::string> counters;
    for (const ColumnInfo& column : columns)
        if (column.type.counter)
            counters.push_back(column.name);
    return counters;
}

std::shared_ptr<const std::vector<std::string>> FieldTexts(std::string_view table,
                                                           const std::vector<ColumnInfo>& columns) {
    auto texts = std::make_shared<std::vector<std::string>>();
    for (const ColumnInfo& column : columns)
        texts->push_back(std::string(table).append(".").append(column.name));
    return texts;
}

std::string ParamName(size_t n) {
    std::string out = "?";
    return out.append(std::to_string(n));
}

std::string QuoteName(std::string_view name) {
    std::string out = "\"";
    for (char c : name) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + "\"";
}

std::string RowIdAlias(const std::vector<std::string>& columnNames) {
    for (const char* alias : {"rowid", "_rowid_", "oid"}) {
        bool shadowed = false;
        for (const std::string& column : columnNames)
            shadowed = shadowed || SameName(column, alias);
        if (!shadowed)
            return alias;
    }
    throw Failure(err::kEngineFailure, kSourceDatabase,
                  "A table with columns named rowid, _rowid_ and oid is not supported");
}

std::shared_ptr<Connection> Connection::Open(const fs::path& file, Access access,
                                             std::string_view nameInMessages) {
    const std::string shown =
        nameInMessages.empty() ? QuotedPath(file) : std::string(nameInMessages);
    // SQLite counts every allocation under a process-wide lock for
    // sqlite3_status, which the engine never asks. The setting takes only
    // before SQLite's first use in the process; later it is refused, harmlessly.
    static const int memoryStatusOff = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    (void)memoryStatusOff;
    const bool write = access == Access::ReadWrite;
    CheckFileKind(file, shown);
    if (write)
        CheckWritable(file, shown);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(
        file.c_str(), &db,
        (write ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_NOMUTEX, nullptr);
    std::shared_ptr<Connection> conn(new Connection(file, shown, db));
    if (rc != SQLITE_OK) {
        conn->db_ = nullptr;
        sqlite3_close_v2(db);
        RaiseOpen(err::kCannotOpen, shown, sqlite3_errstr(rc));
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    sqlite3_extended_result_codes(db, 0);
    RegisterNoCaseCollation(db);
    // Not for the database's own schema (triggers, views): only the engine's
    // statements may ask for the edits.
    for (const auto& [name, function] :
         {std::pair{"calvora_is_edited", &Connection::IsEdited},
          std::pair{"calvora_edited_value", &Connection::EditedValue}})
        sqlite3_create_function_v2(db, name, 1, SQLITE_UTF8 | SQLITE_DIRECTONLY, conn.get(),
                                   function, nullptr, nullptr, nullptr);
    try {
        if (write && sqlite3_db_readonly(db, "main") == 1)
            RaiseOpen(err::kCannotOpen, shown, "the file is read-only");
        // Reading the schema proves the format; the journal mode makes the
        // file a single file again when a client left it in WAL mode.
        conn->TableNames();
        if (write)
            conn->Exec("PRAGMA journal_mode=DELETE", kSourceEngine);
        // A page cache that holds a whole preset database: with SQLite's
        // default of 2 MiB a run at the record limit spills changed pages to
        // the file before the commit (each spill syncing the journal) and
        // reads pages again and again. The cache grows only as pages are used.
        conn->Exec("PRAGMA cache_size=" + std::to_string(-kCacheKiB), kSourceEngine);
        conn->Exec("BEGIN", kSourceEngine);
    } catch (const Failure& f) {
        conn->ReleaseStatements();
        sqlite3_close_v2(conn->db_);
        conn->db_ = nullptr;
        if (f.Number() == err::kCurrentlyLocked)
            RaiseOpen(err::kFileInUse, shown, "the file is in use (locked by another program)");
        throw;
    }
    return conn;
}

const Variant* Connection::EditOf(sqlite3_context* context, sqlite3_value** args) {
    const auto* conn = static_cast<const Connection*>(sqlite3_user_data(context));
    if (!conn->edits_)
        return nullptr;
    const auto found = conn->edits_->byRowid.find(sqlite3_value_int64(args[0]));
    return found == conn->edits_->byRowid.end() ? nullptr : found->second;
}

void Connection::IsEdited(sqlite3_context* context, int, sqlite3_value** args) {
    sqlite3_result_int(context, EditOf(context, args) != nullptr);
}

void Connection::EditedValue(sqlite3_context* context, int, sqlite3_value** args) {
    const Variant* value = EditOf(context, args);
    if (value)
        ResultStored(context, *value,
                     static_cast<const Connection*>(sqlite3_user_data(context))->edits_->type);
    else
        sqlite3_result_null(context);
}

int64_t Connection::RunEdits(sqlite3_stmt* stmt, const FieldEdits& edits, const char* source,
                             std::string_view what, std::string_view subject) {
    // The edits are answered for this one step only, whatever it ends in.
    struct Running {
        Connection& conn;
        sqlite3_stmt* stmt;
        ~Running() {
            conn.edits_ = nullptr;
            sqlite3_reset(stmt);
        }
    } running{*this, stmt};
    edits_ = &edits;
    Step(stmt, source, what, subject);
    return sqlite3_changes64(db_);
}

Connection::~Connection() {
    CloseNoThrow();
}

void Connection::CheckOpen(const char* source) const {
    if (!db_)
        throw Failure(err::kObjectClosed, source,
                      "Object invalid or no longer set: the database " + FileText() + " is closed");
}

void Connection::KeepRunning(sqlite3_stmt* stmt, uint64_t walker) {
    running_ = stmt;
    runningWalker_ = walker;
}

sqlite3_stmt* Connection::TakeRunning(uint64_t walker) {
    if (!running_ || runningWalker_ != walker)
        return nullptr;
    sqlite3_stmt* stmt = running_;
    running_ = nullptr;
    return stmt;
}

void Connection::StopRunning() {
    if (running_)
        sqlite3_reset(running_);
    running_ = nullptr;
}

void Connection::ReleaseStatements() {
    StopRunning();
    statements_.clear();
    tables_.clear();
    schemaVersion_ = -1;
}

void Connection::Close() {
    if (!db_)
        return;
    ReleaseStatements();
    const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
    const std::string message = rc == SQLITE_OK ? "" : sqlite3_errmsg(db_);
    if (rc != SQLITE_OK)
        sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db_);
    db_ = nullptr;
    if (rc != SQLITE_OK)
        RaiseMapped(rc, kSourceDatabase,
                    "saving the changes at close in " + FileText() + ": " + message);
}

void Connection::Discard() noexcept {
    if (!db_)
        return;
    ReleaseStatements();
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db_);
    db_ = nullptr;
}

void Connection::CloseNoThrow() noexcept {
    try {
        Close();
    } catch (...) {
        // A destructor cannot report; Close() has rolled back, so the file
        // keeps its state from before this open.
    }
}

void Connection::Raise(int rc, const char* source, std::string_view what) const {
    RaiseMapped(rc, source,
                std::string(what) + " in " + FileText() + ": " +
                    (db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc)));
}

void RaiseMapped(int rc, const char* source, const std::string& detail) {
    switch (rc & 0xff) {
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            throw Failure(err::kCurrentlyLocked, source,
                          "Could not update; currently locked by another program: " + detail);
        case SQLITE_READONLY:
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
            throw Failure(err::kCannotOpen, source, "Cannot write: " + detail);
        case SQLITE_NOTADB:
        case SQLITE_CORRUPT:
            throw Failure(err::kUnrecognizedFormat, source,
                          "Unrecognized or damaged database format: " + detail);
        case SQLITE_FULL:
            throw Failure(err::kDiskFull, source, "Not enough space on disk: " + detail);
        case SQLITE_IOERR:
            throw Failure(err::kDiskError, source, "Disk or network error: " + detail);
        default:
            throw Failure(err::kEngineFailure, source, "Database engine failure: " + detail);
    }
}

void Connection::Exec(const std::string& sql, const char* source) {
    CheckOpen(source);
    StopRunning();
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr);
    if (rc != SQLITE_OK)
        Raise(rc, source, "preparing \"" + sql + "\"");
    Statement owner(stmt);
    while (Step(stmt, source, sql)) {
    }
}

sqlite3_stmt* Connection::Prepare(const std::string& sql, const char* source) {
    return Ready(Kept(sql, source), source);
}

sqlite3_stmt* Connection::Ready(sqlite3_stmt* stmt, const char* source) {
    ReadyToRebind(stmt, source);
    sqlite3_clear_bindings(stmt);
    return stmt;
}

sqlite3_stmt* Connection::ReadyToRebind(sqlite3_stmt* stmt, const char* source) {
    CheckOpen(source);
    StopRunning();
    sqlite3_reset(stmt);
    return stmt;
}

sqlite3_stmt* Connection::Kept(const std::string& sql, const char* source) {
    CheckOpen(source);
    auto it = statements_.find(sql);
    if (it == statements_.end()) {
        sqlite3_stmt* stmt = nullptr;
        const int rc =
            sqlite3_prepare_v3(db_, sql.c_str(), -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
        if (rc != SQLITE_OK)
            Raise(rc, source, "preparing \"" + sql + "\"");
        it = statements_.emplace(sql, std::make_unique<Statement>(stmt)).first;
    }
    return it->second->Get();
}

bool Connection::Step(sqlite3_stmt* stmt, const char* source, std::string_view what,
                      std::string_view subject) {
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    sqlite3_reset(stmt);
    Raise(rc, source, std::string(what).append(subject));
}

int64_t Connection::SchemaVersion() {
    sqlite3_stmt* stmt = Prepare("PRAGMA schema_version", kSourceDatabase);
    Step(stmt, kSourceDatabase, "reading the schema version");
    const int64_t version = sqlite3_column_int64(stmt, 0);
    sqlite3_reset(stmt);
    return version;
}

std::vector<std::string> Connection::TableNames() {
    sqlite3_stmt* stmt = Prepare(
        "SELECT name FROM sqlite_schema WHERE type = 'table' AND name NOT LIKE 'sqlite\\_%' "
        "ESCAPE '\\' ORDER BY rowid",
        kSourceTableDefs);
    std::vector<std::string> names;
    while (Step(stmt, kSourceTableDefs, "reading the list of tables"))
        names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
    return names;
}

void Connection::SyncSchema() {
    const int64_t version = SchemaVersion();
    if (version != schemaVersion_) {
        tables_.clear();
        schemaVersion_ = version;
    }
}

const TableInfo* Connection::FindTable(std::string_view name) {
    SyncSchema();
    const std::string key = UCase(name);
    if (auto it = tables_.find(key); it != tables_.end())
        return &it->second;
    for (const std::string& stored : TableNames()) {
        if (!SameName(stored, name))
            continue;
        TableInfo info{stored, {}};
        sqlite3_stmt* stmt =
            Prepare("SELECT name, type FROM pragma_table_info(?1)", kSourceTableDefs);
        sqlite3_bind_text(stmt, 1, stored.c_str(), -1, SQLITE_TRANSIENT);
        while (Step(stmt, kSourceTableDefs, "reading the fields of table ", stored)) {
            ColumnInfo column;
            column.name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
            const unsigned char* declared = sqlite3_column_text(stmt, 1);
            column.declared = declared ? reinterpret_cast<const char*>(declared) : "";
            column.type = ParseDeclaredType(column.declared);
            info.columns.push_back(std::move(column));
        }
        return &tables_.emplace(key, std::move(info)).first->second;
    }
    return nullptr;
}

const TableInfo& Connection::Table(std::string_view name, const char* source) {
    if (const TableInfo* table = FindTable(name))
        return *table;
    throw Failure(
        err::kInputTableNotFound, source,
        "Cannot find the input table or query '" + std::string(name) + "' in " + FileText());
}

QueryPlan Connection::Plan(const SelectText& text) {
    // The translation reads the schema when it looks the table up, after the
    // failures of the text itself.
    const TableInfo* info = nullptr;
    TableColumns columns;
    QueryPlan plan;
    plan.query = text.Translate([&](std::string_view name) -> const TableColumns* {
        info = FindTable(name);
        if (!info)
            return nullptr;
        columns = info->Columns();
        return &columns;
    });
    auto selected = std::make_shared<std::vector<ColumnInfo>>();
    for (int position : plan.query.columns)
        selected->push_back(info->columns[position]);
    plan.fieldTexts = FieldTexts(plan.query.table, *selected);
    plan.columns = std::move(selected);
    plan.counters = info->Counters();
    plan.statement = Kept(plan.query.sql, kSourceDatabase);
    if (!plan.query.scanSql.empty())
        plan.scan = Kept(plan.query.scanSql, kSourceDatabase);
    plan.updates = std::make_shared<UpdateStatements>();
    return plan;
}

namespace {

// The value of a number literal of digits alone, as SQLite takes it: an
// integer when it fits 64 bits (-9223372036854775808 included), else nothing
// (SQLite then reads it as a real).
std::optional<int64_t> IntegerLiteral(std::string_view digits, bool negative) {
    if (digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    constexpr uint64_t kLimit = uint64_t{1} << 63;
    uint64_t value = 0;
    for (char c : digits) {
        const uint64_t digit = static_cast<uint64_t>(c - '0');
        if (value > (kLimit - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    if (value < kLimit)
        return negative ? -static_cast<int64_t>(value) : static_cast<int64_t>(value);
    if (negative)
        return INT64_MIN;
    return std::nullopt;
}

}  // namespace

void Connection::BindLiteral(sqlite3_stmt* stmt, int index, const SqlLiteral& literal) {
    if (!literal.number) {
        sqlite3_bind_text(stmt, index, literal.text.data(), static_cast<int>(literal.text.size()),
                          SQLITE_TRANSIENT);
        return;
    }
    if (std::optional<int64_t> integer = IntegerLiteral(literal.text, literal.negative)) {
        sqlite3_bind_int64(stmt, index, *integer);
        return;
    }
    // A real literal: SQLite converts its text to a real by the same routine
    // as the literal in SQL, and negates the result for a minus sign.
    sqlite3_stmt* real = Prepare("SELECT CAST(?1 AS REAL)", kSourceDatabase);
    sqlite3_bind_text(real, 1, literal.text.data(), static_cast<int>(literal.text.size()),
                      SQLITE_TRANSIENT);
    Step(real, kSourceDatabase, "reading the number ", literal.text);
    const double value = sqlite3_column_double(real, 0);
    sqlite3_reset(real);
    sqlite3_bind_double(stmt, index, literal.negative ? -value : value);
}

}  // namespace calvora::dao::detail
