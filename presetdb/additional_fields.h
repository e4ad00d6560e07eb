// The additional fields of PRESET_DEFS named in the unit's configuration file.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "errors/run_state.h"

namespace calvora {

// The names of entry "DataBaseAdditionalFields" of section "Project" of the
// unit's configuration file (GetCFGPath), always led by "part": index 0
// empty, 1.. the names exactly as written (blanks kept; an empty item is an
// empty name). A missing or empty entry gives {"", "part"}. nullopt when one
// of this procedure's own steps failed (and was let pass) before its last;
// failures reported by the procedures it calls (the INI read reports its
// own) or by window events handled meanwhile do not count. Yields to the
// window once per name. Reports as "GetAdditionalFieldsMDB".
std::optional<std::vector<std::string>> GetAdditionalFieldsMDB(RunState& run);

// Sets run.AddFieldNames, run.AddFieldsSQL (", PRESET_DEFS." + name for each
// name 1..n) and run.AddFieldCount (n). When GetAdditionalFieldsMDB gives no
// list, AddFieldNames becomes unset and the other two keep their values.
// More names than 32767 raise 6 (the count keeps its value). Reports as
// "GetAddFields".
void GetAddFields(RunState& run);

}  // namespace calvora
