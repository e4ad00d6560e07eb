// What `presetdb export` would do with each table of a project database:
// compared with the table of the same name (case-blind) in the Access
// file, field by field and record by record, in the convention of
// mdb_schema.h that both the Access reader and the project side give.
//
//   unchanged  same fields (names, types, sizes, order) and records
//   replaced   differs; the Access table has no indexes
//   refused    differs, but the Access table has indexes
//   left out   the Access file has no such table
#pragma once

// glib first: mdbtools.h includes it inside extern "C", where glib's C++
// parts would not compile; its include guard then makes that inner include empty.
#include <glib.h>
#include <mdbtools.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/jet_table_records.h"

namespace calvora::mdbexport {

enum class Outcome { Same, Replaced, LeftOut, Refused };

struct TablePlan {
    const TableRecords* ours = nullptr;
    std::optional<ImportTable> before;  // the Access file's table
    MdbCatalogEntry* entry = nullptr;   // its catalog entry, when it is replaced or refused
    Outcome outcome = Outcome::LeftOut;
    std::vector<std::string> changes;  // of the fields, in words
};

struct ExportPlan {
    struct MdbClose {
        void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
    };
    std::unique_ptr<MdbHandle, MdbClose> mdb;  // the Access file, its catalog read
    std::vector<TableRecords> ours;
    std::vector<TablePlan> tables;  // one per table of ours, in its order
};

// Why a changed table with indexes is refused.
inline constexpr const char* kIndexRefusal =
    "it has indexes in the Access file, which this export does not rebuild";

// Reads both files and compares them; accessBytes is the Access file's
// content. Raises ExportFailure for an Access file that is not Jet 4 (Jet 3,
// ACE / .accdb), is encrypted or damaged, and for a project database that
// cannot be read (see ReadProjectTables).
ExportPlan MakePlan(const std::filesystem::path& database, const std::filesystem::path& access,
                    const std::string& accessBytes);

// One line per table ("table NAME: replaced, 12 records (before 11)", then
// its field changes indented; unchanged; left out; refused and why).
void ReportPlan(const ExportPlan& plan, std::ostream& out);

// "1 record", "2 records".
std::string Counted(int64_t n, const char* word);

}  // namespace calvora::mdbexport
