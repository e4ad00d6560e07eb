// `presetdb import`: moving a project's Access databases (Jet 3 / Jet 4
// ".mdb" files made on Windows) into the SQLite format this program's
// database engine uses.
//
//   presetdb import [--force] SOURCE.mdb TARGET
//       writes the converted database to TARGET; an existing TARGET is
//       replaced only with --force.
//   presetdb import [--force] --in-place SOURCE.mdb
//       converts SOURCE under its own name and keeps the Access file beside
//       it as SOURCE.jet.bak (e.g. Calvora.mdb.jet.bak); an existing backup
//       is replaced only with --force.
//   presetdb import --check SOURCE.mdb
//       lists the tables, their fields with the types they will get, and
//       their record counts, writing nothing.
//
// A written file appears only complete: it is built in memory, written to a
// temporary file in the target's folder and renamed over the target. On any
// failure the target (and, in place, the source) is left as it was.
//
// Exit codes: 0 success, 1 usage error (usage text on err), 2 failure (one
// message on err naming the file, and the table, field and record involved).
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace calvora {

// args are the words after "import". Reports go to out, problems to err.
int RunImportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace calvora
