// The presetdb command line: one CLI11 parser on which every command
// registers itself (a function Add...Command per command), with the help,
// version and usage handling all commands share.
//
// Exit codes: 0 success (and --help, --version); 1 usage error: the unknown
// option or missing argument named, then a short usage, on err; 2 failure:
// one message on err.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "tools/presetdb_format.h"

namespace calvora::tool {

inline constexpr int kSuccess = 0;
inline constexpr int kUsageError = 1;
inline constexpr int kFailure = 2;

// Runs presetdb on the words after the program's name. Results go to out,
// help and version to out, usage errors and failures to err.
int RunPresetdb(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

// Runs body; a Failure it raises becomes one line on err and exit code 2,
// as a failure of any command does.
int Guarded(std::ostream& err, const std::function<void()>& body);

// Adds the output options every row-printing command takes (--csv, --json,
// --nl, at most one; text without them) and their description to command's
// help. The returned format holds the choice once the command line is parsed.
std::shared_ptr<OutputFormat> AddOutputOptions(CLI::App& command);

}  // namespace calvora::tool
