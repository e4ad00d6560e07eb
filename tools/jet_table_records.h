// A table as the Access writer takes it: fields in column order, records in
// storage order, values in the convention of mdb_schema.h.
#pragma once

#include <string>
#include <vector>

#include "tools/mdb_schema.h"

namespace calvora::mdbexport {

using mdbimport::FieldValue;
using mdbimport::ImportField;
using mdbimport::ImportTable;

struct TableRecords {
    ImportTable table;  // name, fields; recordCount is rows.size()
    std::vector<std::vector<FieldValue>> rows;
    std::string source;  // the file the records come from, as messages name it
};

}  // namespace calvora::mdbexport
