// Generation of the preset records: one per source definition and valid machine.
#pragma once

#include "dao/database.h"
#include "errors/run_state.h"

namespace calvora {

// Fills the freshly created PRESET_DEFS of db (the unit's source database)
// from Source_PRESET_DEFS for every valid machine of run.ExistingMachines,
// reading run.PartVarNames and run.StudioProject. Reports as "CreateRecordSets".
// Returns false when the variable names renamed in the unit database for
// this run could not be stored there (the unit database then keeps its old
// names, see UnitDatabaseSession::Close).
bool CreateRecordSets(RunState& run, dao::Database& db);

}  // namespace calvora
