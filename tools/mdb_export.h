// `presetdb export`: taking a project's database back into the Access
// (Jet 4) file it came from, so that the machine's runtime on Windows reads
// the program's result.
//
//   presetdb export [--force] DB --into ACCESS.mdb --out TARGET.mdb
//       writes TARGET: a copy of ACCESS in which every table that DB also
//       has (names compared without regard to case) and whose fields or
//       records differ holds DB's fields and records. The table keeps its
//       catalog entry (name, place, properties); tables that are the same
//       on both sides, and every page not belonging to a replaced table,
//       keep their bytes; only the replaced tables' pages and the page
//       allocation map change. A table only in DB is left out (listed); a
//       table only in ACCESS stays as it is. An existing TARGET is replaced
//       only with --force; TARGET must not be ACCESS itself.
//   presetdb export --check DB --into ACCESS.mdb
//       says what would be written (tables replaced with their field
//       changes and record counts, left out, refused and why), writing
//       nothing.
//
// Only Jet 4 files (Access 2000 to 2003 .mdb) are written: Jet 3 (Access 97),
// ACE (.accdb) and encrypted files are refused, and so is a table that
// would change but has indexes in ACCESS (its index could not follow).
//
// TARGET appears only complete (temporary file beside it, renamed over it).
// Exit codes: 0 success, 1 usage error (usage text on err), 2 failure (one
// message on err naming the file, table, field and record; no TARGET is
// written).
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace calvora {

struct ExportOptions {
    std::filesystem::path database;  // ours (SQLite)
    std::filesystem::path into;      // the Access file the target copies
    std::filesystem::path out;       // the target; empty with check
    bool check = false;
    bool force = false;
};

// Runs one export as described above. Reports go to out, the failure to err.
int RunExport(const ExportOptions& options, std::ostream& out, std::ostream& err);

// args are the words after "export"; parses them into ExportOptions.
int RunExportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace calvora
