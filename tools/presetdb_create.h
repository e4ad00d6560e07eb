// `presetdb create FILE SCRIPT.sql`: a new database from a plain SQLite
// script (the build makes the demo databases with it).
#pragma once

#include <cstdint>
#include <filesystem>

namespace calvora::tool {

// The largest script create reads; far beyond any preset database's script.
inline constexpr std::uintmax_t kMaxScriptBytes = 64u << 20;

// What create promises, for its --help.
inline constexpr const char* kCreateHelp =
    "The script runs in one transaction on a new database built in memory; FILE\n"
    "appears only when the script has succeeded, never half-made. The script changes\n"
    "the new database only: ATTACH and DETACH are refused. It must be a regular\n"
    "file of at most 64 MiB.";

// Runs the script in one transaction on a database in memory and writes the
// result as target, which appears only complete. Raises Failure 58 (file
// already exists) when target exists; 53 when the script cannot be read,
// is not a regular file (a pipe or device, refused without reading from it)
// or is larger than kMaxScriptBytes; 3075 with SQLite's message, naming the
// script, when the script fails or tries to ATTACH or DETACH a database;
// 75 when the file cannot be written. Nothing is left behind on failure,
// nor when the process is killed while the script runs.
void CreateDatabaseFromScript(const std::filesystem::path& target,
                              const std::filesystem::path& script);

}  // namespace calvora::tool
