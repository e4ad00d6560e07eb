// presetdb diff: what differs between a table of two databases.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/presetdb_cli.h"
#include "tools/presetdb_format.h"

namespace calvora::tool {

struct DiffOptions {
    std::string oldFile;
    std::string newFile;
    std::string table = "PRESET_DEFS";
    // The fields that pair the rows; empty: machine_type, var_name,
    // offset_or_bitno (for any table).
    std::vector<std::string> key;
    OutputFormat format = OutputFormat::Text;
};

// Pairs the rows of the table in both files by key, compared as the
// takeover compares them (texts without regard to case, numbers by value,
// the default key's offset_or_bitno as a bare number), rows of the same key
// in their order, and writes one row per difference: change ("only in OLD",
// "only in NEW", "changed", or "field only in OLD/NEW"), the key fields,
// the field, its old and its new value. Fields are paired by name without
// regard to case; numbers are compared by value.
// Returns 0 when the tables hold the same rows, 1 when they differ, 2 on a
// failure (a file that is missing or no database, a table or key field
// missing), with one line on err; nothing is written to either file.
int RunDiff(const DiffOptions& options, std::ostream& out, std::ostream& err);

// Registers "diff" on presetdb's parser; the comparison's exit code (as
// RunDiff returns it) goes to exitCode.
void AddDiffCommand(CLI::App& app, std::ostream& out, std::ostream& err, int& exitCode);

}  // namespace calvora::tool
