// The additional fields of PRESET_DEFS named in the unit's configuration file.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "errors/run_state.h"

namespace calvora {

// The names of entry "DataBaseAdditionalFields" of section "Project", always
// led by "part": index 0 empty, 1.. the names exactly as written. nullopt when
// a failure stopped it before its end. Reports as "GetAdditionalFieldsMDB".
std::optional<std::vector<std::string>> GetAdditionalFieldsMDB(RunState& run);

// Sets run.AddFieldNames, run.AddFieldsSQL (", PRESET_DEFS." + name for each)
// and run.AddFieldCount. Reports as "GetAddFields".
void GetAddFields(RunState& run);

}  // namespace calvora
