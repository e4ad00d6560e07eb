// presetdb history and restore: the runs kept in a project's history folder.
#pragma once

#include <ostream>
#include <string>

#include "tools/presetdb_cli.h"
#include "tools/presetdb_format.h"

namespace calvora::tool {

// The unit whose history the commands read; the program Calvora_Config
// configures the unit Calvora.
inline constexpr const char* kUnit = "Calvora";

struct HistoryOptions {
    std::string project;  // the project folder (host path)
    OutputFormat format = OutputFormat::Text;
};

// One row per kept run, newest first: run (its time stamp, the name restore
// takes), time, mode, exit code, records, tuned, dropped, new, out of range,
// failures, published, backup ("yes" when the unit database it found is
// kept). Values the report does not hold are Null. Returns 0, or 2 when the
// project has no history folder.
int RunHistory(const HistoryOptions& options, std::ostream& out, std::ostream& err);

// Registers "history PROJECT" on presetdb's parser; RunHistory's exit code
// goes to exitCode.
void AddHistoryCommand(CLI::App& app, std::ostream& out, std::ostream& err, int& exitCode);

}  // namespace calvora::tool
