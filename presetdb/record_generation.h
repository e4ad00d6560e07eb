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
// that its field cannot hold (the field stays Null). Notes each machine and
// record in run.Account.
struct GeneratedRecords {
    PresetTable table;
    // False when the names renamed in the unit database for this run could
    // not be stored there (it then keeps its old names, UnitRenames::Close).
    bool renamesStored = true;
};
GeneratedRecords CreateRecordSets(RunState& run, dao::Database& db);

}  // namespace calvora
