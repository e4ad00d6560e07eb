// The error log, the service log and the fault report.
//
// Both logs are plain Windows-1252 text, opened for appending (created when
// missing) and closed after each entry; each entry ends with CR LF and is
// written unchanged, so an entry with line breaks spans several lines.
//   - Error log: in an integrated start the LOGFILE switch's path; otherwise
//     the parent of the program folder + "\TRXcfglog.txt".
//   - Service log: always "C:\BrantorServicePack.log"; entries read
//     "! Fault " + program name + ": " + text.
//
// None of these handle their own failures: a log that cannot be written
// raises the file failure (76/70/75) to the caller.
#pragma once

#include <string>

#include "errors/run_state.h"

namespace calvora {

inline constexpr const char* kServiceLogPath = "C:\\BrantorServicePack.log";

// The error log's path for the current start mode.
std::string ErrorLogPath(RunState& run);

// Appends text to the error log; returns "Error logged to " LF CR + the
// log's path in upper case.
std::string WriteErrorLog(RunState& run, const std::string& text);

// Appends "! Fault <program name>: " + text to the service log.
void WriteServiceLog(RunState& run, const std::string& text);

// Silent mode: the same line as WriteServiceLog. Otherwise a modal box with
// the text, the program name as title, OK and the stop icon (style 16).
void ReportFault(RunState& run, const std::string& text);

}  // namespace calvora
