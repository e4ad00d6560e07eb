// The edit information: which program version did the work, in which start
// mode, and an encoded mark of the environment it ran in.
#pragma once

#include <string>
#include <string_view>

#include "errors/run_state.h"

namespace calvora {

// The mark of an environment entry ("NAME=value", or a value alone when it
// holds no "="): for each character of the value except "-" and "_", its
// Windows-1252 code + 5 in upper-case hexadecimal, without separator or
// fixed width ("abc" gives "666768", "A_B" gives "4647").
std::string EncodeEditor(std::string_view environmentEntry);

// Writes "S_Prog" (version + " - Integrated" or " - Standalone") and
// "S_Editor" (EncodeEditor of the environment's first entry) as text into
// section "Info" of the unit's configuration file (GetCFGPath; a missing
// file ends the program there). Reads run.IntegratedMode. Reports as
// "WriteEditInfo"; a failure with S_Prog still lets S_Editor be written. A
// write the file refuses (read-only, I/O error) is reported as 75 for each
// entry; the file then stays as it was.
void WriteEditInfo(RunState& run);

}  // namespace calvora
