// The start mode and the error-log path from the command line.
//
// The command line is the argument text after the program's name, as one
// string. A switch is "/KEYWORD", one separator character of any kind, then
// the value up to the next "/" or the end of the line. Only the keywords
// EXTERNAL and LOGFILE are ever looked for.
#pragma once

#include <optional>
#include <string>

#include "errors/run_state.h"

namespace calvora {

// The value given to keyword on commandLine, upper-cased and trimmed of
// blanks, cut before any "/"; nullopt when the keyword does not occur.
// Failures ("ReadCommand"): a keyword at the very end of the line, with not
// even a separator after it, raises 5; when the run goes on the value is "".
std::optional<std::string> ReadCommand(RunState& run, const std::string& commandLine,
                                       const std::string& keyword);

// ReadCommand's value ("" when absent) without any report: where ReadCommand
// would fail, the value is "" at once. For the log writer, which asks for
// LOGFILE while a failure is being reported and must not report again.
std::string ReadCommandQuietly(RunState& run, const std::string& commandLine,
                               const std::string& keyword);

// Reads EXTERNAL and sets run.IntegratedMode ("TRXCFG") and run.SilentMode
// ("SILENT"); returns the new IntegratedMode. Reports as "GetStartModeIntegrated".
bool GetStartModeIntegrated(RunState& run);

// The LOGFILE value, "" when absent. Reports as "GetPathLogfile".
std::string GetPathLogfile(RunState& run);

}  // namespace calvora
