// Reading the tables of one of the program's databases (SQLite, through the
// engine) into the model the Access writer takes: fields in column order
// with their DAO types and sizes, records in storage order, values in the
// convention of mdb_schema.h, which is also what the Access reader gives.
#pragma once

#include <filesystem>
#include <vector>

#include "tools/jet_table_writer.h"

namespace calvora::mdbexport {

// Every table of file with its fields and records. Raises ExportFailure
// naming the file (and table, field and record) when it cannot be opened or
// a stored value does not convert to its field's type (for example a SHORT
// field holding 40000, written by another program).
std::vector<TableRecords> ReadProjectTables(const std::filesystem::path& file);

}  // namespace calvora::mdbexport
