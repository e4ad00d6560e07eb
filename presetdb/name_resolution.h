// Names for record generation and for the takeover: placeholder replacement
// and the rename of the old category field (the renaming of variable names
// is in unit_renames.h).
#pragma once

#include <string>
#include <string_view>

#include "errors/run_state.h"

namespace calvora {

// Replaces the first occurrence of search in text (found without regard to
// case) by replacement; false, and text left as it is, when search does not
// occur. Replacing in place spares record generation a copy of each text of
// each record, most of which hold no placeholder. Reports as
// "ReplaceSearchItem": an occurrence beyond position 32767 overflows its
// 16-bit position (6) and leaves the text; a result that cannot be formed
// leaves it empty.
bool ReplaceSearchItem(RunState& run, std::string& text, std::string_view search,
                       std::string_view replacement);

// Renames every field of the unit database's PRESET_DEFS named "categorie"
// (any letter case) to "category_id", keeping its data. No unit database: no
// change. Reports as "CategorieNachCategoryID".
void CategorieNachCategoryID(RunState& run);

}  // namespace calvora
