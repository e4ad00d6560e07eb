// Table definition pages (type 0x02) of Jet 4, as mdbtools documents them:
// a 63-byte header (record count, AutoNumber, column counts, the addresses
// of the table's two usage maps), then per index 12 bytes, per column 25
// bytes, the column names (2-byte length, UTF-16), the indexes' details and
// per memo / OLE column the addresses of its long-value usage maps, ended by
// 0xFFFF. A definition longer than a page continues on further pages, each
// after an 8-byte header.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tools/jet_image.h"
#include "tools/jet_table_records.h"

namespace calvora::mdbexport {

// What a table's present definition holds that the new one keeps or that
// is given back.
struct OldDefinition {
    struct Column {
        unsigned char type = 0;
        std::string misc;  // sort order and its version, flags, compression
    };
    std::string bytes;                      // the definition, continuation pages appended
    std::vector<uint32_t> continuation;     // its further pages
    std::vector<uint32_t> maps;             // the address (page << 8 | row) of every usage map
    std::map<std::string, Column> columns;  // by upper-cased name
};

// Reads the definition on defPage; where starts failure messages. Raises
// ExportFailure for a page that is no definition, one cut short, and for a
// table with indexes (its index could not follow the new records).
OldDefinition ReadOldDefinition(const JetImage& image, uint32_t defPage, const std::string& where);

// The new definition of records' table, for its first page: the old header
// (table kind and the flags Jet keeps there), the record count, the
// AutoNumber's last value (the higher of the old one and highestCounter),
// the columns (a column of the same name and type keeps its sort order,
// flags and Unicode compression; Boolean fields take no bytes in a record),
// the names, and the usage maps: maps[0] the table's pages, maps[1] those
// with space, then two per memo / OLE field in field order. Raises
// ExportFailure when it needs more than one page.
std::string NewDefinition(const OldDefinition& old, const TableRecords& records,
                          const std::vector<uint32_t>& maps, int64_t highestCounter,
                          const std::string& where);

}  // namespace calvora::mdbexport
