// presetdb restore: a kept backup back as the unit database.
#pragma once

#include <ostream>
#include <string>

#include "tools/presetdb_cli.h"

namespace calvora::tool {

struct RestoreOptions {
    std::string project;  // the project folder (host path)
    std::string run;      // the run's time stamp as history lists it; "": the newest backup
};

// Puts the backup of the chosen run back as <project>/<unit>/<unit>.mdb:
// the backup is first read whole (every table, every record) and refused
// when it is damaged or no database; then the current unit database is kept
// in the history folder as a run of its own (mode "restore"), so the restore
// can be undone; then the backup is copied over the unit database atomically.
// Returns 0, 1 on a usage error, 2 when there is no such backup or it is
// refused, or a copy fails; the unit database is then unchanged.
int RunRestore(const RestoreOptions& options, std::ostream& out, std::ostream& err);

// Registers "restore PROJECT [RUN]" on presetdb's parser; RunRestore's exit
// code goes to exitCode.
void AddRestoreCommand(CLI::App& app, std::ostream& out, std::ostream& err, int& exitCode);

}  // namespace calvora::tool
