// Carrying the tuned values of the machine copy over into the regenerated table.
#pragma once

#include <cstdint>
#include <optional>

#include "dao/database.h"
#include "errors/run_state.h"
#include "presetdb/preset_table.h"

namespace calvora {

// For each record of machineCopy (a table-type recordset over the unit
// database's PRESET_DEFS), finds the regenerated record of target (the
// PRESET_DEFS being built) with the same machine_type, var_name (both
// compared without regard to case) and offset_or_bitno (as a number) and
// copies abs_min, abs_max, min, max and pass into the first such record (the
// last machine-copy row naming it wins; Null is carried over). The machine
// copy is read whole before anything is written. Reads run.AddFieldNames,
// run.AddFieldsSQL, run.AddFieldCount and run.SilentMode. Releases
// machineCopy (it is Nothing afterwards). Reports as
// "TakeoverMachineCopyMDBData". Returns the number of machine-copy records
// read, or nothing when one of them (or the count) could not be read, so
// that its values may not have been carried over.
//
// Data that would be lost:
//   - more than 15 fields in the machine copy while AddFieldCount is 0: a
//     warning (box 308; silent mode: the service log only); No logs the
//     termination and raises the fatal error 9999, ending the program;
//   - an additional field missing (exact spelling) from the target's
//     PRESET_DEFS: the conflict is logged, the fatal error 9999 raised, and
//     the program ends (exit code 2) even where the dialog would go on.
// A row whose match query cannot be made or opened is skipped silently: the
// key texts stand in it as quoted literals (a double quote inside doubled, so
// such a name matches like any other), and an offset that is no number
// (blanks around it, a leading plus and an exponent are allowed) never
// reaches the query, so no row can match records its keys do not name; nor
// does any row when target lacks a field the query selects. A value its
// field cannot hold is reported (3421, 3163) and that field keeps its value.
// Notes in run.Account each record tuned, each row dropped and each range
// outside the template's.
std::optional<int64_t> TakeoverMachineCopyMDBData(RunState& run, PresetTable& target,
                                                  dao::Recordset& machineCopy);

}  // namespace calvora
