// Names for record generation and for the takeover: placeholder replacement,
// renaming of variable names in the unit database into the current project
// kind's naming, and the rename of the old category field.
#pragma once

#include <string>

#include "errors/run_state.h"

namespace calvora {

// text with the first occurrence of search (found without regard to case)
// replaced by replacement; text unchanged when search does not occur.
// Reports as "ReplaceSearchItem" (an occurrence beyond position 32767
// overflows its 16-bit position: 6).
std::string ReplaceSearchItem(RunState& run, const std::string& text, const std::string& search,
                              const std::string& replacement);

// In the unit database's PRESET_DEFS, every record whose var_name is the
// other project kind's name gets the current kind's name (StudioProject 0:
// name1 becomes name0; 1: name0 becomes name1). No unit database: no change.
// Reports as "VarNameInQuelleErsetzen".
void VarNameInQuelleErsetzen(RunState& run, const std::string& name0, const std::string& name1);

// Renames every field of the unit database's PRESET_DEFS named "categorie"
// (any letter case) to "category_id", keeping its data. No unit database: no
// change. Reports as "CategorieNachCategoryID".
void CategorieNachCategoryID(RunState& run);

}  // namespace calvora
