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
//       is replaced only with --force. A SOURCE that is a symbolic link
//       stays one: the file it points to is converted, its backup beside it.
//   presetdb import --check SOURCE.mdb
//       lists the tables, their fields with the types they will get, and
//       their record counts, writing nothing.
//
// A written file appears only complete: it is built in memory, written to a
// temporary file in the target's folder and renamed over the target. On any
// failure the target (and, in place, the source) is left as it was.
#pragma once

#include <CLI/CLI.hpp>
#include <ostream>

namespace calvora {

// Registers the import command on the presetdb parser (see
// tools/presetdb_cli.h). It reports to out and raises
// mdbimport::ImportFailure (exit code 2), naming the file, and the table,
// field and record involved, when the conversion cannot be completed.
void AddImportCommand(CLI::App& app, std::ostream& out);

}  // namespace calvora
