// The table model that `presetdb import` hands from the Access reader to the
// SQLite builder, and the on-disk convention that turns it into declared
// column types.
//
// A field carries the DAO field type code and size the Jet engine reports
// for it; the declared type written to SQLite encodes both, so the engine
// reading the converted file sees the same Type and Size a DAO program saw:
//
//   BIT 1 | BYTE 2 | SHORT 3 | LONG 4 | COUNTER 4 (AutoNumber) | CURRENCY 5 |
//   SINGLE 6 | DOUBLE 7 | DATETIME 8 | TEXT(n) 10 | LONGBINARY 11 | MEMO 12 |
//   GUID 15
//
// Values travel as FieldValue: whole numbers (Boolean as 0/-1, Byte, Integer,
// Long) as int64_t; Currency, Single and Double as double; Date, Text, Memo
// and GUID as UTF-8 text in their stored form; Long binary as Blob.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

#include "dao/schema.h"

namespace calvora::mdbimport {

struct ImportField {
    std::string name;
    dao::DataType type = dao::DataType::Text;
    int size = 0;          // DAO Size: characters for Text, bytes otherwise, 0 for Memo/Long binary
    bool counter = false;  // an AutoNumber Long
};

struct ImportTable {
    std::string name;
    std::vector<ImportField> fields;  // in column order
    int64_t recordCount = 0;          // as the Access file's table definition states it
};

struct Blob {
    std::string bytes;
    friend bool operator==(const Blob&, const Blob&) = default;
};

using FieldValue = std::variant<std::monostate, int64_t, double, std::string, Blob>;

// A conversion that cannot be completed as asked: the message names the
// file, table, field and record involved and is shown to the user as it is.
class ImportFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A file, table or field name in double quotes, as failure messages show it.
std::string Quoted(const std::string& name);

// The declared column type for a field ("TEXT(50)", "COUNTER", ...), as the
// engine writes it.
std::string DeclaredType(const ImportField& field);

}  // namespace calvora::mdbimport
