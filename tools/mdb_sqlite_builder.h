// Building the converted database: tables in the declared-type convention
// (see mdb_schema.h), filled record by record, in memory, and handed out as
// the bytes of one SQLite file, so that the caller can put the file in place
// whole or not at all.
//
// Tables get no keys, indexes or constraints; records keep their order
// (rowid = record number). Names keep their spelling.
//
// Before a table counts as written, every stored value is checked against
// its field's type: SQLite's column affinity turns a MEMO text that reads as
// a number ("007", "1.50") into that number, and such a change is refused
// rather than written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/mdb_schema.h"

struct sqlite3;
struct sqlite3_stmt;

namespace calvora::mdbimport {

class SqliteBuilder {
  public:
    // An empty in-memory database; failure messages start with the source
    // file's name.
    explicit SqliteBuilder(std::string source);
    ~SqliteBuilder();
    SqliteBuilder(const SqliteBuilder&) = delete;
    SqliteBuilder& operator=(const SqliteBuilder&) = delete;

    // Creates the table and makes it the one Insert fills. Raises
    // ImportFailure for a name SQLite refuses (for example one starting with
    // "sqlite_") and for a field type outside the convention.
    void BeginTable(const ImportTable& table);

    // Appends one record; values in field order, as the reader delivers them.
    void Insert(const std::vector<FieldValue>& values);

    // Checks the stored values of the current table (see above). Raises
    // ImportFailure naming table, field and record of the first changed value.
    void EndTable();

    // The database file's bytes. The builder is finished afterwards.
    std::string FileBytes();

  private:
    [[noreturn]] void Fail(const std::string& what) const;
    void Exec(const std::string& sql, const std::string& what);

    struct Close {
        void operator()(sqlite3* db) const;
        void operator()(sqlite3_stmt* statement) const;
    };
    std::unique_ptr<sqlite3, Close> db_;
    std::unique_ptr<sqlite3_stmt, Close> insert_;
    std::string where_;
    ImportTable table_;
};

}  // namespace calvora::mdbimport
