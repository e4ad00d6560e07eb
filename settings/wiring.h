// Connects the settings layer to the log writers below it.
#pragma once

#include "errors/run_state.h"

namespace calvora {

// Sets run.UnitName (GetOCXName) and run.LogFileSwitch (the LOGFILE value,
// taken without reporting a failure of its own).
void WireSettings(RunState& run);

}  // namespace calvora
