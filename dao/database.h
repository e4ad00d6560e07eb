// Opening a preset database and working with it.
//
// Transaction rule: everything done through one open Database runs in one
// transaction, committed by Close() and, when the Database is destroyed
// without Close (an unwinding end-of-program signal, a failure), by the
// destructor: work already stored stays. The file uses SQLite's rollback
// journal, so at rest (no Database open) a database is exactly one file that
// can be copied whole; a crash leaves it as the last commit left it.
//
// Another program's lock is waited for at most two seconds, then reported
// (3045 at open, 3218 at a write); the engine never hangs on a lock.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dao/recordset.h"
#include "dao/tabledef.h"

namespace calvora::dao {

namespace detail {
class Connection;
class TableDefsImpl;
}  // namespace detail

// The tables of a database, in the order they were created.
class TableDefs {
  public:
    TableDefs() = default;
    explicit TableDefs(std::shared_ptr<detail::TableDefsImpl> impl) : impl_(std::move(impl)) {}

    int32_t Count() const;
    // Item by position 0 .. Count() - 1; raises 3265 outside.
    TableDef Item(int32_t index) const;
    // Item by case-blind name; raises 3265 when there is none.
    TableDef Item(std::string_view name) const;
    bool Contains(std::string_view name) const;

    // Creates the table of a definition made by Database::CreateTableDef, with
    // its fields in their order and nothing else (no index, key, default or
    // rule). The definition then describes the stored table. Raises 3010 when
    // a table of that name exists (case-blind), 3264 without fields, 3219
    // when the definition is already stored.
    void Append(const TableDef& def);

    // Drops the table of that case-blind name with its records. Raises 3265
    // when there is none.
    void Delete(std::string_view name);

    // Re-reads the collection from the file.
    void Refresh();

  private:
    std::shared_ptr<detail::TableDefsImpl> impl_;
};

class Database {
  public:
    Database() = default;  // "Nothing": every operation raises 91
    ~Database();
    Database(Database&&) noexcept;
    Database& operator=(Database&&) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    explicit operator bool() const { return conn_ != nullptr; }

    const std::filesystem::path& Path() const;

    // A table name (case-blind) gives a table-type recordset; a text starting
    // with SELECT gives a query recordset (dialect in dialect.h); any
    // other text with blanks that names no table is taken for SQL too.
    // Raises 3078 for an unknown table, 3061 / 3075 / 3129 for SQL texts as
    // dialect.h states.
    Recordset OpenRecordset(std::string_view source);

    dao::TableDefs TableDefs();

    // A new, unattached table definition (nothing changes in the file).
    TableDef CreateTableDef(std::string_view name);

    // Asks the engine to verify the whole file (every page, every index).
    // Raises 3049 naming what it found when the file is damaged, and what
    // reading raises (3045 / 3218 locked, 3343) when it cannot look. Changes
    // nothing.
    void CheckIntegrity();

    // Closes without saving: everything done through this Database since it
    // opened is undone, and a file only read stays exactly as it was.
    // Objects of this database raise 3420 afterwards. Never fails.
    void Discard() noexcept;

    // Commits and closes; objects of this database raise 3420 afterwards.
    // Closing a closed database does nothing. Raises when the commit fails
    // (3218 locked, 3026 disk full, 3043 disk error); the file then keeps
    // its state before this open.
    void Close();

    detail::Connection& Conn() const;  // for the engine's own use

  private:
    friend Database OpenDatabase(const std::filesystem::path& file,
                                 std::string_view nameInMessages);
    friend Database OpenDatabaseReadOnly(const std::filesystem::path& file);
    explicit Database(std::shared_ptr<detail::Connection> conn);
    std::shared_ptr<detail::Connection> conn_;
};

// Opens an existing database for reading and writing. Never creates a file.
// Raises 3024 when the file does not exist or is a folder (the description
// says which), 3343 when it is not an SQLite database (empty and truncated
// files included) and, with a description telling to convert it with
// "presetdb import", when it is an Access file; 3051 when it is not a
// regular file (a pipe or device, refused without reading from it) or cannot
// be opened for writing (read-only, no permission);
// 3045 when another program keeps it locked beyond the wait.
//
// Failure descriptions, at the open and later, name the file as
// nameInMessages, written as it is (quotes included); by default the path
// in single quotes. A caller that knows the file under another name than
// its path, as its users know it, passes that.
Database OpenDatabase(const std::filesystem::path& file, std::string_view nameInMessages = {});

// Opens an existing database for reading only, leaving the file exactly as it
// is (a write-protected file included); for looking into databases, as the
// presetdb tool does. Raises as OpenDatabase except for write protection;
// every write raises 3051.
Database OpenDatabaseReadOnly(const std::filesystem::path& file);

}  // namespace calvora::dao
