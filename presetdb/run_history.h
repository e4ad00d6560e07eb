// The run's history: the backup of the unit database, the pruning of old
// runs and the report, in the unit's folder <unit folder>\History.
#pragma once

#include <string>

#include "errors/run_state.h"

namespace calvora {

// Before the first change to the unit database: notes the history folder
// beside unitPath and, when unitPath exists, keeps a copy of it there as
// <unit>.<start time>.mdb (once per run; later calls do nothing). Reports as
// "KeepUnitDatabase" through the error protocol: a folder that cannot be
// made (76/70/75) or a copy that cannot be written (75, a full disk too)
// goes to the error dialog before anything touches the database; no
// half-written copy is left.
void KeepUnitDatabase(RunState& run, const std::string& unitPath);

// After a successful publish: removes the oldest kept runs, keeping as many
// as [History] Keep= of the unit's configuration file says (missing or
// negative: 10; 0 keeps no backup, only this run's report). Never raises.
void PruneHistory(RunState& run);

// Writes the run's report (.report.txt and .report.json in the history
// folder) and returns the summary line naming it. Without a history folder
// (the run ended before it knew its unit) or when the report cannot be
// written, the line says that no report was written. Never raises and never
// ends the program; reads only run.Account and the start mode.
std::string FinishRunReport(RunState& run, int exitCode);

}  // namespace calvora
