// Where every file of the project and the unit lies.
//
// Three values anchor all paths: the program folder (the folder holding the
// program file), the project folder P (its parent: "C:\Project\Config" gives
// "C:\Project", a program in "C:\" gives "C:") and the unit name U (the
// program file's name without extension, less its last seven characters,
// "_Config"). Each procedure follows the error protocol under its own name.
// Where a rule has an existence check and the check itself fails, the
// failure is reported and, when the run goes on, the path is returned as if
// the file existed.
#pragma once

#include <cstdint>
#include <string>

#include "errors/run_state.h"

namespace calvora {

// The unit name U. A program name shorter than seven characters raises 5;
// when the run goes on the result is "".
std::string GetOCXName(RunState& run);

// The project folder P.
std::string GetProjectFolder(RunState& run);

// P\U\U.mdb, without existence check.
std::string GetPathOCXMDB(RunState& run);

// P\U\U_Source.mdb, or "" when it does not exist.
std::string GetPathSourceOCXMDB(RunState& run);

// P\U\U.cfg. When the file does not exist: ReportFault("File not found: " LF
// CR + the path upper-cased), then the program ends (exit code 2); callers
// therefore never receive "".
std::string GetCFGPath(RunState& run);

// P\parameter\trxconfiguration.ini, or "" when it does not exist.
std::string GetTRXConfigurationIniPath(RunState& run);

// The program INI file, or "" when it does not exist. Mode 1 in an
// integrated start: S\parameter\program.ini, S being SaveAndRestore of the
// TRX configuration INI; otherwise P\parameter\Program.ini.
std::string GetProgramIniPath(RunState& run, int32_t& mode);

// The machine copy S\U\U.mdb, or "" when it does not exist; a failure of the
// existence check itself is not reported and counts as found.
std::string GetPathMachineCopyMDB(RunState& run, const std::string& trxConfigurationIniPath);

// The last '\'-separated component of path ("" when path ends in '\').
std::string GetFileNameOnly(RunState& run, const std::string& path);

}  // namespace calvora
