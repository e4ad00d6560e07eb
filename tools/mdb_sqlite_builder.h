// Building the converted database: tables in the declared-type convention
// (see mdb_schema.h), filled record by record, in memory, and handed out as
// the bytes of one SQLite file, so that the caller can put the file in place
// whole or not at all.
//
// Tables get no keys, indexes or constraints; records keep their order
// (rowid = record number). Names keep their spelling.
//
// Values are stored exactly as the engine stores them (the engine's
// BindStored does the binding), so a converted file reads back through the
// engine as the Access file held it: a MEMO text that reads as a number
// ("007", "1.50"), which SQLite's numeric affinity would turn into that
// number, is kept as the engine keeps it, and reads back as the same text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dao/schema.h"
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
    // Raises ImportFailure when SQLite refuses the record.
    void Insert(const std::vector<FieldValue>& values);

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
    std::vector<dao::ColumnType> columns_;  // the engine's view of table_'s fields
};

}  // namespace calvora::mdbimport
