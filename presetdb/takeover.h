// Carrying the tuned values of the machine copy over into the regenerated table.
#pragma once

#include "errors/run_state.h"
#include "presetdb/dao_database.h"

namespace calvora {

// For each record of machineCopy (a table-type recordset over the unit
// database's PRESET_DEFS), finds the regenerated record of source's
// PRESET_DEFS with the same machine_type, var_name and offset_or_bitno and
// copies abs_min, abs_max, min, max and pass into it. Reads run.AddFieldNames,
// run.AddFieldsSQL, run.AddFieldCount and run.SilentMode. Releases
// machineCopy. Reports as "TakeoverMachineCopyMDBData"; data that would be
// lost ends the program with the fatal error 9999.
void TakeoverMachineCopyMDBData(RunState& run, dao::Database& source, dao::Recordset& machineCopy);

}  // namespace calvora
