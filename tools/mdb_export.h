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
// On failure no TARGET is written.
#pragma once

#include <CLI/CLI.hpp>
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

// Registers the command "export" on presetdb's parser. A failed export
// raises ExportFailure (its message names the file, table, field and record).
void AddExportCommand(CLI::App& app, std::ostream& out);

}  // namespace calvora
