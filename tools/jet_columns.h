// How a field of the SQLite convention (see mdb_schema.h) is laid out as a
// Jet 4 column: its Access type code, whether it has a fixed place in the
// record, and the bytes it takes there.
#pragma once

#include <cstdint>

#include "tools/mdb_schema.h"

namespace calvora::mdbexport {

using mdbimport::ImportField;

// The Access column type (mdbtools' MDB_BOOL ... MDB_REPID).
unsigned char AccessType(dao::DataType type);

// Memo and OLE: a 12-byte reference in the record, the value after it or on
// long-value pages.
bool IsLongValue(dao::DataType type);

// Stored at a fixed offset of every record (all but Text, Memo and OLE).
bool IsFixed(dao::DataType type);

// Bytes a column takes in a record (Text: its size in UTF-16 bytes, the most
// it may hold). A Boolean lives in the null mask and takes none, though the
// definition states 1.
uint16_t ColumnLength(const ImportField& field);

}  // namespace calvora::mdbexport
