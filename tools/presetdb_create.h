// `presetdb create FILE SCRIPT.sql`: a new database from a plain SQLite
// script (the build makes the demo databases with it).
#pragma once

#include <filesystem>

namespace calvora::tool {

// Runs the script in one transaction on a new file beside target, then gives
// it target's name; the file appears only complete. Raises Failure 58 (file
// already exists) when target exists, 53 when the script cannot be read,
// 3075 with SQLite's message when the script fails (naming the script), 75
// when the file cannot be written. Nothing is left behind on failure.
void CreateDatabaseFromScript(const std::filesystem::path& target,
                              const std::filesystem::path& script);

}  // namespace calvora::tool
