// The commands of the presetdb tool. Each takes the words after its own
// name, writes its result to out and its problems to err, and returns the
// exit code: 0 success, 1 usage error, 2 failure.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "tools/presetdb_format.h"

namespace calvora::tool {

using Args = std::vector<std::string>;

inline constexpr int kSuccess = 0;
inline constexpr int kUsageError = 1;
inline constexpr int kFailure = 2;

// Runs body, turning a failure into one line on err and exit code 2.
int Guarded(std::ostream& err, const std::function<void()>& body);

// Removes --csv / --json from args and returns the format they name (Text
// without either); nullopt for any other option.
std::optional<OutputFormat> TakeFormat(Args& args);

// tables FILE: one line per table: its name, a tab, its record count.
int RunTables(const Args& args, std::ostream& out, std::ostream& err);

// schema FILE [TABLE]: per table its name, then per field its position,
// name, type code, type name, size and declared type.
int RunSchema(const Args& args, std::ostream& out, std::ostream& err);

// dump FILE TABLE [--csv|--json]: the table's records.
int RunDump(const Args& args, std::ostream& out, std::ostream& err);

// sql FILE STATEMENT [--csv|--json]: the records a SELECT of the program's
// dialect gives.
int RunSql(const Args& args, std::ostream& out, std::ostream& err);

// create FILE SCRIPT.sql: a new database from a plain SQLite script.
int RunCreate(const Args& args, std::ostream& out, std::ostream& err);

}  // namespace calvora::tool
