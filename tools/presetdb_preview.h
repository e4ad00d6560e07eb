// presetdb preview: the report of a run, without the run's changes.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/presetdb_cli.h"

namespace calvora::tool {

struct PreviewOptions {
    std::string project;                   // the project folder (host path)
    std::vector<std::string> programArgs;  // the program's command line; empty: /EXTERNAL=SILENT
};

// Runs the real program on a copy of the project in a temporary folder and
// writes the report that run wrote, then removes the copy. The drive table
// (CONFIG_EXE_DRIVES) of that run maps every drive it could write to into
// the temporary folder: the project's drive (the copy stands there under the
// project's own Windows path, so paths inside the project files find the
// copy), C: (the service log) and the drive of /LOGFILE= (the error log).
// An integrated run's program INI file and machine copy in a save-and-restore
// folder on such a drive outside the project are copied there too. The
// project folder, every file in it (contents, modification and access times)
// and every file outside it stay as they were. The program is the
// one in the project's program folder, else the one beside presetdb.
// Returns the run's exit code (0 to 3), or 2 when no run or no report could
// be made (one line on err).
int RunPreview(const PreviewOptions& options, std::ostream& out, std::ostream& err);

// Registers "preview PROJECT [PROGRAM ARGUMENTS...]" on presetdb's parser;
// RunPreview's exit code goes to exitCode.
void AddPreviewCommand(CLI::App& app, std::ostream& out, std::ostream& err, int& exitCode);

}  // namespace calvora::tool
