// Bringing the unit's preset database up to date.
#pragma once

#include "errors/run_state.h"

namespace calvora {

// Rebuilds PRESET_DEFS in the unit's source database, takes the tuned values
// over from the unit database and publishes the source database over it.
// Reports as "WorkOnMDB" (from the reading of Source_DEFS on).
void WorkOnMDB(RunState& run);

}  // namespace calvora
