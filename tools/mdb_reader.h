// Reading an Access database (Jet 3 or Jet 4 ".mdb") through mdbtools.
//
// Only the user tables are read (the MSys* system tables are not). Values are
// taken from the stored bytes of each record, never from mdbtools' text
// rendering, which depends on the locale and cuts long memos. A Boolean is
// never null: Jet keeps it in the record's null mask, a cleared bit is false.
//
// Records come in the order the file delivers them (the order a DAO table
// scan sees), each once. Every failure raises ImportFailure with a message
// naming the file and, where it applies, the table, field and record; while
// a reader exists, the process's stderr is silenced, so that mdbtools' own
// diagnostics do not reach the terminal.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

#include "tools/mdb_schema.h"

namespace calvora::mdbimport {

class AccessReader {
  public:
    // Opens the file read-only. Raises ImportFailure when it is missing,
    // unreadable, or not an Access database (an SQLite file gets a message
    // of its own, so a second conversion is recognised as such).
    explicit AccessReader(const std::filesystem::path& file);
    ~AccessReader();
    AccessReader(const AccessReader&) = delete;
    AccessReader& operator=(const AccessReader&) = delete;

    // The user tables with their fields and record counts, in catalog order.
    // Raises ImportFailure for a damaged table definition and for a field
    // whose type the SQLite format cannot hold (Decimal, fixed Binary, ...).
    const std::vector<ImportTable>& Tables() const { return tables_; }

    // Calls onRecord with every record of table (one of Tables()), values in
    // field order, recordNumber counting from 1. Raises ImportFailure for a
    // value its field type cannot hold unchanged, for damaged records and
    // when fewer or more records are found than the table states.
    void ReadRecords(const ImportTable& table,
                     const std::function<void(const std::vector<FieldValue>& values,
                                              int64_t recordNumber)>& onRecord);

  private:
    struct Handle;
    std::filesystem::path file_;
    std::unique_ptr<Handle> handle_;
    std::vector<ImportTable> tables_;
};

}  // namespace calvora::mdbimport
