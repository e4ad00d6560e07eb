// Generation of the preset records: one per source definition and valid machine.
#pragma once

#include "dao/database.h"
#include "errors/run_state.h"
#include "presetdb/preset_table.h"

namespace calvora {

// The records for the freshly created PRESET_DEFS of db (the unit's source
// database), formed from Source_PRESET_DEFS for every valid machine of
// run.ExistingMachines, reading run.PartVarNames and run.StudioProject; db
// itself is not written (WritePresetTable does that). Renames the unit
// database's var_name values on the way (VarNameInQuelleErsetzen). Reports
// as "CreateRecordSets": 9 for a part outside 1..50 or a field that
// Source_PRESET_DEFS lacks, 6 past 32767 records, 3421/3163 for a value
// that its field cannot hold (the field stays Null).
PresetTable CreateRecordSets(RunState& run, dao::Database& db);

}  // namespace calvora
