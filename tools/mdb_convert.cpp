#include "tools/mdb_convert.h"

#include "tools/mdb_reader.h"
#include "tools/mdb_sqlite_builder.h"

namespace calvora::mdbimport {

ConvertedDatabase ConvertAccessFile(const std::filesystem::path& source) {
    AccessReader reader(source);
    SqliteBuilder builder(source.string());
    ConvertedDatabase result;
    for (const ImportTable& table : reader.Tables()) {
        builder.BeginTable(table);
        reader.ReadRecords(
            table, [&](const std::vector<FieldValue>& values, int64_t) { builder.Insert(values); });
        ++result.tables;
        result.records += table.recordCount;
    }
    result.bytes = builder.FileBytes();
    return result;
}

}  // namespace calvora::mdbimport
