// Bringing the unit's preset database up to date.
#pragma once

#include "errors/run_state.h"

namespace calvora {

// Rebuilds PRESET_DEFS in the unit's source database, takes the tuned values
// over from the unit database and publishes the source database over it.
// Reports as "WorkOnMDB" (from the reading of Source_DEFS on). A source
// database that fails SQLite's integrity check counts as not opened. The
// publish is left out, reported as 9999 and the unit database left byte for
// byte as it was, where PublishRefusal (publish_guard.h) refuses it.
void WorkOnMDB(RunState& run);

}  // namespace calvora
