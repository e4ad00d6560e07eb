// One open SQLite connection behind a Database, shared by the objects made
// from it (recordsets, table definitions, fields keep it alive and ask
// IsOpen() before every use).
//
// Transaction state machine:
//   Open()  -> validated, journal_mode=DELETE, BEGIN (deferred: the file is
//              locked for writing only from the first write on); read-only:
//              validated, BEGIN (a consistent view), nothing written ever
//   Close() -> COMMIT, finalize statements, close   (raises when COMMIT fails;
//              the transaction is then rolled back and the file keeps its state)
//   ~Connection -> Close(), failures swallowed (a destructor must not throw)
// A busy timeout bounds every wait for another program's lock.
#pragma once

#include <sqlite3.h>

#include <boost/unordered/unordered_flat_map.hpp>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "dao/dialect.h"
#include "dao/schema.h"
#include "platform/variant.h"

namespace calvora::dao::detail {

struct ColumnInfo {
    std::string name;
    std::string declared;
    ColumnType type;
};

struct TableInfo {
    std::string name;
    std::vector<ColumnInfo> columns;
    // Position of the column of that case-blind name, or -1.
    int Find(std::string_view column) const;
    // The names and types, as the dialect's translation looks at them.
    TableColumns Columns() const;
    // The names of the COUNTER columns.
    std::vector<std::string> Counters() const;
};

// "table.field" for each of the columns, as failure descriptions name fields.
std::shared_ptr<const std::vector<std::string>> FieldTexts(std::string_view table,
                                                           const std::vector<ColumnInfo>& columns);

// Which fields of a field list a statement writes, one flag per field. Bytes
// rather than bits: the set is compared with the kept statement's for every
// record written, and bytes compare as a block.
using FieldFlags = std::vector<uint8_t>;

// The UPDATE statements (kept by the connection) that write sets of fields
// of one field list, by the fields they write: shared by the recordsets of
// one query plan, most of which are opened to edit a single record.
struct UpdateStatements {
    std::vector<std::pair<FieldFlags, sqlite3_stmt*>> byFields;
};

// What opening a query recordset needs besides the literals.
struct QueryPlan {
    TranslatedQuery query;
    std::shared_ptr<const std::vector<ColumnInfo>> columns;      // the selected columns
    std::shared_ptr<const std::vector<std::string>> fieldTexts;  // see FieldTexts
    sqlite3_stmt* statement = nullptr;                           // query.sql, kept
    sqlite3_stmt* scan = nullptr;  // query.scanSql, kept; nullptr without one
    std::shared_ptr<UpdateStatements> updates;
    std::vector<std::string> counters;  // the table's COUNTER columns
};

// A prepared statement, reset and cleared before each use.
class Statement {
  public:
    explicit Statement(sqlite3_stmt* stmt) : stmt_(stmt) {}
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    sqlite3_stmt* Get() const { return stmt_; }

  private:
    sqlite3_stmt* stmt_;
};

class Connection {
  public:
    static constexpr int kBusyTimeoutMs = 2000;
    // The most memory the page cache of one connection takes.
    static constexpr int kCacheKiB = 32 * 1024;

    enum class Access { ReadWrite, ReadOnly };

    // Raises 3024, 3343, 3051, 3045 as OpenDatabase promises; failures name
    // the file as nameInMessages (by default its path in single quotes).
    static std::shared_ptr<Connection> Open(const std::filesystem::path& file, Access access,
                                            std::string_view nameInMessages = {});
    ~Connection();

    bool IsOpen() const { return db_ != nullptr; }
    // Raises 3420 (source as given) when the connection was closed.
    void CheckOpen(const char* source) const;
    const std::filesystem::path& Path() const { return path_; }
    // The file as failure messages name it, quotes included.
    const std::string& FileText() const { return shown_; }

    // Commits and closes. Raises when the commit fails; the transaction is
    // then rolled back.
    void Close();
    void CloseNoThrow() noexcept;
    // Rolls the transaction back and closes.
    void Discard() noexcept;

    // Runs a statement without results (DDL, DML) inside the transaction.
    void Exec(const std::string& sql, const char* source);

    // A cached prepared statement for this SQL text, reset and unbound.
    sqlite3_stmt* Prepare(const std::string& sql, const char* source);
    // The cached prepared statement for this SQL text, as it was left. It
    // stays valid until the connection closes, so a caller may keep it and
    // skip the lookup by text: Ready makes it what Prepare returns.
    sqlite3_stmt* Kept(const std::string& sql, const char* source);
    sqlite3_stmt* Ready(sqlite3_stmt* stmt, const char* source);
    // Ready, but keeping the last values bound: for a caller that binds every
    // parameter anew, as the record writes do for each of tens of thousands
    // of records.
    sqlite3_stmt* ReadyToRebind(sqlite3_stmt* stmt, const char* source);

    // Steps a statement; true for a row, false when done. Raises the mapped
    // failure for errors, naming what + subject (joined only then: a step
    // is too frequent to build its message in advance).
    bool Step(sqlite3_stmt* stmt, const char* source, std::string_view what,
              std::string_view subject = {});

    // Table walks: a walk's statement may be left running between two of its
    // moves, so that the next move is a step instead of a new search. Any
    // other use of the connection (Prepare, Exec, Close) resets it first, so
    // a running walk never holds a table busy and never steps past a change
    // made since its last step (it searches again from its rowid instead).
    // Other programs cannot change the file meanwhile: the open transaction
    // keeps it locked for reading.
    uint64_t NewWalker() { return ++walkers_; }
    void KeepRunning(sqlite3_stmt* stmt, uint64_t walker);
    // The statement left running for walker, which is then no longer kept
    // running; nullptr when there is none.
    sqlite3_stmt* TakeRunning(uint64_t walker);

    // Tables in creation order.
    std::vector<std::string> TableNames();
    // The table of that case-blind name, or nullptr. Valid until the schema
    // changes (any DDL, here or by another connection).
    const TableInfo* FindTable(std::string_view name);
    // The table of that name or 3078.
    const TableInfo& Table(std::string_view name, const char* source);

    // The plan of a SELECT text, translated against the current schema.
    // Raises as the translation does.
    QueryPlan Plan(const SelectText& text);
    // Binds a literal of a SELECT text with the value SQLite gives the same
    // literal written in SQL.
    void BindLiteral(sqlite3_stmt* stmt, int index, const SqlLiteral& literal);

    // Raises the failure for an SQLite result code.
    [[noreturn]] void Raise(int rc, const char* source, std::string_view what) const;

    // Many records' new values of one field, written by one UPDATE instead
    // of one per record: its WHERE asks calvora_is_edited(rowid) and its SET
    // calvora_edited_value(rowid), SQL functions of every connection that
    // answer from the edits being run (stored as BindStored binds them) and
    // from none otherwise.
    struct FieldEdits {
        ColumnType type;
        boost::unordered_flat_map<int64_t, const Variant*> byRowid;
    };
    // Steps stmt, an UPDATE of that form, once over edits as Step does;
    // returns the number of records it changed.
    int64_t RunEdits(sqlite3_stmt* stmt, const FieldEdits& edits, const char* source,
                     std::string_view what, std::string_view subject);

  private:
    Connection(std::filesystem::path path, std::string shown, sqlite3* db)
        : path_(std::move(path)), shown_(std::move(shown)), db_(db) {}
    void ReleaseStatements();
    // Resets the statement a walk left running.
    void StopRunning();
    int64_t SchemaVersion();
    // Forgets the tables read from an older schema (any DDL, here
    // or by another connection, changes the schema version).
    void SyncSchema();
    // The edit of the record whose rowid is args[0], or nullptr.
    static const Variant* EditOf(sqlite3_context* context, sqlite3_value** args);
    static void IsEdited(sqlite3_context* context, int, sqlite3_value** args);
    static void EditedValue(sqlite3_context* context, int, sqlite3_value** args);

    std::filesystem::path path_;
    std::string shown_;
    sqlite3* db_;
    std::unordered_map<std::string, std::unique_ptr<Statement>> statements_;
    std::unordered_map<std::string, TableInfo> tables_;  // by upper-case name
    int64_t schemaVersion_ = -1;
    sqlite3_stmt* running_ = nullptr;
    uint64_t runningWalker_ = 0;
    uint64_t walkers_ = 0;
    const FieldEdits* edits_ = nullptr;  // while RunEdits runs
};

// Raises the failure that an SQLite result code stands for, with detail as
// the description's tail (3218 locked, 3051 read-only, 3343 not a database,
// 3026 disk full, 3043 disk error, 3000 otherwise).
[[noreturn]] void RaiseMapped(int rc, const char* source, const std::string& detail);

// SQLite's name for the row id that no column shadows (rowid, _rowid_ or
// oid). Raises 3000 when the table has columns of all three names.
std::string RowIdAlias(const std::vector<std::string>& columnNames);

// The SQLite parameter ?n.
std::string ParamName(size_t n);

// "name" quoted for SQLite.
std::string QuoteName(std::string_view name);

}  // namespace calvora::dao::detail
